#pragma once
// What each byte of the machine-settings record (DeviceState::machine) holds.
#include <cstdint>

namespace nr {

namespace machine {
inline constexpr int kSaveMode = 0;       // bytes 0..2: 0 kept over power cycles, 1 kept per mode
inline constexpr int kMicStart = 3;       // 1..99, 0 = no start volume
inline constexpr int kMusicStart = 4;
inline constexpr int kMicMax = 5;         // 0..99, also the limit of the live slider
inline constexpr int kMusicMax = 6;
inline constexpr int kPanelLock = 7;
inline constexpr int kLockFlags = 8;      // bits 0, 1, 7 volume lock; bit 4 mode lock
inline constexpr int kPowerOnMode = 11;   // 0 automatic, 1..4 = M1..M4
inline constexpr int kOutputOptions = 12;  // bit 0 HDMI mute; high nibble the surround route
inline constexpr uint8_t kVolumeLockBits = 0x83;
inline constexpr uint8_t kModeLockBit = 0x10;
inline constexpr int kVolumeMax = 99;
inline constexpr int kPowerOnModes = 5;   // automatic, M1..M4
}  // namespace machine

}  // namespace nr
