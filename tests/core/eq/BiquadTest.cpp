#include "eq/Biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cfloat>
#include <complex>
#include <limits>
#include <numbers>

namespace nr {
namespace {

constexpr double kFs = 48000.0;
constexpr double kMin = 18.0, kMax = 23000.0;
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// |H(e^jw)| in dB straight from the transfer function.
double MagDb(const BiquadCoeffs& c, double f) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * f / kFs);
  return 20.0 * std::log10(std::abs((c.b0 + c.b1 * z1 + c.b2 * z1 * z1) / (1.0 + c.a1 * z1 + c.a2 * z1 * z1)));
}

double Db(double lin) { return 20.0 * std::log10(lin); }

TEST(EvalResponse, MatchesTransferFunctionForEveryType) {
  for (int type = -1; type <= 23; ++type)
    for (double f : {20.0, 100.0, 1000.0, 8000.0, 20000.0})
      for (double g : {-12.0, 0.0, 9.0})
        for (double q : {0.3, 1.414, 8.0}) {
          const BiquadCoeffs c = DesignBiquad(type, g, f, q);
          const ResponseCurve curve = EvalResponse(type, f, g, q, kMin, kMax, 0);
          for (int i = 0; i < kResponsePoints; i += 7) {
            const double ref = MagDb(c, ResponseFrequency(i, kMin, kMax));
            ASSERT_NEAR(curve[i], ref, 1e-3 + 1e-5 * std::abs(ref))
                << "type " << type << " f " << f << " g " << g << " q " << q << " i " << i;
          }
        }
}

TEST(DesignBiquad, UserBandTypesHitTheirDefiningPoints) {
  for (double f : {50.0, 1000.0, 12000.0})
    for (double g : {-9.0, 0.0, 6.0})
      for (double q : {0.5, 1.414, 5.0}) {
        SCOPED_TRACE(testing::Message() << "f " << f << " g " << g << " q " << q);
        const BiquadCoeffs peq = DesignBiquad(kPeaking, g, f, q);
        EXPECT_NEAR(MagDb(peq, f), g, 1e-9);
        EXPECT_NEAR(MagDb(peq, 0), 0.0, 1e-9);
        EXPECT_NEAR(MagDb(DesignBiquad(kLowPass, g, f, q), 0), g, 1e-9);
        EXPECT_NEAR(MagDb(DesignBiquad(kLowPass, g, f, q), f), g + Db(q), 1e-9);
        EXPECT_NEAR(MagDb(DesignBiquad(kHighPass, g, f, q), kFs / 2), g, 1e-9);
        EXPECT_NEAR(MagDb(DesignBiquad(kHighPass, g, f, q), f), g + Db(q), 1e-9);
        EXPECT_NEAR(MagDb(DesignBiquad(kLowShelf, g, f, q), 0), g, 1e-9);
        EXPECT_NEAR(MagDb(DesignBiquad(kLowShelf, g, f, q), f), g / 2, 1e-9);
        EXPECT_NEAR(MagDb(DesignBiquad(kLowShelf, g, f, q), kFs / 2), 0.0, 1e-9);
        EXPECT_NEAR(MagDb(DesignBiquad(kHighShelf, g, f, q), 0), 0.0, 1e-9);
        EXPECT_NEAR(MagDb(DesignBiquad(kHighShelf, g, f, q), f), g / 2, 1e-9);
        EXPECT_NEAR(MagDb(DesignBiquad(kHighShelf, g, f, q), kFs / 2), g, 1e-9);
        // The all-pass turns the phase by exactly half a turn at its frequency.
        const BiquadCoeffs ap = DesignBiquad(kAllPass, g, f, q);
        const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * f / kFs);
        const auto h = (ap.b0 + ap.b1 * z1 + ap.b2 * z1 * z1) / (1.0 + ap.a1 * z1 + ap.a2 * z1 * z1);
        EXPECT_NEAR(h.real(), -1.0, 1e-9);
        EXPECT_NEAR(h.imag(), 0.0, 1e-9);
      }
}

TEST(DesignBiquad, FixedQSectionsUseTheirQAndOutputLevel) {
  const double fixedQ[22] = {0, 0, 0, 0, 0, 0, 0, 0, 1 / std::sqrt(3.0), 1 / std::sqrt(3.0), 0, 0,
                             1 / std::sqrt(2.0), 1 / std::sqrt(2.0), 1.0, 1.0, 0.5, 0.5,
                             1.306563, 1.306563, 0.541196, 0.541196};
  for (int type : {8, 9, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21})
    for (double f : {40.0, 2500.0})
      for (double g : {-3.0, 0.0}) {
        SCOPED_TRACE(testing::Message() << "type " << type << " f " << f << " g " << g);
        // The Q input must be ignored.
        const BiquadCoeffs c = DesignBiquad(type, g, f, 9.0);
        const bool lowPass = type % 2 == 0;
        EXPECT_NEAR(MagDb(c, f), g + Db(fixedQ[type]), 1e-5);
        EXPECT_NEAR(MagDb(c, lowPass ? 0 : kFs / 2), g, 1e-9);
      }
  for (double f : {40.0, 2500.0}) {
    EXPECT_NEAR(MagDb(DesignBiquad(kFirstOrderLowPass, -2, f, 9), f), -2 + Db((std::numbers::sqrt2 / 2)), 1e-9);
    EXPECT_NEAR(MagDb(DesignBiquad(kFirstOrderLowPass, -2, f, 9), 0), -2, 1e-9);
    EXPECT_NEAR(MagDb(DesignBiquad(kFirstOrderHighPass, -2, f, 9), f), -2 + Db((std::numbers::sqrt2 / 2)), 1e-9);
    EXPECT_NEAR(MagDb(DesignBiquad(kFirstOrderHighPass, -2, f, 9), kFs / 2), -2, 1e-9);
  }
}

// Cascades of the slope table against the closed forms of Butterworth responses after the
// bilinear transform: |H|² = 1 / (1 + (tan(w/2) / tan(wc/2))^(2n)).
TEST(DesignBiquad, CascadesFormButterworthAndLinkwitzRiley) {
  const double fc = 100.0;
  auto butterworthDb = [&](double f, int order) {
    const double t = std::tan(std::numbers::pi * f / kFs) / std::tan(std::numbers::pi * fc / kFs);
    return -10.0 * std::log10(1.0 + std::pow(t, 2 * order));
  };
  auto cascade = [&](std::initializer_list<int> types, double f) {
    double db = 0;
    for (int t : types) db += MagDb(DesignBiquad(t, 0, fc, 1.0), f);
    return db;
  };
  EXPECT_NEAR(cascade({18, 20}, fc), -3.0103, 1e-4);
  EXPECT_NEAR(cascade({12, 12}, fc), -6.0206, 1e-4);
  EXPECT_NEAR(cascade({10, 10}, fc), -6.0206, 1e-4);
  for (double f : {20.0, 70.0, 140.0, 1000.0}) {
    EXPECT_NEAR(cascade({18, 20}, f), butterworthDb(f, 4), 1e-5) << f;
    EXPECT_NEAR(cascade({14, 10}, f), butterworthDb(f, 3), 1e-5) << f;
    EXPECT_NEAR(cascade({12}, f), butterworthDb(f, 2), 1e-5) << f;
    EXPECT_NEAR(cascade({12, 12}, f), 2 * butterworthDb(f, 2), 1e-5) << f;
    EXPECT_NEAR(cascade({16}, f), 2 * butterworthDb(f, 1), 1e-5) << f;
  }
}

TEST(DesignBiquad, ChebyshevSectionsFollowTheirFormulas) {
  const double eps = std::sqrt(std::pow(10.0, 0.01) - 1.0);
  const double t = 0.5 * std::sqrt(std::log(1.0 / (eps * eps) + 1.0 + 1.0 / eps));
  const double s = std::sinh(t);
  const double m = std::sqrt(1.0 / (1.0 + eps * eps));
  EXPECT_NEAR(eps, 0.152620, 1e-6);
  EXPECT_NEAR(t, 0.990158, 1e-6);
  EXPECT_NEAR(s, 1.160070, 1e-6);
  EXPECT_NEAR(m, 0.988553, 1e-6);
  for (double f : {30.0, 1000.0, 15000.0})
    for (double g : {-6.0, 0.0, 3.0})
      for (int type : {6, 7}) {
        SCOPED_TRACE(testing::Message() << "type " << type << " f " << f << " g " << g);
        const double tn = std::tan(std::numbers::pi * f / kFs);
        const double k = type == 6 ? tn : 1 / tn;
        const double r = s * k, x = std::sin(3 * std::numbers::pi / 4) * k;
        const double c = 2 * r * std::cos(3 * std::numbers::pi / 4), u = r * r, v = x * x;
        const double w0 = 1 - c + u + v;
        const double G = std::pow(10.0, g / 20);
        const double b0 = G * m * (u + v) / w0;
        const BiquadCoeffs got = DesignBiquad(type, g, f, 0.1);
        EXPECT_NEAR(got.a1, (type == 6 ? 2 : -2) * (u + v - 1) / w0, 1e-14);
        EXPECT_NEAR(got.a2, (1 + c + u + v) / w0, 1e-14);
        EXPECT_NEAR(got.b0, b0, 1e-14);
        EXPECT_NEAR(got.b1, (type == 6 ? 2 : -2) * b0, 1e-14);
        EXPECT_NEAR(got.b2, b0, 1e-14);
        EXPECT_NEAR(MagDb(got, type == 6 ? 0 : kFs / 2), g + Db(0.988553), 1e-5);
      }
}

TEST(DesignBiquad, DegenerateSectionsHaveTheirExactShape) {
  for (double q : {0.1, 0.707, 1.414, 30.0})
    for (double f : {20.0, 997.0, 19000.0}) {
      const BiquadCoeffs c = DesignBiquad(kPeaking, 0, f, q);
      EXPECT_EQ(c.b0, 1.0);
      EXPECT_EQ(c.b1, c.a1);
      EXPECT_EQ(c.b2, c.a2);
      const BiquadCoeffs lp = DesignBiquad(kFirstOrderLowPass, 4, f, q);
      EXPECT_EQ(lp.a2, 0.0);
      EXPECT_EQ(lp.b2, 0.0);
      EXPECT_EQ(lp.b0, lp.b1);
      const BiquadCoeffs ap0 = DesignBiquad(0, 5, f, q), ap22 = DesignBiquad(22, 5, f, q);
      EXPECT_EQ(ap0.b0, ap22.b0);
      EXPECT_EQ(ap0.b1, ap22.b1);
      EXPECT_EQ(ap0.b2, ap22.b2);
      EXPECT_EQ(ap0.a1, ap22.a1);
      EXPECT_EQ(ap0.a2, ap22.a2);
      for (float v : EvalResponse(22, f, 5, q, kMin, kMax, 600)) ASSERT_NEAR(v, 0.0f, 1e-6);
    }
  for (double g : {0.0, -4.5, 7.0}) {
    const double G = std::pow(10.0, g / 20);
    const BiquadCoeffs lp = DesignBiquad(kLowPass, g, 300, 0.9);
    EXPECT_NEAR((lp.b0 + lp.b1 + lp.b2) / (1 + lp.a1 + lp.a2), G, 1e-12);
    const BiquadCoeffs hp = DesignBiquad(kHighPass, g, 300, 0.9);
    EXPECT_NEAR((hp.b0 - hp.b1 + hp.b2) / (1 - hp.a1 + hp.a2), G, 1e-12);
  }
}

TEST(DesignBiquad, UnusableInputsGiveStableFiniteSections) {
  for (int type = -2; type <= 23; ++type)
    for (double f : {0.0, -50.0, 20.0, 23999.0, 24000.0, 30000.0, 65535.0, kNan})
      for (double q : {0.0, -1.0, 1e-300, 1.0, kNan, kInf})
        for (double g : {0.0, 1e6, kNan}) {
          const BiquadCoeffs c = DesignBiquad(type, g, f, q);
          SCOPED_TRACE(testing::Message() << type << " " << f << " " << q << " " << g);
          for (double v : {c.b0, c.b1, c.b2, c.a1, c.a2}) ASSERT_TRUE(std::isfinite(v));
          // Poles inside the unit circle (on it only for a 0 Hz section).
          if (f > 0 && !std::isinf(q)) {
            ASSERT_LT(std::abs(c.a2), 1.0);
            ASSERT_LT(std::abs(c.a1), 1.0 + c.a2);
          }
          for (float v : EvalResponse(type, f, g, q, kMin, kMax, 600)) ASSERT_TRUE(std::isfinite(v));
        }
  for (double lo : {0.0, -5.0, kNan, 1e-300})
    for (double hi : {0.0, -5.0, kNan, kInf, 10.0, 1e300})
      for (float v : EvalResponse(kPeaking, 1000, 3, 1, lo, hi, 600)) ASSERT_TRUE(std::isfinite(v));
}

TEST(DesignBiquad, DeviceWordsAreNegatedFeedbackThenFeedforward) {
  const BiquadCoeffs c{0.5, 0.25, -0.125, -1.5, 0.75};
  EXPECT_EQ(DeviceCoefficients(c), (std::array<float, 5>{1.5f, -0.75f, 0.5f, 0.25f, -0.125f}));
  const auto big = DeviceCoefficients({1e300, -1e300, 0, 0, 0});
  EXPECT_EQ(big[2], FLT_MAX);
  EXPECT_EQ(big[3], -FLT_MAX);
}

TEST(EvalResponse, GridRunsFromFMinTowardsFMax) {
  EXPECT_EQ(ResponseFrequency(0, kMin, kMax), kMin);
  EXPECT_NEAR(ResponseFrequency(511, kMin, kMax), kMin * std::pow(kMax / kMin, 511.0 / 512.0), 1e-9);
  EXPECT_LT(ResponseFrequency(511, kMin, kMax), kMax);
}

TEST(EvalResponse, PeakingPinLandsUnderTheBandsPixel) {
  auto freqAt = [](double ratio) { return kMin * std::pow(kMax / kMin, ratio); };
  auto pinned = [](int type, double f, int width) {
    const ResponseCurve plain = EvalResponse(type, f, 4.5, 2, kMin, kMax, 0);
    const ResponseCurve withPin = EvalResponse(type, f, 4.5, 2, kMin, kMax, width);
    int at = -1;
    for (int i = 0; i < kResponsePoints; ++i) {
      if (plain[i] == withPin[i]) continue;
      EXPECT_EQ(at, -1) << "second pinned point " << i;
      EXPECT_EQ(withPin[i], 4.5f);
      at = i;
    }
    return at;
  };
  EXPECT_EQ(pinned(kPeaking, freqAt(300.5 / 512), 512), 300);
  EXPECT_EQ(pinned(kPeaking, freqAt(300.25 / 512), 1024), 300);
  // Narrower than 512 pixels: 150 px of 300 is point 256.
  EXPECT_EQ(pinned(kPeaking, freqAt(0.501), 300), 256);
  // A band at fMin sits on point 0, whose computed value is already its gain.
  EXPECT_EQ(EvalResponse(kPeaking, kMin, 4.5, 2, kMin, kMax, 600)[0], 4.5f);
  for (double f : {10.0, kMax, 30000.0, 0.0, -100.0, kNan}) EXPECT_EQ(pinned(kPeaking, f, 600), -1) << f;
  for (int w : {0, -600}) EXPECT_EQ(pinned(kPeaking, 1000, w), -1);
  EXPECT_EQ(pinned(kLowShelf, freqAt(300.5 / 512), 512), -1);
}

}  // namespace
}  // namespace nr
