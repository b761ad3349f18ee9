#pragma once
// The text nrctl prints about a device: its identification after a read, and one decoded
// status answer (level meters, decoder format, pitch, wireless microphones, converter chips).
#include <iosfwd>

#include "link/DeviceState.h"

namespace nr::cli {

// "module: ...", "mcu version: ...", "dsp version: ...", "communication version: N",
// "current mode: M1".."M4", "machine settings: " and the 14 bytes in hex.
void WriteDeviceInfo(std::ostream& out, const DeviceState& state);

// "meters: ...", "decoder: ...", "pitch: ...", "mic A: ...", "mic B: ...", "converters: ...".
void WriteDeviceStatus(std::ostream& out, const DeviceStatus& status);

// Names as the About box shows them: decoder formats 0..8 (nullptr beyond), and the converter
// chip of each slot (an unknown number gives the table's first entry).
const char* DecoderFormatName(int index);
const char* MicConverterName(int chip);
const char* MusicConverterName(int chip);
const char* OutputConverterName(int chip);

}  // namespace nr::cli
