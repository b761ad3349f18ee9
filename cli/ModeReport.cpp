#include "ModeReport.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string_view>

#include "inputs/SoundField.h"
#include "link/Bytes.h"
#include "link/EqLayout.h"
#include "TerminalText.h"
#include "outputs/Compressor.h"
#include "outputs/Delay.h"
#include "outputs/OutputChannels.h"

namespace nr::cli {
namespace {

using Json = nlohmann::ordered_json;

// The decoded float as JSON: the double that prints as the float's shortest text, so 1.414f
// shows as 1.414 rather than 1.4140000343322754. JSON has no NaN or infinity: those become null.
Json FloatJson(float value) {
  if (!std::isfinite(value)) return nullptr;
  const std::string text = ShortestFloat(value);
  double d = 0;
  std::from_chars(text.data(), text.data() + text.size(), d);
  return d;
}

std::string Hex32(uint32_t word) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(word));
  return text;
}

std::string Hex8(int value) {
  char text[5];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value & 0xFF));
  return text;
}

uint32_t ImageWord(const DeviceState& s, const ParamRow& row, int word) {
  return GetBE32(&s.image[static_cast<size_t>(row.WordOffset() + 4 * word)]);
}

}  // namespace



namespace {

// Slots a set keeps beyond the bands its page edits.
std::string_view ExtraSlotTitle(int set, int band) {
  if (set == 6 && band == 10) return "maximum-bass low-pass";
  if (set >= 7 && set <= 14 && (band == 13 || band == 14)) return "delay split";
  return "";
}
std::string_view ExtraSlotKey(int set, int band) {
  return set == 6 && band == 10 ? "max_bass_lowpass" : (ExtraSlotTitle(set, band).empty() ? "" : "delay_split");
}

}  // namespace


namespace {

constexpr const char* kSendKeys[kSendCount] = {"direct", "reverb", "echo", "music"};

}  // namespace


namespace {

Json DynamicsJson(const DynamicsSettings& d) {
  return Json{{"threshold", FloatJson(d.threshold)},
              {"ratio", FloatJson(d.ratio)},
              {"attack", FloatJson(d.attackMs)},
              {"release", FloatJson(d.releaseMs)}};
}

}  // namespace




Json ModeFileJson(const InspectedModeFile& file) {
  const DeviceState& s = file.state;
  Json j;
  j["header"] = Json{{"version", file.header.version},
                     {"module", file.header.ModuleName()},
                     {"mcu", file.header.McuVersion()},
                     {"dsp", file.header.DspVersion()}};
  j["record_eq_trailer"] = file.hasRecordEqTrailer;

  Json params = Json::array();
  const auto& rows = ParamRows();
  for (size_t r = 0; r < rows.size(); ++r) {
    const ParamRow& row = rows[r];
    Json p{{"module", row.module}, {"index", row.index}, {"type", static_cast<int>(row.type)}};
    if (row.type == ValueType::kBlock) {
      Json words = Json::array();
      for (int w = 0; w < row.words; ++w) words.push_back(Hex32(ImageWord(s, row, w)));
      p["words"] = std::move(words);
    } else if (HoldsFloat(row.type)) {
      p["value"] = FloatJson(s.values[r].AsFloat());
    } else {
      p["value"] = s.values[r].AsInt();
    }
    params.push_back(std::move(p));
  }
  j["params"] = std::move(params);

  Json eq = Json::array();
  for (int set = 0; set < kEqSetCount; ++set) {
    for (int band = 0; band < OwnedBands(set); ++band) {
      const EqBand b = s.Band(set, band);
      Json entry{{"set", set}, {"band", band}, {"type", b.type}, {"freq", b.freq},
                 {"gain", FloatJson(b.gainDb)}, {"q", FloatJson(b.q)}};
      if (band >= EqSetInfo(set).bands) entry["extra"] = ExtraSlotKey(set, band);
      eq.push_back(std::move(entry));
    }
  }
  j["eq"] = std::move(eq);

  const DerivedValues& d = s.derived;
  Json compressors = Json::array();
  for (const DynamicsSettings& c : d.compressors) compressors.push_back(DynamicsJson(c));
  Json room{{"width", d.room.width}, {"length", d.room.length},
            {"listener", Json::array({FloatJson(d.room.listenerX), FloatJson(d.room.listenerY)})}};
  Json speakers = Json::array();
  for (int i = 0; i < kSpeakerCount; ++i)
    speakers.push_back(Json::array({FloatJson(d.room.speakerX[static_cast<size_t>(i)]),
                                    FloatJson(d.room.speakerY[static_cast<size_t>(i)])}));
  room["speakers"] = std::move(speakers);
  Json levels = Json::array();
  for (int c = 0; c < kOutputCount; ++c) levels.push_back(FloatJson(SoundFieldLevel(s, c)));
  room["levels"] = std::move(levels);
  room["located"] = LocatedCode(s);

  Json delay = Json::array();
  Json outputs = Json::array();
  for (int c = 0; c < kOutputCount; ++c) {
    delay.push_back(Json{{"ms", FloatJson(DelayMs(s, c))},
                         {"on", DelayOn(s, c)},
                         {"mode", ChannelDelayMode(s, c) ? "channel" : "split"},
                         {"split_hz", SplitFrequency(DelaySplitIndex(s, c))}});
    Json sends;
    for (int send = 0; send < kSendCount; ++send) sends[kSendKeys[send]] = OutputSend(s, c, send);
    outputs.push_back(Json{{"position", PositionName(SpeakerPositionOf(s, c))},
                           {"sends", std::move(sends)},
                           {"mute", OutputMuted(s, c)},
                           {"phase", OutputPhaseInverted(s, c) ? "inverted" : "normal"},
                           {"eq_bypass", OutputEqBypassed(s, c)},
                           {"compressor_on", CompressorOn(s, c)}});
  }
  j["derived"] = Json{{"compressors", std::move(compressors)},
                      {"music_dynamics", DynamicsJson(d.musicDynamics)},
                      {"pitch", d.pitch},
                      {"fbc", Json::array({d.fbcShift[0], d.fbcShift[1]})},
                      {"channel_delay", d.channelDelay},
                      {"level_feature", d.levelFeature},
                      {"room", std::move(room)},
                      {"delay", std::move(delay)},
                      {"outputs", std::move(outputs)}};
  return j;
}

void WriteModeFileSummary(std::ostream& out, const InspectedModeFile& file) {
  const DeviceState& s = file.state;
  out << "Mode file " << TerminalSafe(file.path) << " (" << file.size << " bytes)\n"
      << "  version  " << file.header.version << "\n"
      << "  module   " << TerminalSafe(file.header.ModuleName()) << "\n"
      << "  MCU      " << TerminalSafe(file.header.McuVersion()) << "\n"
      << "  DSP      " << TerminalSafe(file.header.DspVersion()) << "\n"
      << "  record EQ trailer: "
      << (file.hasRecordEqTrailer ? "present" : "absent (the record EQ has its factory bands)") << "\n";

  out << "\nParameters (module, index), type, value\n";
  int module = -1;
  const auto& rows = ParamRows();
  for (size_t r = 0; r < rows.size(); ++r) {
    const ParamRow& row = rows[r];
    if (row.module != module) {
      module = row.module;
      out << "  Module " << module << ": " << ModuleTitle(module) << "\n";
    }
    out << "    (" << int{row.module} << "," << Hex8(row.index) << ")  type " << static_cast<int>(row.type) << "  ";
    if (row.type == ValueType::kBlock) {
      out << "words";
      for (int w = 0; w < row.words; ++w) out << " " << Hex32(ImageWord(s, row, w));
    } else {
      out << ValueText(row.type, s.values[r]);
    }
    out << "\n";
  }

  out << "\nEQ sets\n";
  for (int set = 0; set < kEqSetCount; ++set) {
    const EqSetLayout layout = EqSetInfo(set);
    out << "  Set " << set << ": " << EqSetTitle(set) << " (module " << layout.module << ", first index "
        << Hex8(layout.firstIndex) << ", " << layout.bands << " bands)\n";
    for (int band = 0; band < OwnedBands(set); ++band) {
      out << "    band " << band << ": " << BandText(s.Band(set, band));
      if (band >= layout.bands) out << "  [" << ExtraSlotTitle(set, band) << "]";
      out << "\n";
    }
  }

  const DerivedValues& d = s.derived;
  out << "\nDerived values\n";
  for (int unit = 0; unit < kDynamicsUnits; ++unit) {
    out << "  compressor " << (unit < kOutputCount ? "output " + std::to_string(unit + 1) : std::string("record"))
        << ": " << DynamicsText(d.compressors[static_cast<size_t>(unit)]) << "\n";
  }
  out << "  automatic music level: " << DynamicsText(d.musicDynamics) << "\n"
      << "  pitch: " << d.pitch << "\n"
      << "  feedback-canceller shift (1 = bypassed): channel A " << d.fbcShift[0] << " Hz, channel B " << d.fbcShift[1]
      << " Hz\n"
      << "  output delay mode:";
  for (int out_ = 0; out_ < kOutputCount; ++out_)
    out << " " << (out_ + 1) << "=" << (d.channelDelay[static_cast<size_t>(out_)] ? "channel" : "HF-split");
  out << "\n  level feature: " << d.levelFeature << "\n"
      << "  room: " << d.room.width << " m x " << d.room.length << " m, listener (" << ShortestFloat(d.room.listenerX)
      << ", " << ShortestFloat(d.room.listenerY) << "), speakers";
  for (int i = 0; i < kSpeakerCount; ++i)
    out << " (" << ShortestFloat(d.room.speakerX[static_cast<size_t>(i)]) << ", "
        << ShortestFloat(d.room.speakerY[static_cast<size_t>(i)]) << ")";
  out << "\n";
  for (int c = 0; c < kOutputCount; ++c) {
    out << "  output " << (c + 1) << ": position " << PositionName(SpeakerPositionOf(s, c)) << ", sends";
    for (int send = 0; send < kSendCount; ++send) out << " " << kSendKeys[send] << " " << OutputSend(s, c, send) << " %";
    out << (OutputMuted(s, c) ? ", muted" : "") << (OutputPhaseInverted(s, c) ? ", phase inverted" : "")
        << (OutputEqBypassed(s, c) ? ", EQ bypassed" : "") << ", delay " << ShortestFloat(DelayMs(s, c)) << " ms "
        << (DelayOn(s, c) ? "on" : "off") << ", sound-field level " << ShortestFloat(SoundFieldLevel(s, c)) << " dB\n";
  }
}

}  // namespace nr::cli
