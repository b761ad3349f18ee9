#include "venue/PresetText.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "link/EqLayout.h"

namespace nr {

std::string ModuleTitle(int module) {
  switch (module) {
    case 1: return "microphones";
    case 2: return "echo";
    case 3: return "reverb";
    case 4: return "music and master";
    case 13: return "record";
    case 14: return "exciter";
    default: break;
  }
  if (module >= 5 && module <= 12) return "output " + std::to_string(module - 4);
  return "module " + std::to_string(module);
}

std::string EqSetTitle(int set) {
  static constexpr std::string_view kFirst[] = {
      "microphone channel A EQ", "microphone channel B EQ", "channel A echo EQ", "channel B echo EQ",
      "channel A reverb EQ",     "channel B reverb EQ",     "music EQ",
  };
  if (set >= 0 && set <= 6) return std::string(kFirst[set]);
  if (set >= 7 && set <= 14) return "output " + std::to_string(set - 6) + " EQ";
  if (set == kRecordEqSet) return "record EQ";
  return "output " + std::to_string(set - 15) + " advanced EQ";
}

int OwnedBands(int set) {
  const EqSetLayout layout = EqSetInfo(set);
  return set == kRecordEqSet ? layout.bands : std::max(layout.bands, layout.slotCount);
}

std::string ValueText(ValueType type, ParamValue value) {
  switch (type) {
    case ValueType::kPercent: return std::to_string(value.AsInt()) + " %";
    case ValueType::kFloat: return ShortestFloat(value.AsFloat());
    case ValueType::kMillis: return ShortestFloat(value.AsFloat()) + " ms";
    case ValueType::kByte:
    case ValueType::kTenThousandths:
    case ValueType::kBlock: break;
  }
  return std::to_string(value.AsInt());
}

std::string DynamicsText(const DynamicsSettings& d) {
  return "threshold " + ShortestFloat(d.threshold) + ", ratio " + ShortestFloat(d.ratio) + ", attack " +
         ShortestFloat(d.attackMs) + " ms, release " + ShortestFloat(d.releaseMs) + " ms";
}

std::string BandText(const EqBand& b) {
  return "type " + std::to_string(b.type) + ", " + std::to_string(b.freq) + " Hz, gain " + ShortestFloat(b.gainDb) +
         " dB, Q " + ShortestFloat(b.q);
}

std::string ShortestFloat(float value) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : std::string("?");
}

}  // namespace nr
