#include "eq/Slopes.h"

namespace nr {
namespace {

struct SlopeRow {
  SlopeTypes lowPass;
  SlopeTypes highPass;
};

// Band, partner 1, 2, 3 for each slope. A type-1 section at 0 dB is flat, so 1 fills the
// sections a slope does not need.
constexpr SlopeRow kSlopes[kSlopeCount + 1] = {
    {{10, 10, 1, 1}, {11, 11, 1, 1}},      // 0  Linkwitz-Riley 12 dB
    {{12, 12, 1, 1}, {13, 13, 1, 1}},      // 1  Linkwitz-Riley 24 dB
    {{14, 10, 14, 10}, {15, 11, 15, 11}},  // 2  Linkwitz-Riley 36 dB
    {{18, 20, 18, 20}, {19, 21, 19, 21}},  // 3  Linkwitz-Riley 48 dB
    {{8, 1, 1, 1}, {9, 1, 1, 1}},          // 4  Bessel 12 dB
    {{8, 10, 1, 1}, {9, 11, 1, 1}},        // 5  Bessel 18 dB
    {{8, 8, 1, 1}, {9, 9, 1, 1}},          // 6  Bessel 24 dB
    {{12, 1, 1, 1}, {13, 1, 1, 1}},        // 7  Butterworth 12 dB
    {{14, 10, 1, 1}, {15, 11, 1, 1}},      // 8  Butterworth 18 dB
    {{18, 20, 1, 1}, {19, 21, 1, 1}},      // 9  Butterworth 24 dB
    {{6, 1, 1, 1}, {7, 1, 1, 1}},          // 10 Chebyshev 12 dB
    {{1, 1, 1, 1}, {1, 1, 1, 1}},          // 11 flat
};

// Shelves are recognised when reading a band back but are never offered as slopes.
constexpr SlopeTypes kLowShelfRow = {4, 1, 1, 1};
constexpr SlopeTypes kHighShelfRow = {5, 1, 1, 1};

// The names are spelled as the device's users have always seen them.
constexpr std::string_view kNames[kSlopeCount] = {
    "LinkwitzRiely 12dB", "LinkwitzRiely 24dB", "LinkwitzRiely 36dB", "LinkwitzRiely 48dB",
    "Bessel 12dB",        "Bessel 18dB",        "Bessel 24dB",        "Butterworth 12dB",
    "Butterworth 18dB",   "Butterworth 24dB",   "Chebyshev 12dB",
};

}  // namespace

std::string_view SlopeName(int slope) {
  if (slope < 0 || slope >= kSlopeCount) return {};
  return kNames[slope];
}

SlopeTypes ApplySlope(int currentType, int slope) {
  const SlopeRow& row = (slope >= 1 && slope <= kSlopeCount) ? kSlopes[slope] : kSlopes[0];
  return currentType % 2 == 0 ? row.lowPass : row.highPass;
}

int FindSlope(const SlopeTypes& types, int& menuType) {
  // Low-pass before high-pass for each slope, then flat and the two shelves.
  for (int slope = 0; slope < kSlopeCount; ++slope) {
    if (types == kSlopes[slope].lowPass) {
      menuType = 2;
      return slope;
    }
    if (types == kSlopes[slope].highPass) {
      menuType = 3;
      return slope;
    }
  }
  if (types == kSlopes[kSlopeCount].lowPass) {
    menuType = 1;
    return kSlopeCount;
  }
  if (types == kLowShelfRow) {
    menuType = 4;
    return 12;
  }
  if (types == kHighShelfRow) {
    menuType = 5;
    return 13;
  }
  return 0;
}

}  // namespace nr
