#include "smarthome/SmartHomeMemory.h"

#include <algorithm>

#include "link/Bytes.h"

namespace nr {
namespace {

constexpr size_t kNameOffset = 4;
constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

char16_t FoldCase(char16_t u) {
  if (u >= u'A' && u <= u'Z') return static_cast<char16_t>(u - u'A' + u'a');
  if (u >= 0xFF21 && u <= 0xFF3A) return static_cast<char16_t>(u + 0x20);  // full-width letters
  return u;
}

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(c));
  }
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

PlugRecordBytes PlugRecord::Encode() const {
  PlugRecordBytes bytes{};
  bytes[0] = static_cast<uint8_t>(type);
  const std::u16string stored = TruncateUnits(name, kPlugNameMax);
  for (size_t i = 0; i < stored.size(); ++i) PutBE16(&bytes[kNameOffset + 2 * i], stored[i]);
  return bytes;  // the units after the name stay 0, so the name is terminated
}

PlugRecord PlugRecord::Decode(std::span<const uint8_t, kPlugRecordSize> bytes) {
  PlugRecord record;
  record.type = bytes[0];
  for (size_t i = 0; i < kPlugNameUnits; ++i) {
    const char16_t unit = GetBE16(&bytes[kNameOffset + 2 * i]);
    if (unit == 0) break;
    record.name.push_back(unit);
  }
  return record;
}

SceneBytes EncodeScene(const Scene& scene) {
  SceneBytes bytes{};
  for (size_t i = 0; i < scene.size(); ++i) {
    bytes[2 * i] = scene[i].node;
    bytes[2 * i + 1] = scene[i].value;
  }
  return bytes;
}

Scene DecodeScene(std::span<const uint8_t, kSceneSize> bytes) {
  Scene scene{};
  for (size_t i = 0; i < scene.size(); ++i) scene[i] = SceneStep{bytes[2 * i], bytes[2 * i + 1]};
  return scene;
}

int PlugRecordOffset(int node) { return node * kPlugRecordSize; }
int SceneOffset(int scene) { return kScenesOffset + kSceneSize * scene; }

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    const auto b0 = static_cast<uint8_t>(text[i]);
    int extra = b0 < 0x80 ? 0 : (b0 >> 5) == 0x6 ? 1 : (b0 >> 4) == 0xE ? 2 : (b0 >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b0 : static_cast<char32_t>(b0 & (0x3F >> extra));
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      const auto b = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
      if ((b & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (b & 0x3F);
    }
    const char32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : extra == 3 ? 0x10000 : 0;
    if (!valid || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    AppendUtf16(out, c);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string TruncateUnits(std::u16string_view name, size_t max) {
  if (name.size() <= max) return std::u16string(name);
  size_t n = max;
  if (n > 0 && IsHighSurrogate(name[n - 1])) --n;
  return std::u16string(name.substr(0, n));
}

std::u16string ProposePlugName(int type, std::span<const std::u16string> usedNames) {
  const std::u16string prefix = type == kPlugDimmer ? u"调压" : u"开关";
  for (int n = 1; n <= 254; ++n) {
    const std::u16string candidate = prefix + Utf8ToUtf16(std::to_string(n));
    const bool used = std::any_of(usedNames.begin(), usedNames.end(),
                                  [&](const std::u16string& name) { return SameIgnoringCase(name, candidate); });
    if (!used) return candidate;
  }
  return prefix + u"1";
}

}  // namespace nr
