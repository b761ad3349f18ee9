#include "inputs/SoundField.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "link/Bytes.h"
#include "link/ImageLayout.h"

namespace nr {
namespace {

constexpr std::array<int, kSpeakerCount> kSpeakerCodes{0, 5, 1, 6, 4, 7, 2, 3};
constexpr uint32_t kFilterWord2 = 0x3F7EFF25;  // 0.99608070
constexpr uint32_t kFilterWord3 = 0xBFFF7EF1;  // -1.99606144
constexpr int kLocateModule = 4;
constexpr int kLocateIndex = 0x21;

bool ValidSpeaker(int speaker) { return speaker >= 0 && speaker < kSpeakerCount; }
size_t At(int speaker) { return static_cast<size_t>(speaker); }

// The sound-field area lives in both copies of the image's first bytes: the EQ table the pages
// read and the image a mode file or a bulk write takes.
void StoreArea(DeviceState& s, int offset, const uint8_t* bytes, size_t size) {
  std::memcpy(&s.eqTable[static_cast<size_t>(offset)], bytes, size);
  std::memcpy(&s.image[static_cast<size_t>(offset)], bytes, size);
}

void SendArea(DeviceSession& session, int offset, int size) {
  uint8_t bytes[kRoomRecordSize + kSoundFieldLevelsSize];
  session.Model().Read([&](const DeviceState& s) { std::memcpy(bytes, &s.eqTable[static_cast<size_t>(offset)], static_cast<size_t>(size)); });
  session.WriteImageBytes(offset, std::span<const uint8_t>(bytes, static_cast<size_t>(size)));
}

void StoreLevel(DeviceSession& session, int channel, float levelDb) {
  uint8_t word[4];
  PutBE32(word, FloatBits(levelDb));
  session.Model().Update([&](DeviceState& s) { StoreArea(s, kSoundFieldLevelsOffset + 4 * channel, word, 4); });
  SendArea(session, kSoundFieldLevelsOffset, kSoundFieldLevelsSize);
}

void WriteDistanceFilter(DeviceSession& session, int channel, float levelDb) {
  const DistanceFilterWords words = DistanceFilter(levelDb);
  session.WriteParamBlock(5 + channel, 0x1D, words);
}

void WriteAllLevels(DeviceSession& session) {
  const RoomModel room = session.Model().Read([](const DeviceState& s) { return s.derived.room; });
  for (int speaker = 0; speaker < kSpeakerCount; ++speaker) WriteSpeakerLevel(session, speaker, SpeakerLevelDb(room, speaker));
}

float ClampHalf(float v, int size) {
  const float half = static_cast<float>(size) / 2.0f;
  if (std::isnan(v)) return 0.0f;
  return std::clamp(v, -half, half);
}

}  // namespace

int SpeakerCode(int speaker) { return ValidSpeaker(speaker) ? kSpeakerCodes[At(speaker)] : -1; }

float SpeakerDistance(const RoomModel& room, int speaker) {
  if (!ValidSpeaker(speaker)) return 0.0f;
  const float dx = room.listenerX - room.speakerX[At(speaker)];
  const float dy = room.listenerY - room.speakerY[At(speaker)];
  return std::sqrt(dx * dx + dy * dy);
}

float SpeakerLevelDb(const RoomModel& room, int speaker) { return 3.0f - 3.0f * SpeakerDistance(room, speaker); }

DistanceFilterWords DistanceFilter(float x) {
  // The factors are single-precision constants and the square and products single-precision
  // values; only the powers are taken in double precision.
  const float exponent = 0.0022594517f * (x * x) + 0.7999020f * x;
  const auto g1 = static_cast<float>(std::pow(10.0, static_cast<double>(x) / 20.0));
  const auto g2 = static_cast<float>(std::pow(10.0, static_cast<double>(exponent) / 20.0));
  const uint32_t words[6] = {FloatBits(g1), FloatBits(g2), kFilterWord2, kFilterWord3, FloatBits(g1), FloatBits(g2)};
  DistanceFilterWords out{};
  for (size_t i = 0; i < 6; ++i) PutBE32(&out[4 * i], words[i]);
  return out;
}

int ChannelAtPosition(const DeviceState& s, int code) {
  for (int channel = 0; channel < kOutputCount; ++channel)
    if (s.IntValue(5 + channel, 0x10) == code) return channel;
  return -1;
}

float SoundFieldLevel(const DeviceState& s, int channel) {
  return BitsFloat(GetBE32(&s.eqTable[static_cast<size_t>(kSoundFieldLevelsOffset + 4 * channel)]));
}

int LocatedCode(const DeviceState& s) { return s.eqTable[kLocatedSpeakerOffset]; }

int SoundFieldVolume(const DeviceState& s, int channel) { return s.IntValue(5 + channel, 0x18); }

float ClampToRoomX(const RoomModel& room, float x) { return ClampHalf(x, room.width); }
float ClampToRoomY(const RoomModel& room, float y) { return ClampHalf(y, room.length); }

void SendRoom(DeviceSession& session) {
  session.Model().Update([](DeviceState& s) {
    const RoomRecord record = EncodeRoomRecord(s.derived.room);
    StoreArea(s, kRoomRecordOffset, record.data(), record.size());
  });
  SendArea(session, kRoomRecordOffset, kRoomRecordSize);
}

void WriteSpeakerLevel(DeviceSession& session, int speaker, float levelDb) {
  const int channel = session.Model().Read([&](const DeviceState& s) { return ChannelAtPosition(s, SpeakerCode(speaker)); });
  if (channel < 0) return;
  StoreLevel(session, channel, levelDb);
  WriteDistanceFilter(session, channel, levelDb);
}

void MoveSpeaker(DeviceSession& session, int speaker, float x, float y) {
  if (!ValidSpeaker(speaker)) return;
  const RoomModel room = session.Model().Update([&](DeviceState& s) {
    RoomModel& r = s.derived.room;
    r.speakerX[At(speaker)] = ClampToRoomX(r, x);
    r.speakerY[At(speaker)] = ClampToRoomY(r, y);
    return r;
  });
  SendRoom(session);
  WriteSpeakerLevel(session, speaker, SpeakerLevelDb(room, speaker));
}

void MoveListener(DeviceSession& session, float x, float y) {
  session.Model().Update([&](DeviceState& s) {
    RoomModel& r = s.derived.room;
    r.listenerX = ClampToRoomX(r, x);
    r.listenerY = ClampToRoomY(r, y);
  });
  SendRoom(session);
  WriteAllLevels(session);
}

void CenterListener(DeviceSession& session) {
  session.Model().Update([](DeviceState& s) { s.derived.room.listenerX = 0.0f; });
  SendRoom(session);
  session.Model().Update([](DeviceState& s) { s.derived.room.listenerY = 0.0f; });
  SendRoom(session);
  WriteAllLevels(session);
}

void SetRoomSize(DeviceSession& session, int width, int length) {
  session.Model().Update([&](DeviceState& s) {
    s.derived.room.width = std::clamp(width, kRoomMinSize, kRoomMaxSize);
    s.derived.room.length = std::clamp(length, kRoomMinSize, kRoomMaxSize);
  });
  SendRoom(session);
}

void Locate(DeviceSession& session, int code) {
  const auto byte = static_cast<uint8_t>(code >= 0 && code < kLocateNone ? code : kLocateNone);
  session.Model().Update([&](DeviceState& s) { StoreArea(s, kLocatedSpeakerOffset, &byte, 1); });
  session.WriteImageBytes(kLocatedSpeakerOffset, std::span<const uint8_t>(&byte, 1));
  const uint8_t word[4] = {0, 0, 0, byte};
  session.WriteDspWords(kLocateModule, kLocateIndex, word);
}

void ResetSoundField(DeviceSession& session) {
  for (int channel = 0; channel < kOutputCount; ++channel) {
    StoreLevel(session, channel, 0.0f);
    WriteDistanceFilter(session, channel, 0.0f);
  }
  // Decoded and encoded again, so the zero positions of the factory record go out as 0x80.
  session.Model().Update([](DeviceState& s) { s.derived.room = DecodeRoomRecord(kDefaultRoomRecord.data()); });
  SendRoom(session);
}

void SetSoundFieldVolume(DeviceSession& session, int channel, int percent) {
  if (channel >= 0 && channel < kOutputCount)
    session.SetParam(5 + channel, 0x18, std::clamp(percent, 0, kSoundFieldVolumeMax));
}

}  // namespace nr
