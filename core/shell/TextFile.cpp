#include "shell/TextFile.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace nr {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

std::string FromUtf16(std::span<const uint8_t> bytes, bool bigEndian) {
  const auto unit = [&](size_t i) -> char32_t {
    const uint8_t a = bytes[2 * i], b = bytes[2 * i + 1];
    return bigEndian ? (char32_t{a} << 8) | b : (char32_t{b} << 8) | a;
  };
  const size_t units = bytes.size() / 2;
  std::string out;
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    const char32_t u = unit(i);
    if (IsHighSurrogate(u) && i + 1 < units && IsLowSurrogate(unit(i + 1))) {
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, u);
    }
  }
  if (bytes.size() % 2 != 0) AppendUtf8(out, kReplacement);
  return out;
}

bool StartsWith(std::span<const uint8_t> bytes, std::initializer_list<uint8_t> mark) {
  return bytes.size() >= mark.size() && std::equal(mark.begin(), mark.end(), bytes.begin());
}

}  // namespace

std::string DecodeText(std::span<const uint8_t> bytes) {
  if (StartsWith(bytes, {0xFF, 0xFE})) return FromUtf16(bytes.subspan(2), false);
  if (StartsWith(bytes, {0xFE, 0xFF})) return FromUtf16(bytes.subspan(2), true);
  if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) bytes = bytes.subspan(3);
  return std::string(bytes.begin(), bytes.end());
}

FileError ReadTextFile(const std::filesystem::path& path, size_t maxBytes, std::string& out) {
  out.clear();
  std::vector<uint8_t> bytes;
  if (FileError error = ReadFileLimited(path, maxBytes, bytes)) return error;
  out = DecodeText(bytes);
  return {};
}

}  // namespace nr
