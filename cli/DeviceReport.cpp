#include "DeviceReport.h"

#include <array>
#include <cstdio>
#include <ostream>
#include <string>

#include "TerminalText.h"

namespace nr::cli {
namespace {

template <size_t N>
const char* Lookup(const std::array<const char*, N>& table, int index) {
  return index >= 0 && index < static_cast<int>(N) ? table[static_cast<size_t>(index)] : table[0];
}

std::string Hex(int byte) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(byte) & 0xFFu);
  return text;
}

void WriteWireless(std::ostream& out, const DeviceStatus& status, int mic) {
  out << "mic " << (mic == 0 ? 'A' : 'B') << ": RF " << status.Wireless(mic, 0) << ", AF " << status.Wireless(mic, 1)
      << ", channel " << status.Wireless(mic, 2) << ", battery " << status.Wireless(mic, 3) << "\n";
}

}  // namespace

const char* DecoderFormatName(int index) {
  static constexpr std::array<const char*, 9> kNames = {"STEREO", "AC3",      "DTS",    "DTS-CD",      "E-AC3",
                                                        "DOLBY-HD", "DTS-HR", "DTS-HD", "LPCM MultiCh"};
  return index >= 0 && index < static_cast<int>(kNames.size()) ? kNames[static_cast<size_t>(index)] : nullptr;
}

const char* MicConverterName(int chip) {
  static constexpr std::array<const char*, 6> kNames = {"未知", "AK5358", "PCM4202", "AK5720", "CS5381", "未知"};
  return Lookup(kNames, chip);
}

const char* MusicConverterName(int chip) {
  static constexpr std::array<const char*, 4> kNames = {"未知", "NONE", "PCM4202", "AK5720"};
  return Lookup(kNames, chip);
}

const char* OutputConverterName(int chip) {
  static constexpr std::array<const char*, 5> kNames = {"未知", "AK4396", "CS4398", "耳放板", "PCM1794"};
  return Lookup(kNames, chip);
}

void WriteDeviceInfo(std::ostream& out, const DeviceState& state) {
  // The identification is the device's own text: it reaches the terminal escaped.
  out << "module: " << TerminalSafe(state.info.ModuleName()) << "\n"
      << "mcu version: " << TerminalSafe(state.info.McuVersion()) << "\n"
      << "dsp version: " << TerminalSafe(state.info.DspVersion()) << "\n"
      << "communication version: " << state.info.version << "\n"
      << "current mode: M" << state.currentMode + 1 << "\n"
      << "machine settings:";
  for (uint8_t b : state.machine) out << " " << Hex(b);
  out << "\n";
}

void WriteDeviceStatus(std::ostream& out, const DeviceStatus& status) {
  out << "meters:";
  for (int i = 0; i < 6; ++i) out << " " << status.Meter(i);
  out << "\n";
  const int format = status.InputFormat();
  if (const char* name = DecoderFormatName(format))
    out << "decoder: " << name << "\n";
  else
    out << "decoder: unknown (" << format << ")\n";
  out << "pitch: " << status.PitchNibble() - 5 << "\n";
  WriteWireless(out, status, 0);
  WriteWireless(out, status, 1);
  out << "converters: MIC " << MicConverterName(status.MicChip()) << ", Music "
      << MusicConverterName(status.MusicChip());
  for (int pair = 0; pair < 4; ++pair)
    out << ", CH" << 2 * pair + 1 << 2 * pair + 2 << " " << OutputConverterName(status.OutputChip(pair));
  out << "\n";
}

nlohmann::ordered_json DeviceInfoJson(const DeviceState& state) {
  nlohmann::ordered_json machine = nlohmann::ordered_json::array();
  for (uint8_t b : state.machine) machine.push_back(b);
  return {{"module", state.info.ModuleName()},
          {"mcuVersion", state.info.McuVersion()},
          {"dspVersion", state.info.DspVersion()},
          {"communicationVersion", state.info.version},
          {"currentMode", state.currentMode + 1},
          {"machineSettings", std::move(machine)}};
}

nlohmann::ordered_json DeviceStatusJson(const DeviceStatus& status) {
  nlohmann::ordered_json meters = nlohmann::ordered_json::array();
  for (int i = 0; i < 6; ++i) meters.push_back(status.Meter(i));
  const char* decoder = DecoderFormatName(status.InputFormat());
  nlohmann::ordered_json mics = nlohmann::ordered_json::array();
  for (int mic = 0; mic < 2; ++mic) {
    mics.push_back({{"mic", mic == 0 ? "A" : "B"},
                    {"rf", status.Wireless(mic, 0)},
                    {"af", status.Wireless(mic, 1)},
                    {"channel", status.Wireless(mic, 2)},
                    {"battery", status.Wireless(mic, 3)}});
  }
  nlohmann::ordered_json outputs = nlohmann::ordered_json::array();
  for (int pair = 0; pair < 4; ++pair) outputs.push_back(OutputConverterName(status.OutputChip(pair)));
  return {{"meters", std::move(meters)},
          {"decoder", decoder ? nlohmann::ordered_json(decoder) : nlohmann::ordered_json(nullptr)},
          {"decoderIndex", status.InputFormat()},
          {"pitch", status.PitchNibble() - 5},
          {"mics", std::move(mics)},
          {"converters",
           {{"mic", MicConverterName(status.MicChip())},
            {"music", MusicConverterName(status.MusicChip())},
            {"outputs", std::move(outputs)}}}};
}

std::string JsonLine(const nlohmann::ordered_json& json, int indent) {
  return json.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace nr::cli
