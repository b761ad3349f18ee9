#include "emu/Garbage.h"

#include "link/FrameCodec.h"

namespace nr::emu {

uint32_t GarbageFrames::NextRandom() {
  // xorshift32: cheap, and the same noise on every run for a given session.
  uint32_t x = state_ ? state_ : 0x9E3779B9u;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  state_ = x;
  return x;
}

std::optional<std::vector<uint8_t>> GarbageFrames::Next() {
  const uint32_t r = NextRandom();
  if ((r & 1u) == 0) return std::nullopt;
  return BadFrame(r >> 1);
}

std::vector<uint8_t> GarbageFrames::BadFrame(uint32_t random) {
  const uint8_t length = static_cast<uint8_t>(2 + random % 5);
  std::vector<uint8_t> frame{kFrameStart, length};
  uint8_t checksum = 0xFF ^ length;
  for (int i = 0; i < length - 1; ++i) {
    random = random * 1103515245u + 12345u;
    const auto b = static_cast<uint8_t>(random >> 16);
    frame.push_back(b);
    checksum ^= b;
  }
  frame.push_back(static_cast<uint8_t>(checksum ^ 0xA5));  // never the right one
  return frame;
}

}  // namespace nr::emu
