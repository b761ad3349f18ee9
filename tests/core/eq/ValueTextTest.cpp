#include "eq/ValueText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace nr {
namespace {

struct Case {
  std::string text;
  std::optional<double> value;
};

TEST(ValueText, FrequenciesTakeThousandsAndTheirUnit) {
  const std::vector<Case> cases = {
      {"2k", 2000.0},       {"1.5k", 1500.0}, {"1.5 kHz", 1500.0}, {" 2K ", 2000.0}, {"1000Hz", 1000.0},
      {"1000 hz", 1000.0},  {"63", 63.0},     {"+440", 440.0},     {".5k", 500.0},   {"20000HZ", 20000.0},
      {"2kk", std::nullopt}, {"k", std::nullopt}, {"12abc", std::nullopt}, {"", std::nullopt},
      {"Hz", std::nullopt}, {"1e3", std::nullopt}, {"inf", std::nullopt}, {"2 k 5", std::nullopt},
      {"0x10", std::nullopt}, {"1,000", std::nullopt}, {"--5", std::nullopt}, {"+-5", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(ParseFrequencyText(c.text), c.value) << '"' << c.text << '"';
}

TEST(ValueText, GainsAndPlainNumbersRefuseTrailingText) {
  EXPECT_EQ(ParseGainText("-3dB"), -3.0);
  EXPECT_EQ(ParseGainText("4.5 DB"), 4.5);
  EXPECT_EQ(ParseGainText("+2"), 2.0);
  EXPECT_EQ(ParseGainText("3k"), std::nullopt);  // thousands are for frequencies only
  EXPECT_EQ(ParseGainText("3 dBx"), std::nullopt);
  EXPECT_EQ(ParsePlainNumber("0.71"), 0.71);
  EXPECT_EQ(ParsePlainNumber("0.7q"), std::nullopt);
  EXPECT_EQ(ParsePlainNumber("1..2"), std::nullopt);
}

}  // namespace
}  // namespace nr
