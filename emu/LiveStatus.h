#pragma once
// The live status the emulated device reports to the status poll: level meters that move like
// programme material, the decoder format, the pitch, two wireless microphones and the converter
// chips fitted. Everything is a pure function of time, so tests can ask for any instant.
#include <array>
#include <cstdint>

namespace nr::emu {

inline constexpr int kStatusSize = 30;
using StatusBytes = std::array<uint8_t, kStatusSize>;

struct StatusInputs {
  double seconds = 0;     // time since the device started
  uint8_t pitchByte = 5;  // low byte of the pitch word: pitch + 5
  uint8_t inputFormat = 7;
};

// Level of meter 0..5 (microphones 1..4, music upper and lower) in 0..100 at a given time:
// a smooth, deterministic envelope with occasional peaks.
int MeterLevel(int meter, double seconds);

StatusBytes BuildStatus(const StatusInputs& in);

}  // namespace nr::emu
