#include "link/ParamRanges.h"

#include <cstdio>

#include "link/ParamTable.h"

namespace nr {
namespace {

constexpr ParamRange kSwitch{0, 1};
constexpr ParamRange kPercent{0, 100, "%"};
constexpr ParamRange kVolume{0, 99};     // the ribbon's live volumes
constexpr ParamRange kNoiseGate{0, 100};
constexpr ParamRange kEffectPredelay{2, 200, "ms"};

std::optional<ParamRange> Microphones(int index) {
  switch (index) {
    case 0x04: case 0x05: case 0x06: case 0x07: return kPercent;    // microphone volumes
    case 0x08: case 0x09: case 0x0A: case 0x0B: return kNoiseGate;  // microphone noise gates
    case 0x0C: return kSwitch;                                      // automatic SUB decay
    case 0x0D: return kPercent;                                     // automatic SUB ratio
    case 0x0E: case 0x10: return kVolume;                           // microphone, effect volume
    case 0x0F: case 0x11: return kPercent;                          // their mutes: 0 or 100
    case 0x21: case 0x38: return kSwitch;                           // channel EQ switches
    case 0x27: case 0x3E: return ParamRange{0, 100, "ms"};          // feedback-canceller delays
    case 0x28: case 0x3F: return kSwitch;                           // feedback-canceller bypass
    default: break;
  }
  if ((index >= 0x22 && index <= 0x25) || (index >= 0x39 && index <= 0x3C)) return kPercent;  // routing
  return std::nullopt;
}

// Echo channel A from 0x07, channel B from 0x18, the same layout.
std::optional<ParamRange> Echo(int index) {
  if (index == 0x22) return kVolume;
  if (index == 0x23) return kPercent;
  const int first = index >= 0x18 ? 0x18 : 0x07;
  switch (index - first) {
    case 0: return kSwitch;                              // echo EQ switch
    case 1: return kPercent;                             // level
    case 2: return kEffectPredelay;                      // predelay
    case 3: return ParamRange{1.35, 130, "ms"};          // right-channel predelay (samples word)
    case 4: return ParamRange{0, 50, "%"};               // right-channel predelay
    case 5: return ParamRange{-50, 50, "%"};             // right-channel delay
    case 6: return ParamRange{128, 260, "ms"};           // echo time
    case 7: case 9: return ParamRange{20, 90, "%"};      // decay ratio
    case 8: return ParamRange{64, 390, "ms"};            // right-channel repeat time (samples word)
    default: return std::nullopt;
  }
}

// Reverb channel A from 0x07, channel B from 0x13.
std::optional<ParamRange> Reverb(int index) {
  if (index == 0x18) return kVolume;
  if (index == 0x19) return kPercent;
  const int first = index >= 0x13 ? 0x13 : 0x07;
  switch (index - first) {
    case 0: return kSwitch;
    case 1: case 3: case 4: return kPercent;  // level, time (two words)
    case 2: return kEffectPredelay;
    default: return std::nullopt;
  }
}

std::optional<ParamRange> Music(int index) {
  switch (index) {
    case 0x0B: case 0x0F: return kSwitch;      // music EQ switch, automatic level off switch
    case 0x0C: return kVolume;                 // music volume
    case 0x0D: return kPercent;                // its mute
    case 0x11: return kNoiseGate;              // music noise gate
    case 0x12: return ParamRange{0, 13};       // input source
    case 0x22: return ParamRange{0, 20, "ms"};  // max-bass delay
    case 0x23: return ParamRange{0, 300, "%"};  // max-bass gain
    default: break;
  }
  if (index >= 0x13 && index <= 0x20) return kPercent;  // input level of each source
  return std::nullopt;
}

std::optional<ParamRange> Output(int index) {
  switch (index) {
    case 0x0F: case 0x13: case 0x1C: case 0x26: return kSwitch;  // EQ, delay, compressor, advanced EQ
    case 0x10: return ParamRange{0, 7};                          // speaker position
    case 0x12: return ParamRange{1.4, 100, "ms"};                // delay
    case 0x14: case 0x15: case 0x16: case 0x17: return kPercent;  // sends
    case 0x18: return ParamRange{0, 500, "%"};                   // sound-field volume
    case 0x19: return ParamRange{-100, 100, "%"};                // phase: 100 normal, -100 inverted
    case 0x1A: return kPercent;                                  // mute: 0 or 100
    default: return std::nullopt;
  }
}

std::optional<ParamRange> Record(int index) {
  switch (index) {
    case 0x00: case 0x01: case 0x02: case 0x03: case 0x06: return kPercent;  // sends, record level
    case 0x05: return kSwitch;                                              // compressor off switch
    default: return std::nullopt;
  }
}

std::optional<ParamRange> Exciter(int index) {
  switch (index) {
    case 0x00: return ParamRange{70, 450, "Hz"};
    case 0x02: return ParamRange{800, 5000, "Hz"};
    case 0x04: return ParamRange{3200, 18000, "Hz"};
    case 0x01: case 0x03: case 0x05: return ParamRange{0, 12, "dB"};
    case 0x06: case 0x07: case 0x08: case 0x09: return kPercent;  // harmonics, exciter level
    case 0x0A: case 0x0B: return kSwitch;
    default: return std::nullopt;
  }
}

std::optional<ParamRange> ByModule(int module, int index) {
  switch (module) {
    case 1: return Microphones(index);
    case 2: return Echo(index);
    case 3: return Reverb(index);
    case 4: return Music(index);
    case 13: return Record(index);
    case 14: return Exciter(index);
    default: break;
  }
  if (module >= 5 && module <= 12) return Output(index);
  return std::nullopt;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

std::optional<ParamRange> ParamValueRange(int module, int index) {
  const int row = FindParamRow(module, index);
  if (row < 0 || ParamRows()[static_cast<size_t>(row)].type == ValueType::kBlock) return std::nullopt;
  return ByModule(module, index);
}

std::string ParamOutOfRange(int module, int index, double value) {
  const std::optional<ParamRange> range = ParamValueRange(module, index);
  if (!range || range->Contains(value)) return {};
  const std::string unit = *range->unit ? std::string(" ") + range->unit : std::string();
  return Number(value) + unit + " is outside " + Number(range->min) + ".." + Number(range->max) + unit;
}

}  // namespace nr
