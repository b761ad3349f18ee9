#pragma once
// Second-order section design at the device's fixed sample rate, and the magnitude response
// used to draw every EQ curve.
#include <array>

namespace nr {

inline constexpr double kSampleRate = 48000.0;

// Filter section numbers as stored in band records. 1..5 are the user's band types; 6..21 only
// appear inside crossover slopes and delay-split filters; 0 and anything outside 1..21 is an
// all-pass. Even numbers 2..20 form the low-pass family, odd 3..21 the high-pass family.
enum FilterType : int {
  kAllPass = 0,
  kPeaking = 1,
  kLowPass = 2,
  kHighPass = 3,
  kLowShelf = 4,
  kHighShelf = 5,
  kChebyshevLowPass = 6,
  kChebyshevHighPass = 7,
  kBesselLowPass = 8,
  kBesselHighPass = 9,
  kFirstOrderLowPass = 10,
  kFirstOrderHighPass = 11,
  kButterworthLowPass = 12,
  kButterworthHighPass = 13,
};

// H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2), already divided by a0.
struct BiquadCoeffs {
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

// Designs one section. gainDb is the boost/cut of types 1, 4, 5 and the output level of the
// filter types; q is ignored by the types that have a fixed Q.
BiquadCoeffs DesignBiquad(int type, double gainDb, double freq, double q, double fs = kSampleRate);

// The five words the device takes for a section, in the order it takes them: -a1, -a2, b0, b1, b2.
std::array<float, 5> DeviceCoefficients(const BiquadCoeffs& c);

inline constexpr int kResponsePoints = 512;
using ResponseCurve = std::array<float, kResponsePoints>;

// Frequency of point i of a response curve on a log axis from fMin towards fMax (never reaching it).
double ResponseFrequency(int i, double fMin, double fMax);

// Magnitude in dB of one section at the 512 curve points. For a peaking band the point under the
// band's own pixel column is pinned to the band's gain so a drawn peak reaches its marker.
void EvalResponse(int type, double freq, double gainDb, double q, double fMin, double fMax,
                  int plotWidth, ResponseCurve& out);
ResponseCurve EvalResponse(int type, double freq, double gainDb, double q, double fMin, double fMax,
                           int plotWidth);

}  // namespace nr
