#include "eq/Biquad.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace nr {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

// The smallest Q a band record can hold. A Q of zero or below would divide by zero or put the
// poles outside the unit circle, so such a Q is raised to this.
constexpr double kMinQ = 0.001;

// Sections are designed below Nyquist only: above it the sine of w turns negative and every
// design becomes unstable, and right at Nyquist the first-order formulas cancel to garbage.
// The margin keeps the highest accepted frequency clear of that (23952 Hz at 48 kHz).
constexpr double kMaxFreqFraction = 0.499;

struct ChebyshevConstants {
  double m;  // passband level of the 0.1 dB ripple design (-0.1 dB)
  double s;
  double sin3q;  // sin(3π/4)
  double cos3q;  // cos(3π/4)
};

// The constants of the Chebyshev sections, evaluated in this precise order: the device's filters
// were tuned with exactly these values, so the rounding is part of the result.
const ChebyshevConstants& Chebyshev() {
  static const ChebyshevConstants k = [] {
    const double eps = std::sqrt(std::pow(10.0, 0.01) - 1.0);
    const double t = 0.5 * std::sqrt(std::log(1.0 / (eps * eps) + 1.0 + 1.0 / eps));
    ChebyshevConstants c{};
    c.s = std::sinh(t);
    c.m = std::sqrt(1.0 / (1.0 + eps * eps));
    c.sin3q = std::sin(3.0 * kPi / 4.0);
    c.cos3q = std::cos(3.0 * kPi / 4.0);
    return c;
  }();
  return k;
}

// α = sn·k for the sections with a fixed Q (k = 1/(2Q)); 0 for the types that take Q as input.
double FixedQFactor(int type) {
  static const double k[22] = {
      0, 0, 0, 0, 0, 0, 0, 0,
      std::sqrt(3.0) / 2.0, std::sqrt(3.0) / 2.0,  // 8, 9: Bessel
      0, 0,
      std::sqrt(2.0) / 2.0, std::sqrt(2.0) / 2.0,  // 12, 13: Butterworth
      std::sin(kPi / 6.0), std::sin(kPi / 6.0),    // 14, 15
      std::sin(kPi / 2.0), std::sin(kPi / 2.0),    // 16, 17
      std::sin(kPi / 8.0), std::sin(kPi / 8.0),    // 18, 19
      std::sin(3.0 * kPi / 8.0), std::sin(3.0 * kPi / 8.0),  // 20, 21
  };
  return k[type];
}

BiquadCoeffs LowPass(double alpha, double cs, double g) {
  const double a0 = 1.0 + alpha;
  BiquadCoeffs c;
  c.b1 = g * (1.0 - cs) / a0;
  c.b0 = c.b2 = c.b1 / 2.0;
  c.a1 = -2.0 * cs / a0;
  c.a2 = (1.0 - alpha) / a0;
  return c;
}

BiquadCoeffs HighPass(double alpha, double cs, double g) {
  const double a0 = 1.0 + alpha;
  BiquadCoeffs c;
  c.b1 = -g * (1.0 + cs) / a0;
  c.b0 = c.b2 = -c.b1 / 2.0;
  c.a1 = -2.0 * cs / a0;
  c.a2 = (1.0 - alpha) / a0;
  return c;
}

BiquadCoeffs Design(int type, double gainDb, double freq, double q, double fs) {
  const double w = kTwoPi * freq / fs;
  const double cs = std::cos(w);
  const double sn = std::sin(w);
  const double g = std::pow(10.0, gainDb / 20.0);
  BiquadCoeffs c;

  switch (type) {
    case kPeaking: {
      const double alpha = sn / (2.0 * q);
      const double a = std::pow(10.0, gainDb / 40.0);
      const double a0 = 1.0 + alpha / a;
      c.b0 = (1.0 + alpha * a) / a0;
      c.b1 = -2.0 * cs / a0;
      c.b2 = (1.0 - alpha * a) / a0;
      c.a1 = -2.0 * cs / a0;
      c.a2 = (1.0 - alpha / a) / a0;
      return c;
    }
    case kLowPass:
      return LowPass(sn / (2.0 * q), cs, g);
    case kHighPass:
      return HighPass(sn / (2.0 * q), cs, g);
    case kLowShelf:
    case kHighShelf: {
      const double a = std::pow(10.0, gainDb / 40.0);
      const double beta = std::sqrt(a) * sn / q;
      if (type == kLowShelf) {
        const double a0 = (a + 1.0) + (a - 1.0) * cs + beta;
        c.b0 = a * ((a + 1.0) - (a - 1.0) * cs + beta) / a0;
        c.b1 = 2.0 * a * ((a - 1.0) - (a + 1.0) * cs) / a0;
        c.b2 = a * ((a + 1.0) - (a - 1.0) * cs - beta) / a0;
        c.a1 = -2.0 * ((a - 1.0) + (a + 1.0) * cs) / a0;
        c.a2 = ((a + 1.0) + (a - 1.0) * cs - beta) / a0;
      } else {
        const double a0 = (a + 1.0) - (a - 1.0) * cs + beta;
        c.b0 = a * ((a + 1.0) + (a - 1.0) * cs + beta) / a0;
        c.b1 = -2.0 * a * ((a - 1.0) + (a + 1.0) * cs) / a0;
        c.b2 = a * ((a + 1.0) + (a - 1.0) * cs - beta) / a0;
        c.a1 = 2.0 * ((a - 1.0) - (a + 1.0) * cs) / a0;
        c.a2 = ((a + 1.0) - (a - 1.0) * cs - beta) / a0;
      }
      return c;
    }
    case kChebyshevLowPass:
    case kChebyshevHighPass: {
      const ChebyshevConstants& k = Chebyshev();
      const double tn = std::tan(kPi * freq / fs);
      const double kk = type == kChebyshevLowPass ? tn : 1.0 / tn;
      const double r = k.s * kk;
      const double x = k.sin3q * kk;
      const double cc = 2.0 * r * k.cos3q;
      const double u = r * r;
      const double v = x * x;
      const double w0 = 1.0 - cc + u + v;
      c.a1 = 2.0 * (u + v - 1.0) / w0;
      if (type == kChebyshevHighPass) c.a1 = -c.a1;
      c.a2 = (1.0 + cc + u + v) / w0;
      c.b0 = c.b2 = g * k.m * (u + v) / w0;
      c.b1 = type == kChebyshevLowPass ? 2.0 * c.b0 : -2.0 * c.b0;
      return c;
    }
    case kFirstOrderLowPass:
    case kFirstOrderHighPass: {
      const double d = 1.0 + cs + sn;
      if (type == kFirstOrderLowPass) {
        c.b0 = c.b1 = g * sn / d;
      } else {
        c.b0 = g * (1.0 + cs) / d;
        c.b1 = -c.b0;
      }
      c.a1 = (sn - cs - 1.0) / d;
      c.b2 = c.a2 = 0.0;
      return c;
    }
    default:
      break;
  }

  if (type >= kBesselLowPass && type <= 21) {
    const double alpha = sn * FixedQFactor(type);
    return type % 2 == 0 ? LowPass(alpha, cs, g) : HighPass(alpha, cs, g);
  }

  // Type 0 and every number outside the known range: all-pass.
  const double alpha = sn / (2.0 * q);
  const double a0 = 1.0 + alpha;
  c.b0 = (1.0 - alpha) / a0;
  c.b1 = -2.0 * cs / a0;
  c.b2 = 1.0;
  c.a1 = -2.0 * cs / a0;
  c.a2 = (1.0 - alpha) / a0;
  return c;
}

bool AllFinite(const BiquadCoeffs& c) {
  return std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.b2) && std::isfinite(c.a1) &&
         std::isfinite(c.a2);
}

// Narrowing a double outside the float range is undefined; saturate instead.
float SaturateToFloat(double v) {
  if (std::isnan(v)) return 0.0f;
  return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

// The curve axis must be positive and finite for its logarithm; anything else is pulled into a
// range that keeps fMax/fMin finite.
constexpr double kAxisLow = 1e-3;
constexpr double kAxisHigh = 1e9;
double SaneAxis(double f) { return std::isnan(f) ? kAxisLow : std::clamp(f, kAxisLow, kAxisHigh); }

double AxisFrequency(int i, double fMin, double fMax) {
  const float frac = static_cast<float>(i) / static_cast<float>(kResponsePoints);
  return fMin * std::pow(10.0, static_cast<double>(frac) * std::log10(fMax / fMin));
}

// Every panel draws many curves on the same axis, so sin²(π·f_i/fs) of its 512 points is kept
// per thread and recomputed only for an axis not seen recently. A few axes are kept because the
// GUI thread draws panels with different ranges in turn.
struct AxisTable {
  double fMin = 0.0;  // 0 never matches a sanitised axis, so an unused slot is never hit
  double fMax = 0.0;
  double phi2[kResponsePoints] = {};
};
constexpr int kAxisSlots = 4;
struct AxisCache {
  AxisTable slot[kAxisSlots];
  int next = 0;  // slot replaced on the next miss
};
thread_local AxisCache tAxes;

const double* AxisPhi2(double fMin, double fMax) {
  AxisCache& cache = tAxes;
  for (AxisTable& t : cache.slot)
    if (t.fMin == fMin && t.fMax == fMax) return t.phi2;
  AxisTable& t = cache.slot[cache.next];
  cache.next = (cache.next + 1) % kAxisSlots;
  for (int i = 0; i < kResponsePoints; ++i) {
    const double phi = std::sin(kPi * AxisFrequency(i, fMin, fMax) / kSampleRate);
    t.phi2[i] = phi * phi;
  }
  t.fMin = fMin;
  t.fMax = fMax;
  return t.phi2;
}

// Squared magnitudes are mathematically >= 0, but rounding can take a value at a notch or zero
// slightly below 0, and absurd gains can overflow. Keep them in a range whose logarithm is
// finite (the floor is -300 dB).
constexpr double kPowerFloor = 1e-30;
inline double SanePower(double p) {
  p = p > kPowerFloor ? p : kPowerFloor;  // also catches NaN
  return p < DBL_MAX ? p : DBL_MAX;
}

}  // namespace

BiquadCoeffs DesignBiquad(int type, double gainDb, double freq, double q, double fs) {
  if (!(fs > 0.0) || !std::isfinite(fs)) return {};
  const double maxFreq = fs * kMaxFreqFraction;
  if (!(freq >= 0.0)) freq = 0.0;
  if (freq > maxFreq) freq = maxFreq;
  if (!(q >= kMinQ)) q = kMinQ;

  const BiquadCoeffs c = Design(type, gainDb, freq, q, fs);
  // Inputs the formulas cannot take (an unbounded gain, a high-pass Chebyshev at 0 Hz) leave
  // the section transparent rather than sending NaN or infinity to the DSP.
  return AllFinite(c) ? c : BiquadCoeffs{};
}

std::array<float, 5> DeviceCoefficients(const BiquadCoeffs& c) {
  return {SaturateToFloat(-c.a1), SaturateToFloat(-c.a2), SaturateToFloat(c.b0), SaturateToFloat(c.b1),
          SaturateToFloat(c.b2)};
}

double ResponseFrequency(int i, double fMin, double fMax) {
  return AxisFrequency(i, SaneAxis(fMin), SaneAxis(fMax));
}

void EvalResponse(int type, double freq, double gainDb, double q, double fMin, double fMax,
                  int plotWidth, ResponseCurve& out) {
  fMin = SaneAxis(fMin);
  fMax = SaneAxis(fMax);
  const BiquadCoeffs c = DesignBiquad(type, gainDb, freq, q, kSampleRate);

  // |H|² at φ = sin(w/2) is a quadratic in φ² for numerator and denominator alike.
  const double n0 = (c.b0 + c.b1 + c.b2) * (c.b0 + c.b1 + c.b2);
  const double n1 = 4.0 * (4.0 * c.b0 * c.b2 + c.b0 * c.b1 + c.b1 * c.b2);
  const double n2 = 16.0 * c.b0 * c.b2;
  const double d0 = (1.0 + c.a1 + c.a2) * (1.0 + c.a1 + c.a2);
  const double d1 = 4.0 * (4.0 * c.a2 + c.a1 + c.a1 * c.a2);
  const double d2 = 16.0 * c.a2;

  const double* phi2 = AxisPhi2(fMin, fMax);
  for (int i = 0; i < kResponsePoints; ++i) {
    const double p2 = phi2[i];
    const double p4 = p2 * p2;
    const double num = SanePower(n0 - n1 * p2 + n2 * p4);
    const double den = SanePower(d0 - d1 * p2 + d2 * p4);
    out[i] = static_cast<float>(10.0 * std::log10(num) - 10.0 * std::log10(den));
  }

  // Pin the point under the band's own pixel column to its gain so the drawn peak reaches the
  // band's marker. Nothing is pinned without a plot width or for a frequency with no position.
  if (type != kPeaking || plotWidth <= 0 || !(freq > 0.0) || !std::isfinite(gainDb)) return;
  const double span = std::log10(fMax / fMin);
  if (span == 0.0) return;
  // The position ratio is formed first so that a band at fMax lands exactly on pixel W.
  const double p = std::trunc(plotWidth * (std::log10(freq / fMin) / span));
  const double idx = std::trunc(p / (plotWidth / 512.0));
  if (idx >= 0.0 && idx < kResponsePoints) out[static_cast<int>(idx)] = SaturateToFloat(gainDb);
}

ResponseCurve EvalResponse(int type, double freq, double gainDb, double q, double fMin, double fMax,
                           int plotWidth) {
  ResponseCurve out;
  EvalResponse(type, freq, gainDb, q, fMin, fMax, plotWidth, out);
  return out;
}

}  // namespace nr
