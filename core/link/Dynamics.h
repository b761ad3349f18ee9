#pragma once
// The 7-word dynamics block shared by the output compressors, the record compressor and the
// automatic music level: threshold, 0, 1 - 1/ratio, 20.0, 0.05, attack and release coefficients.
#include <array>
#include <cstdint>

#include "link/DeviceState.h"

namespace nr {

inline constexpr int kDynamicsWords = 7;
using DynamicsBlock = std::array<uint8_t, 4 * kDynamicsWords>;

DynamicsBlock EncodeDynamics(const DynamicsSettings& d);
DynamicsSettings DecodeDynamics(const uint8_t* words);

// (module, index) of dynamics unit 0..7 (outputs 1..8) or 8 (record output).
inline constexpr int DynamicsModule(int unit) { return unit == 8 ? 13 : unit + 5; }
inline constexpr int DynamicsIndex(int unit) { return unit == 8 ? 0x04 : 0x1B; }

}  // namespace nr
