#pragma once
// How much one write to the device can carry, for those who check a request before it is built.

namespace nr {

inline constexpr int kMaxDspWords = 13;  // words that fit one 0x09 payload (5 + 4 x 13 = 57)

}  // namespace nr
