// Language tables: GBK INI text into the texts every dialog shows.
#include <gtest/gtest.h>

#include "shell/LanguageTable.h"

namespace nr {
namespace {

std::vector<uint8_t> Gbk(std::string_view utf8) {
  const std::string g = Utf8ToGbk(utf8);
  return std::vector<uint8_t>(g.begin(), g.end());
}

TEST(LanguageTable, ReadsKeysOfTheStringSectionOnly) {
  const auto table = LanguageTable::FromGbk(Gbk(
      "[String]\r\n// IDD_DIALOG_SET\r\nIDD335_title=机器设置\r\nIDD335_1191=By mode \r\n\r\nIDD373_1624=\r\n"
      "IDD335_title=second definition\r\nnot a key line\r\n[Other]\r\nIDD1_title=elsewhere\r\n"));
  EXPECT_EQ(table.Title(335), "机器设置");
  EXPECT_EQ(table.Control(335, 1191), "By mode ");  // the trailing blank is part of the text
  EXPECT_TRUE(table.Contains("IDD373_1624"));
  EXPECT_EQ(table.Control(373, 1624), "");
  EXPECT_EQ(table.Title(1), "");
  EXPECT_EQ(table.size(), 3u);
}

TEST(LanguageTable, SurvivesBrokenBytesAndLongValues) {
  std::vector<uint8_t> bytes = Gbk("[String]\nA=x");
  bytes.push_back(0x81);  // a cut double-byte character at the very end
  bytes.push_back('\n');
  const std::string longValue(1500, 'v');
  const std::string text = "B=" + longValue + "\n";
  bytes.insert(bytes.end(), text.begin(), text.end());
  const auto table = LanguageTable::FromGbk(bytes);
  EXPECT_EQ(table.Value("A"), "x\xEF\xBF\xBD");
  EXPECT_EQ(table.Value("B").size(), LanguageTable::kMaxValueChars);
  EXPECT_EQ(GbkToUtf8(Gbk("Phase 180°：")), "Phase 180°：");
}

}  // namespace
}  // namespace nr
