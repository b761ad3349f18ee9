// Sound-field placement: the room record's encoding, the level of each loudspeaker, and what a
// move, a room change, locate and reset send.
#include <gtest/gtest.h>

#include "core/outputs/OutputFixture.h"
#include "inputs/SoundField.h"
#include "link/ImageLayout.h"

namespace nr {
namespace {

using test::Hex;

class SoundField : public test::OutputTest {
 protected:
  // Image writes (0x85) to an offset, as hex, in order.
  std::vector<std::string> AreaWrites(int offset) const {
    std::vector<std::string> out;
    for (const test::Sent& s : SentPackets())
      if (s.code == 0x85 && s.offset == offset) out.push_back(Hex(s.data));
    return out;
  }
  // Distance-filter blocks sent, as "module: words".
  std::vector<std::string> Filters() const {
    std::vector<std::string> out;
    for (const test::Sent& s : SentPackets())
      if (s.code == 0x09 && s.index == 0x1D) out.push_back(std::to_string(s.module) + ": " + Hex(s.data));
    return out;
  }
  float Level(int channel) const { return SoundFieldLevel(State(), channel); }
};

TEST(RoomRecord, PositionsAreSignMagnitudeTenths) {
  struct Case {
    float metres;
    uint8_t byte;
  };
  for (const Case c : {Case{-0.05f, 0x81}, Case{0.04f, 0x00}, Case{0.0f, 0x80}, Case{-5.0f, 0xB2}, Case{1.0f, 0x0A},
                       Case{0.95f, 0x0A}, Case{-1.0f, 0x8A}, Case{50.0f, 0x7F}})
    EXPECT_EQ(EncodeRoomPosition(c.metres), c.byte) << c.metres;
  EXPECT_EQ(DecodeRoomPosition(0xB2), -5.0f);
  EXPECT_EQ(DecodeRoomPosition(0x80), 0.0f);
  const RoomModel room = DecodeRoomRecord(kDefaultRoomRecord.data());
  EXPECT_EQ(room.speakerX[0], -1.0f);
  EXPECT_EQ(room.speakerY[6], 0.0f);
  EXPECT_EQ(room.width, 4);
}

TEST_F(SoundField, LevelFallsThreeDecibelsPerMetre) {
  RoomModel room;  // listener at 0, 0; loudspeaker 1 at -1, +1
  EXPECT_NEAR(SpeakerDistance(room, 0), 1.414f, 1e-3);
  EXPECT_NEAR(SpeakerLevelDb(room, 0), -1.243f, 1e-3);
  EXPECT_EQ(SpeakerLevelDb(room, 1), 0.0f);  // centre loudspeaker 1 m ahead
  room.listenerX = room.speakerX[5];
  room.listenerY = room.speakerY[5];
  EXPECT_EQ(SpeakerLevelDb(room, 5), 3.0f);
  EXPECT_EQ(Hex(DistanceFilter(0.0f)), "3F 80 00 00 3F 80 00 00 3F 7E FF 25 BF FF 7E F1 3F 80 00 00 3F 80 00 00");
  EXPECT_EQ(Hex(DistanceFilter(-6.0f)), "3F 00 4D CE 3F 14 B5 6D 3F 7E FF 25 BF FF 7E F1 3F 00 4D CE 3F 14 B5 6D");
}

TEST_F(SoundField, MovingALoudspeakerSendsRoomLevelAndFilter) {
  MoveSpeaker(session, 0, -1.0f, 1.0f);
  EXPECT_EQ(Trail(), (std::vector<std::string>{"@1803", "@1771", "5/1D"}));
  // Zero positions go out as 0x80.
  EXPECT_EQ(AreaWrites(1803)[0], "04 04 80 80 8A 0A 80 0A 0A 0A 8A 8A 80 8A 0A 8A 85 80 05 80");
  EXPECT_EQ(AreaWrites(1771)[0].substr(0, 11), "BF 9F 0E D8");  // -1.2426405 dB for output 1
  EXPECT_EQ(Filters()[0], "5: 3F 5D DF F2 3F 64 68 EE 3F 7E FF 25 BF FF 7E F1 3F 5D DF F2 3F 64 68 EE");
  EXPECT_NEAR(Level(0), -1.2426f, 1e-4);

  // Typed positions are kept inside the room.
  sink.Clear();
  MoveSpeaker(session, 2, 9.0f, -9.0f);
  EXPECT_EQ(State().derived.room.speakerX[2], 2.0f);
  EXPECT_EQ(State().derived.room.speakerY[2], -2.0f);
  EXPECT_EQ(AreaWrites(1803)[0].substr(24, 5), "14 94");
}

TEST_F(SoundField, OnlyTheFirstChannelWithTheCodeGetsTheLevel) {
  Position(3, kPosFrontLeft);  // outputs 1 and 4 both at FL
  MoveSpeaker(session, 0, 0.0f, 0.0f);
  EXPECT_EQ(Filters().size(), 1u);
  EXPECT_EQ(Filters()[0].substr(0, 2), "5:");
  EXPECT_EQ(Level(0), 3.0f);
  EXPECT_EQ(Level(3), 0.0f);
  // A code that no channel carries gets nothing.
  Position(1, kPosFrontLeft);
  sink.Clear();
  WriteSpeakerLevel(session, 2, -3.0f);  // loudspeaker 3 (R): nobody at FR now
  EXPECT_TRUE(sink.Packets().empty());
}

TEST_F(SoundField, ListenerMovesWriteEveryLevelAndCenterSendsTheRoomTwice) {
  MoveListener(session, 1.0f, -1.0f);
  EXPECT_EQ(AreaWrites(1803).size(), 1u);
  EXPECT_EQ(Filters().size(), 8u);
  const RoomModel room = State().derived.room;
  for (int speaker = 0; speaker < kSpeakerCount; ++speaker)
    EXPECT_EQ(Level(SpeakerCode(speaker)), SpeakerLevelDb(room, speaker)) << speaker;
  EXPECT_EQ(Level(7), 3.0f);  // listener on the SBR loudspeaker (output 8)

  sink.Clear();
  CenterListener(session);
  const auto rooms = AreaWrites(1803);
  ASSERT_EQ(rooms.size(), 2u);
  EXPECT_EQ(rooms[0].substr(6, 5), "80 8A");  // x first ...
  EXPECT_EQ(rooms[1].substr(6, 5), "80 80");  // ... then y
  EXPECT_EQ(Filters().size(), 8u);
}

TEST_F(SoundField, RoomSizeIsClampedAndPositionsStay) {
  MoveSpeaker(session, 7, 1.5f, 0.0f);
  sink.Clear();
  SetRoomSize(session, 0, 12);
  EXPECT_EQ(State().derived.room.width, 1);
  EXPECT_EQ(State().derived.room.length, 10);
  EXPECT_EQ(State().derived.room.speakerX[7], 1.5f);
  EXPECT_EQ(AreaWrites(1803)[0].substr(0, 5), "01 0A");
  EXPECT_EQ(ClampToRoomX(State().derived.room, -3.0f), -0.5f);
  EXPECT_EQ(ClampToRoomY(State().derived.room, 4.9f), 4.9f);
}

TEST_F(SoundField, LocateStoresTheCodeAndTellsTheDevice) {
  Locate(session, 5);
  Locate(session, 8);
  Locate(session, 42);  // not a code: none
  EXPECT_EQ(test::HexPayloads(sink), (std::vector<std::string>{"85 07 23 01 05", "09 00 04 21 01 00 00 00 05",
                                                               "85 07 23 01 08", "09 00 04 21 01 00 00 00 08",
                                                               "85 07 23 01 08", "09 00 04 21 01 00 00 00 08"}));
  EXPECT_EQ(LocatedCode(State()), 8);
}

TEST_F(SoundField, ResetWritesZeroLevelsAndTheFactoryRoom) {
  SetSoundFieldVolume(session, 2, 250);
  MoveListener(session, 1.0f, 1.0f);
  SetRoomSize(session, 7, 3);
  sink.Clear();
  ResetSoundField(session);
  const auto levels = AreaWrites(1771);
  ASSERT_EQ(levels.size(), 8u);
  EXPECT_EQ(levels.back(), Hex(std::array<uint8_t, 32>{}));
  const auto filters = Filters();
  ASSERT_EQ(filters.size(), 8u);
  EXPECT_EQ(filters[7], "12: " + Hex(DistanceFilter(0.0f)));
  EXPECT_EQ(AreaWrites(1803), std::vector<std::string>{"04 04 80 80 8A 0A 80 0A 0A 0A 8A 8A 80 8A 0A 8A 85 80 05 80"});
  EXPECT_EQ(State().derived.room.listenerX, 0.0f);
  EXPECT_EQ(SoundFieldVolume(State(), 2), 250);
  // The level table and the room are in both copies of the area, for pages and mode files.
  const DeviceState s = State();
  EXPECT_EQ(s.image[kRoomRecordOffset + 2], 0x80);
  EXPECT_EQ(s.eqTable[kRoomRecordOffset + 2], 0x80);
}

}  // namespace
}  // namespace nr
