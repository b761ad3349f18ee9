#include "link/RoomRecord.h"

#include <cmath>

namespace nr {

uint8_t EncodeRoomPosition(float metres) {
  // Single precision throughout, so a typed 0.95 m rounds up to 1.0 m as the user expects.
  const float x = metres > 0 ? metres + 0.05f : metres - 0.05f;
  float tenths = std::fabs(std::trunc(x * 10.0f));
  if (!(tenths < 127.0f)) tenths = 127.0f;  // 7 bits of magnitude; also catches NaN
  uint8_t b = static_cast<uint8_t>(tenths);
  if (x < 0) b |= 0x80;
  return b;
}

float DecodeRoomPosition(uint8_t b) {
  const float magnitude = static_cast<float>(b & 0x7F) / 10.0f;
  // 0x80, the encoding of 0, reads as plain 0 rather than -0, which would print as "-0.0".
  return (b & 0x80) && magnitude != 0.0f ? -magnitude : magnitude;
}

RoomModel DecodeRoomRecord(const uint8_t* r) {
  RoomModel room;
  room.width = r[0];
  room.length = r[1];
  room.listenerX = DecodeRoomPosition(r[2]);
  room.listenerY = DecodeRoomPosition(r[3]);
  for (int n = 0; n < kSpeakerCount; ++n) {
    room.speakerX[static_cast<size_t>(n)] = DecodeRoomPosition(r[4 + 2 * n]);
    room.speakerY[static_cast<size_t>(n)] = DecodeRoomPosition(r[5 + 2 * n]);
  }
  return room;
}

RoomRecord EncodeRoomRecord(const RoomModel& room) {
  RoomRecord r{};
  r[0] = static_cast<uint8_t>(room.width);
  r[1] = static_cast<uint8_t>(room.length);
  r[2] = EncodeRoomPosition(room.listenerX);
  r[3] = EncodeRoomPosition(room.listenerY);
  for (int n = 0; n < kSpeakerCount; ++n) {
    r[static_cast<size_t>(4 + 2 * n)] = EncodeRoomPosition(room.speakerX[static_cast<size_t>(n)]);
    r[static_cast<size_t>(5 + 2 * n)] = EncodeRoomPosition(room.speakerY[static_cast<size_t>(n)]);
  }
  return r;
}

}  // namespace nr
