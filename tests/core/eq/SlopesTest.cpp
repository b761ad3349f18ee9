#include "eq/Slopes.h"

#include <gtest/gtest.h>

#include <complex>
#include <numbers>

#include "eq/Biquad.h"

namespace nr {
namespace {

TEST(Slopes, NamesInListOrder) {
  EXPECT_EQ(SlopeName(0), "LinkwitzRiely 12dB");
  EXPECT_EQ(SlopeName(3), "LinkwitzRiely 48dB");
  EXPECT_EQ(SlopeName(6), "Bessel 24dB");
  EXPECT_EQ(SlopeName(9), "Butterworth 24dB");
  EXPECT_EQ(SlopeName(10), "Chebyshev 12dB");
  EXPECT_EQ(SlopeName(11), "");
  EXPECT_EQ(SlopeName(-1), "");
}

TEST(Slopes, ApplyTakesFamilyFromParity) {
  EXPECT_EQ(ApplySlope(2, 3), (SlopeTypes{18, 20, 18, 20}));
  EXPECT_EQ(ApplySlope(4, 7), (SlopeTypes{12, 1, 1, 1}));
  EXPECT_EQ(ApplySlope(1, 7), (SlopeTypes{13, 1, 1, 1}));
  EXPECT_EQ(ApplySlope(5, 2), (SlopeTypes{15, 11, 15, 11}));
  EXPECT_EQ(ApplySlope(-3, 10), (SlopeTypes{7, 1, 1, 1}));
  EXPECT_EQ(ApplySlope(6, 11), (SlopeTypes{1, 1, 1, 1}));
  for (int bad : {0, -1, 12, 13, 1000}) {
    EXPECT_EQ(ApplySlope(12, bad), (SlopeTypes{10, 10, 1, 1}));
    EXPECT_EQ(ApplySlope(13, bad), (SlopeTypes{11, 11, 1, 1}));
  }
}

TEST(Slopes, FindInvertsApplyForEveryRow) {
  for (int slope = 0; slope <= 10; ++slope)
    for (int family : {2, 3}) {
      int menu = -1;
      EXPECT_EQ(FindSlope(ApplySlope(family, slope), menu), slope);
      EXPECT_EQ(menu, family);
    }
  int menu = -1;
  EXPECT_EQ(FindSlope(ApplySlope(3, 11), menu), 11);
  EXPECT_EQ(menu, 1);
  EXPECT_EQ(FindSlope({4, 1, 1, 1}, menu), 12);
  EXPECT_EQ(menu, 4);
  EXPECT_EQ(FindSlope({5, 1, 1, 1}, menu), 13);
  EXPECT_EQ(menu, 5);
  EXPECT_EQ(FindSlope({12, 12, 1, 1}, menu), 1);
  EXPECT_EQ(menu, 2);
}

TEST(Slopes, NoMatchLeavesMenuTypeAlone) {
  for (SlopeTypes t : {SlopeTypes{2, 1, 1, 1}, SlopeTypes{10, 10, 1, 0}, SlopeTypes{11, 10, 1, 1}}) {
    int menu = 7;
    EXPECT_EQ(FindSlope(t, menu), 0);
    EXPECT_EQ(menu, 7);
  }
}

// The rows are checked by what they do: the low-pass and high-pass halves of the even-order
// Linkwitz-Riley slopes add up to an all-pass, and the Butterworth 24 dB slope is -3 dB at its corner.
TEST(Slopes, RowsBuildTheirFilters) {
  auto response = [](const SlopeTypes& types, double f) {
    const std::complex<double> z1 = std::polar(1.0, -2 * std::numbers::pi * f / kSampleRate);
    std::complex<double> h = 1;
    for (int t : types) {
      const BiquadCoeffs c = DesignBiquad(t, 0, 500, 1.414);
      h *= (c.b0 + c.b1 * z1 + c.b2 * z1 * z1) / (1.0 + c.a1 * z1 + c.a2 * z1 * z1);
    }
    return h;
  };
  for (double f : {50.0, 400.0, 500.0, 700.0, 5000.0}) {
    for (int slope : {1, 3})
      EXPECT_NEAR(std::abs(response(ApplySlope(2, slope), f) + response(ApplySlope(3, slope), f)), 1.0, 1e-9)
          << slope << " " << f;
  }
  EXPECT_NEAR(20 * std::log10(std::abs(response(ApplySlope(2, 9), 500))), -3.0103, 1e-4);
  EXPECT_NEAR(20 * std::log10(std::abs(response(ApplySlope(3, 9), 500))), -3.0103, 1e-4);
}

}  // namespace
}  // namespace nr
