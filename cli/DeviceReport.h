#pragma once
// The text nrctl prints about a device: its identification after a read, and one decoded
// status answer (level meters, decoder format, pitch, wireless microphones, converter chips).
#include <iosfwd>
#include <nlohmann/json.hpp>

#include "link/DeviceState.h"

namespace nr::cli {

// "module: ...", "mcu version: ...", "dsp version: ...", "communication version: N",
// "current mode: M1".."M4", "machine settings: " and the 14 bytes in hex.
void WriteDeviceInfo(std::ostream& out, const DeviceState& state);

// "meters: ...", "decoder: ...", "pitch: ...", "mic A: ...", "mic B: ...", "converters: ...".
void WriteDeviceStatus(std::ostream& out, const DeviceStatus& status);

// The same for scripts (--json): {"module", "mcuVersion", "dspVersion", "communicationVersion",
// "currentMode" (1..4), "machineSettings" (the 14 bytes)} and {"meters", "decoder" (null when the
// table does not name it), "decoderIndex", "pitch", "mics" [{"mic", "rf", "af", "channel",
// "battery"}], "converters" {"mic", "music", "outputs"}}. Dump them with
// nlohmann::ordered_json::error_handler_t::replace: the device's texts need not be UTF-8.
nlohmann::ordered_json DeviceInfoJson(const DeviceState& state);
nlohmann::ordered_json DeviceStatusJson(const DeviceStatus& status);
// One line of JSON as --json prints it, the device's text made valid UTF-8.
std::string JsonLine(const nlohmann::ordered_json& json, int indent = -1);

// Names as the About box shows them: decoder formats 0..8 (nullptr beyond), and the converter
// chip of each slot (an unknown number gives the table's first entry).
const char* DecoderFormatName(int index);
const char* MicConverterName(int chip);
const char* MusicConverterName(int chip);
const char* OutputConverterName(int chip);

}  // namespace nr::cli
