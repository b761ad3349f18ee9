// GBK on Windows: code page 936, one character at a time, so that a byte that starts no
// character is replaced and skipped as iconv does on Linux.
#include <windows.h>

#include "shell/GbkText.h"

namespace nr {
namespace {

// One UTF-16 character (one or two units) to code page `to`; empty when it has no form there.
std::string FromWide(const wchar_t* units, int count, UINT to) {
  BOOL usedDefault = FALSE;
  char out[8] = {};
  const bool strict = to != CP_UTF8;
  const int n = ::WideCharToMultiByte(to, strict ? WC_NO_BEST_FIT_CHARS : 0, units, count, out, sizeof out, nullptr,
                                      strict ? &usedDefault : nullptr);
  if (n <= 0 || usedDefault) return {};
  return std::string(out, static_cast<size_t>(n));
}

// The length of the well-formed UTF-8 character at the start of s, 0 when none starts there;
// its code point in cp.
size_t Utf8Char(std::string_view s, char32_t& cp) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = b(0);
  size_t length = 0;
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  if (lead >= 0xC2 && lead <= 0xDF) length = 2, cp = lead & 0x1F;
  else if (lead >= 0xE0 && lead <= 0xEF) length = 3, cp = lead & 0x0F;
  else if (lead >= 0xF0 && lead <= 0xF4) length = 4, cp = lead & 0x07;
  else return 0;
  if (s.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((b(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i) & 0x3F);
  }
  const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string ConvertGbkToUtf8(std::string_view gbk, std::string_view replacement) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2 + 8);
  for (size_t i = 0; i < gbk.size();) {
    const auto lead = static_cast<unsigned char>(gbk[i]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++i;
      continue;
    }
    wchar_t wide[2] = {};
    int units = 0;
    if (lead >= 0x81 && lead <= 0xFE && i + 1 < gbk.size()) {
      const auto trail = static_cast<unsigned char>(gbk[i + 1]);
      if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F)
        units = ::MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, gbk.data() + i, 2, wide, 2);
    }
    const std::string utf8 = units > 0 ? FromWide(wide, units, CP_UTF8) : std::string();
    if (utf8.empty()) {
      out.append(replacement);
      ++i;
      continue;
    }
    out += utf8;
    i += 2;
  }
  return out;
}

std::string ConvertUtf8ToGbk(std::string_view utf8, std::string_view replacement) {
  std::string out;
  out.reserve(utf8.size() + 8);
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    const size_t length = Utf8Char(utf8.substr(i), cp);
    if (length == 0) {
      out.append(replacement);
      ++i;
      continue;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      ++i;
      continue;
    }
    wchar_t wide[2] = {};
    int units = 1;
    if (cp >= 0x10000) {
      wide[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
      wide[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      units = 2;
    } else {
      wide[0] = static_cast<wchar_t>(cp);
    }
    const std::string gbk = FromWide(wide, units, 936);
    if (gbk.empty()) {
      // As iconv on Linux: the first byte is replaced and skipped, then each byte after it.
      for (size_t k = 0; k < length; ++k) out.append(replacement);
    } else {
      out += gbk;
    }
    i += length;
  }
  return out;
}

}  // namespace nr
