#include "TerminalText.h"

#include <cstdint>
#include <cstdio>

namespace nr::cli {
namespace {

void Escape(std::string& out, uint8_t b) {
  char esc[5];
  std::snprintf(esc, sizeof esc, "\\x%02X", static_cast<unsigned>(b));
  out += esc;
}

// Length of the well-formed UTF-8 sequence at the start of s that encodes a printable character,
// or 0. C1 controls (U+0080..U+009F), overlong forms and surrogates count as not printable.
size_t PrintableSequence(std::string_view s) {
  const auto b = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const auto continuation = [&](size_t i) { return i < s.size() && (b(i) & 0xC0) == 0x80; };
  const uint8_t lead = b(0);
  size_t length = 0;
  uint32_t cp = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07u;
  } else {
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    if (!continuation(i)) return 0;
    cp = (cp << 6) | (b(i) & 0x3Fu);
  }
  const uint32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (cp < smallest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp <= 0x9F) return 0;
  return length;
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<uint8_t>(text[i]);
    // A backslash is kept (Windows paths are full of them) unless an x follows, where it
    // would read as the start of an escape.
    const bool startsAnEscape = c == '\\' && i + 1 < text.size() && text[i + 1] == 'x';
    if (c >= 0x20 && c < 0x7F && !startsAnEscape) {
      out += static_cast<char>(c);
      ++i;
    } else if (const size_t n = c >= 0x80 ? PrintableSequence(text.substr(i)) : 0) {
      out.append(text.substr(i, n));
      i += n;
    } else {
      Escape(out, c);
      ++i;
    }
  }
  return out;
}

}  // namespace nr::cli
