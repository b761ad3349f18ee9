#pragma once
// The whole-number range of a control: what a slider offers, and what a write keeps to.

namespace nr {

struct IntRange {
  int min;
  int max;
  constexpr int Clamp(int v) const { return v < min ? min : (v > max ? max : v); }
  constexpr bool Contains(int v) const { return v >= min && v <= max; }
};

}  // namespace nr
