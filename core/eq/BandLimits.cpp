#include "eq/BandLimits.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "eq/Biquad.h"

namespace nr {
namespace {

// Shortest text that reads back as the value: 0.1 as "0.1", 600 as "600", 1e+30 as "1e+30".
std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string Outside(const char* what, double value, double min, double max, const char* unit) {
  return std::string(what) + " " + Number(value) + unit + " is outside " + Number(min) + ".." + Number(max) + unit;
}

}  // namespace

float BandQMax(int type) { return type == kPeaking ? kPeakingQMax : kFilterQMax; }

int WholeHertz(double frequency) {
  if (!std::isfinite(frequency)) return 0;
  constexpr double kMax = std::numeric_limits<int>::max();
  return static_cast<int>(std::round(std::fmin(std::fmax(frequency, -kMax), kMax)));
}

std::string BandOutOfRange(int type, int freq, float gainDb, float q) {
  if (!(gainDb >= kBandGainMinDb && gainDb <= kBandGainMaxDb))
    return Outside("gain", gainDb, kBandGainMinDb, kBandGainMaxDb, " dB");
  if (freq < kBandFreqMinHz || freq > kBandFreqMaxHz) return Outside("frequency", freq, kBandFreqMinHz, kBandFreqMaxHz, " Hz");
  if (!(q >= kBandQMin && q <= BandQMax(type))) {
    const std::string range = Outside("Q", q, kBandQMin, BandQMax(type), "");
    return type == kPeaking ? range + " (a peaking band)" : range + " (for type " + std::to_string(type) + ")";
  }
  return {};
}

}  // namespace nr
