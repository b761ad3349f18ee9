#pragma once
// The sound-field room: its size, the listener and eight loudspeakers, kept in the image as a
// 20-byte record of sign-magnitude tenths of a metre.
#include <array>
#include <cstdint>

namespace nr {

inline constexpr int kSpeakerCount = 8;

struct RoomModel {
  int width = 4;   // metres, 1..10
  int length = 4;  // metres, 1..10
  float listenerX = 0.0f;
  float listenerY = 0.0f;
  std::array<float, kSpeakerCount> speakerX{-1.0f, 0.0f, 1.0f, -1.0f, 0.0f, 1.0f, -0.5f, 0.5f};
  std::array<float, kSpeakerCount> speakerY{1.0f, 1.0f, 1.0f, -1.0f, -1.0f, -1.0f, 0.0f, 0.0f};
  bool operator==(const RoomModel&) const = default;
};

using RoomRecord = std::array<uint8_t, 20>;

// The factory room record: 4 m x 4 m, listener in the middle, loudspeakers at their defaults.
inline constexpr RoomRecord kDefaultRoomRecord{0x04, 0x04, 0x00, 0x00, 0x8A, 0x0A, 0x00, 0x0A, 0x0A, 0x0A,
                                               0x8A, 0x8A, 0x00, 0x8A, 0x0A, 0x8A, 0x85, 0x00, 0x05, 0x00};

// One position as sign-magnitude tenths: bit 7 set for negative. Values are rounded half away
// from zero; 0 itself encodes as 0x80 (a "negative zero"), which the device accepts.
uint8_t EncodeRoomPosition(float metres);
float DecodeRoomPosition(uint8_t b);

RoomModel DecodeRoomRecord(const uint8_t* record);  // 20 bytes
RoomRecord EncodeRoomRecord(const RoomModel& room);

}  // namespace nr
