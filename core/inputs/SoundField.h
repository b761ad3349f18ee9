#pragma once
// Sound-field placement: the room with its listener and eight loudspeakers, and the level each
// loudspeaker's output channel gets from its distance to the listener (+3 dB at the listener,
// 0 dB at 1 m, 3 dB less per further metre). The room lives in the image as a 20-byte record,
// the levels as a table of eight floats, both in the area after the EQ bands.
#include <array>
#include <cstdint>

#include "link/RoomRecord.h"
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"

namespace nr {

inline constexpr int kRoomMinSize = 1;   // metres
inline constexpr int kRoomMaxSize = 10;
inline constexpr int kLocateNone = 8;    // the located-loudspeaker byte when none is located
inline constexpr int kSoundFieldVolumeMax = 500;  // percent

// Position code carried by loudspeaker 0..7 (shown as 1..8: L, CEN, R, SBL, SUB, SBR, SL, SR).
int SpeakerCode(int speaker);

// Distance in metres (single precision) and the level in dB, g = 3 - 3 d.
float SpeakerDistance(const RoomModel& room, int speaker);
float SpeakerLevelDb(const RoomModel& room, int speaker);

// The six words of a channel's distance filter for a level in dB: g1, g2, two fixed words, g1, g2.
using DistanceFilterWords = std::array<uint8_t, 24>;
DistanceFilterWords DistanceFilter(float levelDb);

// The first output channel (0..7) at a position code, or -1.
int ChannelAtPosition(const DeviceState& s, int code);

float SoundFieldLevel(const DeviceState& s, int channel);  // dB, from the level table
int LocatedCode(const DeviceState& s);                     // 0..7, or 8 for none
int SoundFieldVolume(const DeviceState& s, int channel);   // percent 0..500

// Positions kept within the room: x in [-W/2, W/2], y in [-L/2, L/2].
float ClampToRoomX(const RoomModel& room, float x);
float ClampToRoomY(const RoomModel& room, float y);

// Encodes the room, stores the record and sends it (0x85, 20 bytes).
void SendRoom(DeviceSession& session);
// Stores the level for the first channel carrying the loudspeaker's code, sends the level table
// and that channel's distance filter. A code no channel carries gets nothing.
void WriteSpeakerLevel(DeviceSession& session, int speaker, float levelDb);
// Moves an item (clamped into the room), sends the room and the levels that follow: one for a
// loudspeaker, all eight for the listener.
void MoveSpeaker(DeviceSession& session, int speaker, float x, float y);
void MoveListener(DeviceSession& session, float x, float y);
// The listener to the middle of the room: sends the room after each coordinate, then all levels.
void CenterListener(DeviceSession& session);
// Width and length limited to 1..10 m; positions stay where they are.
void SetRoomSize(DeviceSession& session, int width, int length);
// Makes the device identify the loudspeaker at position code 0..7; 8 stops it.
void Locate(DeviceSession& session, int code);
// Eight zero levels and flat distance filters, then the factory room.
void ResetSoundField(DeviceSession& session);
// The channel's sound-field volume, percent 0..500.
void SetSoundFieldVolume(DeviceSession& session, int channel, int percent);

}  // namespace nr
