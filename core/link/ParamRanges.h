#pragma once
// The values each single-value parameter record takes: the range of the control that sets it
// (a slider, a switch, a list), in the unit of its user-interface value. Writers that take a value
// from outside a page (nrctl set, batch scripts) refuse anything else, so the device never gets
// a value no page could have sent: a 101 % send, a -1 % volume, a delay of 1e30 ms.
#include <optional>
#include <string>

namespace nr {

struct ParamRange {
  double min = 0;
  double max = 0;
  const char* unit = "";  // "%", "ms", "Hz", "dB", or "" for switches, lists and plain numbers

  bool Contains(double value) const { return value >= min && value <= max; }
};

// The range of (module, index); nullopt for pairs without a record or without a single value
// (block records).
std::optional<ParamRange> ParamValueRange(int module, int index);

// "101 % is outside 0..100 %", or empty when the value is in range (or the pair has no range).
std::string ParamOutOfRange(int module, int index, double value);

}  // namespace nr
