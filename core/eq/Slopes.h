#pragma once
// Crossover slopes: a composite band is the band itself plus three partner sections in cascade.
#include <array>
#include <string_view>

namespace nr {

inline constexpr int kSlopeCount = 11;        // indexes 0..10 have names; 11 is flat
using SlopeTypes = std::array<int, 4>;       // band, partner 1, partner 2, partner 3

// Name of slope 0..10 as the slope list shows it (same in every language); empty otherwise.
std::string_view SlopeName(int slope);

// The four section types of a slope for the family of the band's current type
// (even: low-pass, odd: high-pass). Slopes 1..11 take their row; anything else takes row 0.
SlopeTypes ApplySlope(int currentType, int slope);

// Reverse lookup of four section types. Returns the slope index and sets menuType (2 low-pass,
// 3 high-pass, 1 flat, 4 low shelf, 5 high shelf); no match returns 0 and leaves menuType alone.
int FindSlope(const SlopeTypes& types, int& menuType);

}  // namespace nr
