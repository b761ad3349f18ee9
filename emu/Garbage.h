#pragma once
// Line noise for robustness tests of the PC's receive path.
//
// The PC keeps bytes that do not begin with a frame start buffered until its 260-byte buffer
// overflows, and only recognises the heartbeat at the start of a received chunk; loose noise
// bytes between frames would therefore stall it and lose the answers behind them, which no real
// line does. The noise is made of short frames instead: a correct start byte and length, so the
// PC's parser stays in step, but a wrong checksum, so it drops them (and traces the checksum
// error) without taking them for an answer. They are kept short so that they never push a
// partly received answer out of the PC's buffer.
#include <cstdint>
#include <optional>
#include <vector>

namespace nr::emu {

class GarbageFrames {
 public:
  explicit GarbageFrames(uint32_t seed) : state_(seed * 2654435761u + 0x6D2B79F5u) {}

  // A bogus frame to put before the next answer, or nothing this time (about every other
  // answer gets one). Deterministic for a given seed.
  std::optional<std::vector<uint8_t>> Next();

  // A frame of L = 2..6 whose checksum is wrong.
  static std::vector<uint8_t> BadFrame(uint32_t random);

 private:
  uint32_t NextRandom();
  uint32_t state_;
};

}  // namespace nr::emu
