// Text files as other programs save them: every encoding a Windows or Linux editor writes for a
// filter list reads as the same UTF-8 text.
#include "shell/TextFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nr {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Utf16(std::u16string_view text, bool bigEndian) {
  Bytes bytes = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
  for (char16_t u : text) {
    const auto hi = static_cast<uint8_t>(u >> 8), lo = static_cast<uint8_t>(u & 0xFF);
    bytes.push_back(bigEndian ? hi : lo);
    bytes.push_back(bigEndian ? lo : hi);
  }
  return bytes;
}

Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(TextFile, EveryEncodingOfTheSameTextReadsTheSame) {
  const std::string line = "Filter 1: ON PK Fc 63 Hz Gain -4,5 dB Q 2 \xC2\xB5 \xE2\x82\xAC \xF0\x9F\x8E\xB5\r\n";
  const std::u16string line16 = u"Filter 1: ON PK Fc 63 Hz Gain -4,5 dB Q 2 \u00B5 \u20AC \U0001F3B5\r\n";
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"UTF-8", Of(line)},
      {"UTF-8 with its mark", Of("\xEF\xBB\xBF" + line)},
      {"UTF-16 little-endian", Utf16(line16, false)},
      {"UTF-16 big-endian", Utf16(line16, true)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeText(c.bytes), line);
  }
}

TEST(TextFile, WhatIsNoCharacterBecomesTheReplacementAndNothingElseIsLost) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(DecodeText(Utf16(u"a\xD800z", false)), "a" + replacement + "z");  // a lone high surrogate
  EXPECT_EQ(DecodeText(Utf16(u"a\xDC00", true)), "a" + replacement);         // a lone low surrogate
  Bytes odd = Utf16(u"ab", false);
  odd.push_back('c');
  EXPECT_EQ(DecodeText(odd), "ab" + replacement);
  // Without a mark, bytes pass as they are (the parsers read ASCII words out of them); UTF-16
  // without its mark is not guessed at.
  const Bytes binary{0x00, 0x46, 0xFF, 0x80, 0x0A};
  EXPECT_EQ(DecodeText(binary), std::string("\x00\x46\xFF\x80\x0A", 5));
  EXPECT_EQ(DecodeText({}), "");
  EXPECT_EQ(DecodeText(Bytes{0xFF, 0xFE}), "");
}

}  // namespace
}  // namespace nr
