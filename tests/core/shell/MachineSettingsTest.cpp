// The machine-settings record: byte rules, the edits that move the live volumes, applying.
#include <gtest/gtest.h>

#include "shell/MachineSettings.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Hex;

class MachineSettingsOps : public ::testing::Test {
 protected:
  MachineSettingsOps() {
    model.Update([](DeviceState& s) {
      s.machine = MachineSettings{0, 0, 0, 60, 30, 99, 99, 0, 0, 0x5A, 0xA5, 0, 0, 0x77};
      s.machineEdit = s.machine;
    });
  }
  MachineSettings Edit() { return model.Read([](const DeviceState& s) { return s.machineEdit; }); }
  std::vector<std::string> Sent() { return test::HexPayloads(sink); }

  DeviceModel model;
  test::RecordingSink sink;
  DeviceSession session{model, sink};
};

TEST(MachineSettingsRules, EachRuleTouchesOnlyItsBytes) {
  MachineSettings s{};
  s[8] = 0x44;  // bits the lock rules do not own
  SetSaveByMode(s, true);
  EXPECT_EQ(Hex(s), "01 01 01 00 00 00 00 00 44 00 00 00 00 00");
  SetSaveByMode(s, false);
  EXPECT_EQ(s[0] + s[1] + s[2], 0);

  SetVolumeLock(s, true);
  EXPECT_EQ(s[8], 0xC7);
  SetModeLock(s, true);
  EXPECT_EQ(s[8], 0xD7);
  SetVolumeLock(s, false);
  EXPECT_EQ(s[8], 0x54);
  SetModeLock(s, false);
  EXPECT_EQ(s[8], 0x44);

  // HDMI mute and the surround route share byte 12 without disturbing each other.
  SetHdmiMute(s, true);
  SetSurroundRoute(s, SurroundRoute::kBack);
  EXPECT_EQ(s[12], 0x11);
  SetSurroundRoute(s, SurroundRoute::kBoth);
  EXPECT_EQ(s[12], 0x21);
  SetHdmiMute(s, false);
  EXPECT_EQ(s[12], 0x20);
  SetSurroundRoute(s, SurroundRoute::kSide);
  EXPECT_EQ(s[12], 0x00);

  SetPowerOnMode(s, 4);
  EXPECT_EQ(s[11], 4);
  SetPowerOnMode(s, 9);
  EXPECT_EQ(s[11], 4);
  SetPanelLock(s, true);
  EXPECT_EQ(s[7], 1);
}

TEST(MachineSettingsRules, DecodesTheRecord) {
  const MachineSettings s{1, 1, 1, 0, 45, 80, 70, 1, 0x10, 0, 0, 2, 0x11, 0};
  const MachineSettingsView v = DecodeMachineSettings(s);
  EXPECT_TRUE(v.saveByMode);
  EXPECT_EQ(v.micStart, 0);
  EXPECT_EQ(v.musicStart, 45);
  EXPECT_EQ(v.micMax, 80);
  EXPECT_EQ(v.musicMax, 70);
  EXPECT_TRUE(v.panelLock);
  EXPECT_FALSE(v.volumeLock);
  EXPECT_TRUE(v.modeLock);
  EXPECT_EQ(v.powerOnMode, 2);
  EXPECT_TRUE(v.hdmiMute);
  EXPECT_EQ(v.route, SurroundRoute::kBack);
  EXPECT_FALSE(DecodeMachineSettings(MachineSettings{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x30, 0}).route.has_value());
}

TEST_F(MachineSettingsOps, LoweringTheMaximumPullsTheStartVolumeAndTheLiveVolumeDown) {
  EXPECT_EQ(MoveMaxVolume(session, VolumeChannel::kMic, 40), 40);
  EXPECT_EQ(Edit()[5], 40);
  EXPECT_EQ(Edit()[3], 40);
  EXPECT_EQ(Sent(), std::vector<std::string>{"09 00 01 0E 01 3E CC CC D0"});  // (1, 14) = 40
  EXPECT_EQ(model.Read([](const DeviceState& s) { return s.IntValue(1, 0x0E); }), 40);

  // Above the start volume, or with the start volume off, only the maximum changes.
  sink.Clear();
  EXPECT_EQ(MoveMaxVolume(session, VolumeChannel::kMusic, 50), 30);
  EXPECT_TRUE(Sent().empty());
  EnableStartVolume(session, VolumeChannel::kMusic, false);
  EXPECT_EQ(MoveMaxVolume(session, VolumeChannel::kMusic, 10), 0);
  EXPECT_EQ(Edit()[4], 0);
  EXPECT_TRUE(Sent().empty());
  // The device copy is untouched until Apply.
  EXPECT_EQ(model.Read([](const DeviceState& s) { return s.machine[5]; }), 99);

  // A maximum of 0 takes the start volume's slider to 0: no start volume, and a live volume of 0,
  // not one left at 40 above its own limit.
  sink.Clear();
  EXPECT_EQ(MoveMaxVolume(session, VolumeChannel::kMic, 0), 0);
  EXPECT_EQ(Edit()[3], 0);
  EXPECT_EQ(Edit()[5], 0);
  EXPECT_EQ(Sent(), std::vector<std::string>{"09 00 01 0E 01 00 00 00 00"});  // (1, 14) = 0
  EXPECT_EQ(model.Read([](const DeviceState& s) { return s.IntValue(1, 0x0E); }), 0);
}

TEST_F(MachineSettingsOps, StartVolumesFollowTheLiveVolumeAndStayWithinTheMaximum) {
  MoveStartVolume(session, VolumeChannel::kMusic, 25);
  EXPECT_EQ(Edit()[4], 25);
  EXPECT_EQ(Sent(), std::vector<std::string>{"09 00 04 0C 01 3E 80 00 03"});  // (4, 12) = 25

  sink.Clear();
  MoveMaxVolume(session, VolumeChannel::kMic, 70);
  session.SetParam(1, 0x0E, 88);  // the live volume is above the new maximum
  sink.Clear();
  EXPECT_EQ(EnableStartVolume(session, VolumeChannel::kMic, false), 0);
  EXPECT_EQ(Edit()[3], 0);
  EXPECT_EQ(EnableStartVolume(session, VolumeChannel::kMic, true), 70);
  session.SetParam(4, 0x0C, 0);
  EXPECT_EQ(EnableStartVolume(session, VolumeChannel::kMusic, true), 1);  // never 0 while on
  EXPECT_EQ(Sent().size(), 1u);  // enabling sends nothing itself
  EXPECT_EQ(ClampStartVolume(50, 0), 0);
}

TEST_F(MachineSettingsOps, ApplySendsTheEditCopyAndDiscardRestoresIt) {
  EditMachineSettings(model, [](MachineSettings& s) {
    SetHdmiMute(s, true);
    SetSurroundRoute(s, SurroundRoute::kBack);
  });
  DiscardMachineEdits(model);
  EXPECT_EQ(Edit()[12], 0);

  EnableStartVolume(session, VolumeChannel::kMic, false);
  EditMachineSettings(model, [](MachineSettings& s) { SetPowerOnMode(s, 3); });
  ApplyMachineSettings(session);
  EXPECT_EQ(Sent(), std::vector<std::string>{"91 00 00 00 00 1E 63 63 00 00 5A A5 03 00 77"});
  EXPECT_EQ(model.Read([](const DeviceState& s) { return s.machine; }), Edit());
}

}  // namespace
}  // namespace nr
