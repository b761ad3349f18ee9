// Replies from the device: how each one changes the model, what the application hears, and that
// no reply, however short or odd, reads or writes outside its fields.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "link/Bytes.h"
#include "link/Dispatcher.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Bytes;

struct EventLog : LinkEvents {
  int bulkReads = 0;
  std::vector<int> learned;
  std::vector<std::string> errors;
  std::vector<std::pair<int, int>> eqChanges;
  std::vector<Bytes> zwave;
  void BulkReadRequested() override { ++bulkReads; }
  void RemoteKeyLearned(int code) override { learned.push_back(code); }
  void ErrorReport(const std::string& text) override { errors.push_back(text); }
  void EqTableChanged(int offset, int length) override { eqChanges.emplace_back(offset, length); }
  void ZWaveFrame(std::span<const uint8_t> bytes) override { zwave.emplace_back(bytes.begin(), bytes.end()); }
};

class DispatcherTest : public ::testing::Test {
 protected:
  // A USB input report: identifier, code, arguments, zero padding to 61 bytes.
  void Usb(std::initializer_list<uint8_t> bytes) {
    Bytes report(61, 0);
    std::copy(bytes.begin(), bytes.end(), report.begin());
    dispatcher.DispatchPacket(report);
  }
  void Net(std::initializer_list<uint8_t> bytes) { dispatcher.DispatchPacket(Bytes(bytes)); }
  DeviceState State() { return model.Snapshot(); }

  DeviceModel model;
  EventLog events;
  AutoResetEvent answer{false};
  Dispatcher dispatcher{model, events, answer};
};

TEST_F(DispatcherTest, EveryPacketReleasesExactlyOneSender) {
  Net({0x81, 0x33});  // a code nobody knows
  EXPECT_TRUE(answer.Wait(std::chrono::milliseconds(0)));
  EXPECT_FALSE(answer.Wait(std::chrono::milliseconds(0)));
  Net({0x81, 0x05});
  EXPECT_TRUE(answer.Wait(std::chrono::milliseconds(0)));
  EXPECT_FALSE(answer.Wait(std::chrono::milliseconds(0)));
  EXPECT_EQ(events.bulkReads, 1);
  Net({0x81});  // no code at all
  EXPECT_TRUE(answer.Wait(std::chrono::milliseconds(0)));
}

// The controller's own frames and learned keys come by themselves: they must not pass for the
// answer a waiting write still expects.
TEST_F(DispatcherTest, ControllerFramesAndLearnedKeysReleaseNoSender) {
  Net({0x81, 0x12, 0x03, 0x01, 0x02, 0x03});
  Net({0x81, 0x60, 0x01, 0x03, 0x47});
  EXPECT_FALSE(answer.Wait(std::chrono::milliseconds(0)));
  Net({0x81, 0x13});
  EXPECT_TRUE(answer.Wait(std::chrono::milliseconds(0)));
}

TEST_F(DispatcherTest, ImageChunksAreCutAtTheEndOfTheImage) {
  Bytes reply(61, 0xAB);
  reply[0] = 0x02;
  reply[1] = 0x30;
  PutBE16(&reply[2], 3900);
  reply[4] = 56;
  dispatcher.DispatchPacket(reply);
  const DeviceState s = State();
  for (int i = 3900; i < kImageSize; ++i) EXPECT_EQ(s.image[static_cast<size_t>(i)], 0xAB) << i;
  EXPECT_NE(s.image[3899], 0xAB);

  PutBE16(&reply[2], 3912);
  reply.assign(reply.size(), 0xCD);
  reply[1] = 0x30;
  PutBE16(&reply[2], 3912);
  reply[4] = 56;
  dispatcher.DispatchPacket(reply);
  EXPECT_EQ(State().image, s.image);

  // A network chunk that declares more data than it carries copies only what arrived.
  Net({0x81, 0x30, 0x00, 0x10, 56, 1, 2, 3});
  const DeviceState t = State();
  EXPECT_EQ(t.image[16], 1);
  EXPECT_EQ(t.image[18], 3);
  EXPECT_EQ(t.image[19], s.image[19]);
}

TEST_F(DispatcherTest, EqTableUpdates) {
  const DeviceState before = State();
  Usb({0x02, 0x86, 0x00, 0x00, 0x02, 0xFF, 0xFF});
  DeviceState s = State();
  for (int i = 0; i < kEqAreaSize; ++i) ASSERT_EQ(s.eqTable[static_cast<size_t>(i)], 0) << i;
  EXPECT_EQ(std::memcmp(&s.eqTable[1771], &before.eqTable[1771], kEqTableSize - 1771), 0);

  Usb({0x02, 0x86, 0x06, 0xEE, 0x07, 1, 2, 3, 4, 5, 6, 7});  // offset 1774: neither a band nor a record start
  EXPECT_EQ(State().eqTable, s.eqTable);

  Usb({0x02, 0x86, 0x06, 0xE7, 0x07, 1, 2, 3, 4, 5, 6, 7});  // offset 1767: cut at the end of the band area
  s = State();
  EXPECT_EQ(s.eqTable[1770], 4);
  EXPECT_EQ(s.eqTable[1771], before.eqTable[1771]);

  Usb({0x02, 0x86, 0x07, 0x0B, 20, 6, 5, 0x85, 0x05});  // room record
  s = State();
  EXPECT_EQ(s.derived.room.width, 6);
  EXPECT_EQ(s.derived.room.length, 5);
  EXPECT_FLOAT_EQ(s.derived.room.listenerX, -0.5f);
  EXPECT_FLOAT_EQ(s.derived.room.listenerY, 0.5f);

  Usb({0x02, 0x86, 0x07, 0x1F, 56, 0x40, 0xA0, 0, 0, 9, 9});  // level float, cut at its 4 bytes
  s = State();
  EXPECT_EQ(s.eqTable[1823], 0x40);
  EXPECT_EQ(s.eqTable[1827], 8);
  EXPECT_EQ(s.image[1823], 0);  // the image is not touched by pushes
  ASSERT_EQ(events.eqChanges.size(), 4u);
  EXPECT_EQ(events.eqChanges[0], std::make_pair(0, kEqAreaSize));
  EXPECT_EQ(events.eqChanges[3], std::make_pair(1823, 4));
}

TEST_F(DispatcherTest, StringRepliesAreClearedCutAndTerminated) {
  Bytes reply(61, 'X');
  reply[0] = 0x02;
  reply[1] = 0x80;
  dispatcher.DispatchPacket(reply);
  EXPECT_EQ(State().info.ModuleName(), std::string(31, 'X'));
  Usb({0x02, 0x80, 'A', 'B', 'C', 0, 'D'});
  EXPECT_EQ(State().info.ModuleName(), "ABC");
  Usb({0x02, 0x81, '2', '0', '2', '6', '-', '1', '2', '-', '0', '9', '!', '!'});
  EXPECT_EQ(State().info.McuVersion(), "2026-12-09");
  Net({0x81, 0x7E, 'v', '1'});
  EXPECT_EQ(State().info.DspVersion(), "v1");
}

TEST_F(DispatcherTest, VersionReplyAndSourceCapability) {
  Usb({0x02, 0x7F, 24, 0, 0x55, 0x0F, 0x00, 0x01, 0x00, 0x33});
  DeviceState s = State();
  EXPECT_EQ(s.info.version, 24);
  EXPECT_TRUE(s.capability.Valid());
  EXPECT_EQ(s.capability.MaskA(), 0x0F);
  EXPECT_EQ(s.capability.MaskC(), 0x01);
  EXPECT_EQ(s.capability.bytes[5], 0x33);

  Net({0x81, 0x7F, 23, 0});  // short: clears the capability
  s = State();
  EXPECT_EQ(s.info.version, 23);
  EXPECT_FALSE(s.capability.Valid());
  EXPECT_EQ(s.capability.bytes, (std::array<uint8_t, 6>{}));

  Net({0x81, 0x7F, 24, 0, 0x55, 1, 2, 3, 4});  // nine bytes: five capability bytes, no sixth
  s = State();
  EXPECT_EQ(s.capability.MaskD(), 4);
  EXPECT_EQ(s.capability.bytes[5], 0);
}

TEST_F(DispatcherTest, StatusModeSettingsAndRemote) {
  Bytes status(61, 0);
  status[1] = 0x0E;
  for (int i = 0; i < 30; ++i) status[static_cast<size_t>(2 + i)] = static_cast<uint8_t>(i + 1);
  status[9] = 0x73;  // pitch nibble 7 = +2, input format 3
  dispatcher.DispatchPacket(status);
  DeviceState s = State();
  EXPECT_EQ(s.status.Meter(0), 1);
  EXPECT_EQ(s.status.InputFormat(), 3);
  EXPECT_EQ(s.derived.pitch, 2);
  EXPECT_EQ(s.status.MusicChip(), 23);
  EXPECT_EQ(s.status.OutputChip(0), 21);

  Net({0x81, 0x0E, 1, 2, 3});  // too short for a status: ignored
  EXPECT_EQ(State().status.bytes, s.status.bytes);

  Usb({0x02, 0x07, 2});
  EXPECT_EQ(State().currentMode, 2);
  Usb({0x02, 0x07, 9});  // not a mode slot
  EXPECT_EQ(State().currentMode, 2);
  Usb({0x02, 0x09});
  EXPECT_TRUE(State().deviceModified);

  Usb({0x02, 0x92, 1, 1, 1, 50, 40, 90, 80, 1, 0x93, 7, 7, 2, 0x11, 9});
  s = State();
  EXPECT_EQ(s.machine, (MachineSettings{1, 1, 1, 50, 40, 90, 80, 1, 0x93, 7, 7, 2, 0x11, 9}));
  EXPECT_EQ(s.machineEdit, s.machine);

  Usb({0x02, 0x62, 0xA5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 99, 99});
  s = State();
  EXPECT_EQ(s.remote[0], 0xA5);
  EXPECT_EQ(s.remote[15], 15);
  EXPECT_EQ(s.remote[16], 0);
}

TEST_F(DispatcherTest, OnlyTheKeyOfTheFunctionBeingLearnedIsTaken) {
  const RemoteCodes untouched = State().remote;
  Usb({0x02, 0x60, 0xB7, 12, 0x44});  // nothing is being learned
  model.Update([](DeviceState& s) { s.remoteLearning = 3; });
  Usb({0x02, 0x60, 0xB8, 6, 0x55});   // the key of another function
  Usb({0x02, 0x60, 0xB8, 30, 0x55});  // of no function at all
  Net({0x81, 0x60, 0xB8, 3});         // too short to carry a code
  EXPECT_EQ(State().remote, untouched);
  EXPECT_EQ(State().remoteLearning, 3);
  EXPECT_TRUE(events.learned.empty());

  Usb({0x02, 0x60, 0x5A, 3, 0xC4});
  Usb({0x02, 0x60, 0x5B, 3, 0xC5});  // one key per learn: a second report is not taken
  const DeviceState s = State();
  EXPECT_EQ(s.remote[0], 0x5A);
  EXPECT_EQ(s.remote[3], 0xC4);
  EXPECT_EQ(s.remoteLearning, 0);
  EXPECT_EQ(events.learned, std::vector<int>{0xC4});
}

TEST_F(DispatcherTest, ErrorReportIsShownOncePerSession) {
  Usb({0x02, 0x0A, 0x00, 0x09, 0x00});  // code 0: no error
  Usb({0x02, 0x0A, 0x03, 0x09, 0x85});
  Usb({0x02, 0x0A, 0x04, 0x31, 0x00});
  ASSERT_EQ(events.errors.size(), 1u);
  EXPECT_EQ(events.errors[0], "参数错误,代码0x:03,指令1:0x09,指令2:0x85 ");
  EXPECT_TRUE(dispatcher.ErrorReportShown());
}

TEST_F(DispatcherTest, ZWaveFramesAreHandedOn) {
  Net({0x80, 0x12, 0x01, 0x03, 0x00});
  ASSERT_EQ(events.zwave.size(), 1u);
  EXPECT_EQ(events.zwave[0], (Bytes{0x01, 0x03, 0x00}));
}

}  // namespace
}  // namespace nr
