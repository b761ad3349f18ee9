// The TCP link against the emulator: synchronisation order, coalescing, the watchdog, a busy
// host, device-initiated reloads, remote learning.
#include <gtest/gtest.h>

#include "LinkHarness.h"
#include "eq/BandWrites.h"
#include "link/Commands.h"
#include "shell/RemoteTable.h"

namespace nr::test {
namespace {

std::vector<uint8_t> BulkReadCodes() {
  std::vector<uint8_t> codes(77, 0x30);
  const uint8_t head[] = {0x80, 0x7F, 0x81, 0x7E, 0x07};
  std::copy(std::begin(head), std::end(head), codes.begin());
  codes[75] = 0x92;
  codes[76] = 0x62;
  return codes;
}

class NetworkLink : public ::testing::Test {
 protected:
  void Start(emu::EmulatorOptions options = EphemeralOptions(), LinkConfig config = {}) {
    emulator = std::make_unique<emu::Emulator>(options);
    ASSERT_TRUE(emulator->Start());
    conn = std::make_unique<Connection>(events, nullptr, nullptr, config);
    Link& link = conn->GetLink();
    link.SetNetwork(true);
    link.SetNetTarget("127.0.0.1", emulator->Port());
    ASSERT_EQ(link.ConnectLink(), 1);
  }
  void TearDown() override {
    conn.reset();
    if (emulator) emulator->Stop();
  }
  bool WaitFinished(size_t n = 1) {
    return events.WaitFor([&] { return events.finished.size() >= n; }, 20s);
  }
  std::vector<emu::Bytes> PayloadsWithCode(uint8_t code) {
    std::vector<emu::Bytes> out;
    for (const auto& p : emulator->Core().Log())
      if (p.channel == 0x81 && !p.bytes.empty() && p.bytes[0] == code) out.push_back(p.bytes);
    return out;
  }

  EventRecorder events;
  std::unique_ptr<emu::Emulator> emulator;
  std::unique_ptr<Connection> conn;
};

TEST_F(NetworkLink, BulkReadAsksInOrderAndMirrorsTheImage) {
  Start();
  conn->Sync().StartBulkRead();
  ASSERT_TRUE(WaitFinished());
  EXPECT_FALSE(events.finished[0].IsWrite());
  EXPECT_TRUE(events.finished[0].ok());
  EXPECT_EQ(Codes(emulator->Core()), BulkReadCodes());
  const DeviceState s = conn->Model().Snapshot();
  EXPECT_EQ(s.image, emulator->Core().Image());
  EXPECT_EQ(s.info.ModuleName(), "NR490");
  EXPECT_EQ(s.info.version, 24);
  EXPECT_EQ(s.machine[5], 99);
  EXPECT_FALSE(s.deviceModified);
  EXPECT_EQ(conn->GetLink().GetSendMode(), SendMode::kQueued);
  EXPECT_TRUE(Eventually([&] { return conn->GetLink().PollingAllowed(); }));
  EXPECT_EQ(conn->Sync().FinishTransfer(events.finished[0]), std::nullopt);
}

TEST_F(NetworkLink, AReadThatWouldReplaceUnkeptEditsIsHeldUntilTheFrontEndDecides) {
  Start();
  conn->Model().Update([](DeviceState& s) { s.eqTable[3] ^= 0x40; });  // an edit made while the link was down
  const ParamImage screen = conn->Model().Read([](const DeviceState& s) { return ScreenImage(s); });
  conn->Sync().HoldReadIfItReplacesEdits();
  conn->Sync().StartBulkRead();
  ASSERT_TRUE(WaitFinished());
  ASSERT_TRUE(events.finished[0].ok());
  const Synchronizer::Stage stage = conn->Sync().CurrentStage();
  EXPECT_TRUE(stage.identified);
  EXPECT_EQ(stage.chunks, kImageChunks);
  ASSERT_TRUE(conn->Sync().HasHeldRead());
  EXPECT_EQ(conn->Model().Read([](const DeviceState& s) { return ScreenImage(s); }), screen) << "nothing applied yet";
  conn->Sync().ApplyHeldRead();
  EXPECT_FALSE(conn->Sync().HasHeldRead());
  const DeviceState s = conn->Model().Snapshot();
  EXPECT_EQ(s.image, emulator->Core().Image());
  EXPECT_FALSE(HasUnkeptEdits(s));

  // Armed once only: the next read, the device's own, applies at once.
  conn->Model().Update([](DeviceState& st) { st.eqTable[3] ^= 0x40; });
  conn->Sync().StartBulkRead();
  ASSERT_TRUE(WaitFinished(2));
  EXPECT_FALSE(conn->Sync().HasHeldRead());
  EXPECT_EQ(conn->Model().Read([](const DeviceState& st) { return st.image; }), emulator->Core().Image());
}

// The user has yet to decide on a held read when the device sends a newer one (a mode notice):
// the newer one becomes the held one, and the screen's edits stay until the user decides.
TEST_F(NetworkLink, AReadWhileOneIsHeldIsHeldInItsPlace) {
  Start();
  conn->Model().Update([](DeviceState& s) { s.eqTable[3] ^= 0x40; });
  const ParamImage screen = conn->Model().Read([](const DeviceState& s) { return ScreenImage(s); });
  conn->Sync().HoldReadIfItReplacesEdits();
  conn->Sync().StartBulkRead();
  ASSERT_TRUE(WaitFinished());
  ASSERT_TRUE(conn->Sync().HasHeldRead());

  const uint8_t changed[] = {0x55};  // set on the device's own panel meanwhile
  emulator->Core().Handle(BuildWriteImage(2000, changed).bytes());
  conn->Sync().StartBulkRead();
  ASSERT_TRUE(WaitFinished(2));
  ASSERT_TRUE(events.finished[1].ok());
  EXPECT_TRUE(conn->Sync().HasHeldRead());
  EXPECT_EQ(conn->Model().Read([](const DeviceState& s) { return ScreenImage(s); }), screen) << "edits replaced unasked";

  conn->Sync().ApplyHeldRead();
  const ParamImage applied = conn->Model().Read([](const DeviceState& s) { return s.image; });
  EXPECT_EQ(applied[2000], 0x55) << "the older read was applied";
  EXPECT_EQ(applied, emulator->Core().Image());
}

TEST_F(NetworkLink, BulkWriteSendsTheImageThenEnds) {
  Start();
  conn->Model().Update([](DeviceState& s) {
    s.image[2362] = 5;  // input source
    s.image[100] = 0x42;
    s.recordEq[2] = EncodeEqBand(-6.0f, 300, 2.0f, 1);
  });
  conn->Sync().StartBulkWrite();
  ASSERT_TRUE(WaitFinished());
  EXPECT_TRUE(events.finished[0].IsWrite());
  EXPECT_TRUE(events.finished[0].ok());
  std::vector<uint8_t> expected(70, 0x31);
  expected.push_back(0x32);
  expected.insert(expected.end(), 5, 0x09);  // the record EQ, which has no room in the image
  EXPECT_EQ(Codes(emulator->Core()), expected);
  const auto chunks = PayloadsWithCode(0x31);
  EXPECT_EQ(chunks.front()[3], 56);
  EXPECT_EQ(chunks.back()[3], 48);
  EXPECT_EQ(emulator->Core().Image(), conn->Model().Snapshot().image);
  // The preset's record EQ bands, designed and sent to module 13, indices 0..4.
  const auto writes = RecordEqWrites(conn->Model().Snapshot().recordEq);
  const auto sent = PayloadsWithCode(0x09);
  ASSERT_EQ(sent.size(), writes.size());
  for (size_t b = 0; b < writes.size(); ++b) {
    EXPECT_EQ(sent[b], emu::Bytes(writes[b].bytes().begin(), writes[b].bytes().end()));
    EXPECT_EQ(sent[b][2], 13);
    EXPECT_EQ(sent[b][3], b);
  }
}

// A preset loaded from a file and written whole: the device holds what the screen shows, so
// nothing counts as unkept, even the few EQ-table bytes past those a read refreshes (the file's
// go to the device, the screen keeps its own).
TEST_F(NetworkLink, AWrittenPresetLeavesNoUnkeptEdits) {
  Start();
  conn->Model().Update([](DeviceState& s) {
    s.image[kEqTableRefreshEnd + 2] = 7;
    s.image[2000] ^= 0x11;
    ApplyImage(s);
  });
  conn->Sync().StartBulkWrite();
  ASSERT_TRUE(WaitFinished());
  ASSERT_TRUE(events.finished[0].ok());
  EXPECT_EQ(emulator->Core().Image(), conn->Model().Snapshot().image);
  EXPECT_FALSE(HasUnkeptEdits(conn->Model().Snapshot()));
}

TEST_F(NetworkLink, AnotherProtocolVersionStopsBeforeTheImageAndDisconnects) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.version = 23;
  Start(options);
  const TransferResult result = conn->Sync().BulkRead();
  EXPECT_EQ(result.failure, TransferFailure::kOtherVersion);
  EXPECT_EQ(Codes(emulator->Core()), (std::vector<uint8_t>{0x80, 0x7F, 0x81, 0x7E, 0x80, 0x7F, 0x81, 0x7E}));
  EXPECT_EQ(conn->Sync().FinishTransfer(result), std::optional<std::string>("E:NR490_17 通信版本不匹配!"));
  EXPECT_FALSE(conn->GetLink().IsConnected());
  EXPECT_TRUE(Eventually([&] { return !PayloadsWithCode(0x8A).empty(); }));
}

TEST_F(NetworkLink, PendingModeSlotIsStoredAfterATransfer) {
  Start();
  ASSERT_TRUE(conn->Sync().Identify().ok());
  emulator->Core().ClearLog();
  conn->Model().Update([](DeviceState& s) { s.pendingModeSlot = 2; });
  EXPECT_EQ(conn->Sync().FinishTransfer(TransferResult{}), std::nullopt);
  ASSERT_TRUE(conn->GetLink().WaitUntilIdle(3s));
  EXPECT_TRUE(Eventually([&] { return Codes(emulator->Core()).size() >= 2; }));
  EXPECT_EQ(PayloadsWithCode(0x03), (std::vector<emu::Bytes>{emu::Bytes{0x03, 0x02}}));
  EXPECT_EQ(PayloadsWithCode(0x04), (std::vector<emu::Bytes>{emu::Bytes{0x04, 0x02}}));
  const DeviceState s = conn->Model().Snapshot();
  EXPECT_EQ(s.currentMode, 2);
  EXPECT_EQ(s.pendingModeSlot, -1);
}

TEST_F(NetworkLink, QuickWritesToOneParameterCoalesce) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.latency = 300ms;
  Start(options);
  for (int v = 1; v <= 10; ++v) conn->Session().SetParam(1, 0x0E, v);
  EXPECT_LE(conn->GetLink().QueuedPackets(), 1u);
  conn->Session().SetParam(1, 0x0F, 7);  // another key keeps its own entry, behind
  ASSERT_TRUE(conn->GetLink().WaitUntilIdle(5s));
  const auto writes = PayloadsWithCode(0x09);
  ASSERT_GE(writes.size(), 2u);
  ASSERT_LE(writes.size(), 3u);
  const DeviceState s = conn->Model().Snapshot();
  // The last value reached the device, and the other key went out after it.
  EXPECT_EQ(emu::Bytes(writes[writes.size() - 2].begin(), writes[writes.size() - 2].begin() + 4),
            (emu::Bytes{0x09, 0x00, 0x01, 0x0E}));
  EXPECT_EQ(emulator->Core().Image(), s.image);
  EXPECT_EQ(writes.back()[3], 0x0F);
}

TEST_F(NetworkLink, SilenceClosesTheLinkAfterAboutThreeAndAHalfSeconds) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.silentAfter = 0ms;
  Start(options);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(events.WaitFor([&] { return events.heartbeatsLost > 0; }, 10s));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 3400ms);
  EXPECT_FALSE(conn->GetLink().IsConnected());
  EXPECT_EQ(conn->Session().Send(BuildQueryStatus()), 0);  // dropped once closed
}

TEST_F(NetworkLink, HeartbeatsKeepAnIdleLinkOpen) {
  // The watchdog's limit shortened, and a device that beats well within it.
  LinkConfig watched;
  watched.silenceLimit = 600ms;
  watched.silenceTicks = 1;
  emu::EmulatorOptions beating = EphemeralOptions();
  beating.heartbeatInterval = 100ms;
  Start(beating, watched);

  // The proof that the watchdog had its time: a link started later, to a device that never
  // beats, under a limit twice as long, has been closed by its own watchdog.
  emu::EmulatorOptions mute = EphemeralOptions();
  mute.silentAfter = 0ms;
  emu::Emulator silentDevice(mute);
  ASSERT_TRUE(silentDevice.Start());
  EventRecorder laterEvents;
  LinkConfig laterLimit = watched;
  laterLimit.silenceLimit = 2 * watched.silenceLimit;
  Connection later(laterEvents, nullptr, nullptr, laterLimit);
  later.GetLink().SetNetwork(true);
  later.GetLink().SetNetTarget("127.0.0.1", silentDevice.Port());
  ASSERT_EQ(later.GetLink().ConnectLink(), 1);
  ASSERT_TRUE(laterEvents.WaitFor([&] { return laterEvents.heartbeatsLost > 0; }, 20s));

  EXPECT_TRUE(conn->GetLink().IsConnected());
  std::lock_guard lock(events.mutex);
  EXPECT_EQ(events.heartbeatsLost, 0);
}

TEST_F(NetworkLink, ASecondClientHearsTheHostIsBusy) {
  Start();
  EventRecorder otherEvents;
  Connection other(otherEvents, nullptr);
  other.GetLink().SetNetwork(true);
  other.GetLink().SetNetTarget("127.0.0.1", emulator->Port());
  ASSERT_EQ(other.GetLink().ConnectLink(), 1);
  EXPECT_TRUE(otherEvents.WaitFor([&] { return otherEvents.hostBusy > 0; }, 5s));
}

TEST_F(NetworkLink, DeviceModeLoadTriggersABulkRead) {
  Start();
  conn->Session().Send(BuildLoadMode(1));
  ASSERT_TRUE(WaitFinished());
  const auto codes = Codes(emulator->Core());
  ASSERT_GE(codes.size(), 2u);
  EXPECT_EQ(codes[0], 0x05);
  EXPECT_EQ(std::vector<uint8_t>(codes.begin() + 1, codes.end()), BulkReadCodes());
  EXPECT_EQ(events.bulkReads, 1);
  EXPECT_EQ(conn->Model().Snapshot().currentMode, 1);
}

TEST_F(NetworkLink, LearnedRemoteKeyArrivesLater) {
  Start();
  StartRemoteLearning(conn->Session(), 3);
  ASSERT_TRUE(events.WaitFor([&] { return !events.learned.empty(); }, 5s));
  EXPECT_EQ(events.learned[0], emu::RemoteKeyCode(3));
  EXPECT_EQ(conn->Model().Snapshot().remote[3], emu::RemoteKeyCode(3));
}

TEST(NetworkConnect, RefusedConnectionReturnsTheSocketError) {
  emu::Emulator emulator(EphemeralOptions());
  ASSERT_TRUE(emulator.Start());
  const uint16_t port = emulator.Port();
  emulator.Stop();
  EventRecorder events;
  Connection conn(events, nullptr);
  conn.GetLink().SetNetwork(true);
  conn.GetLink().SetNetTarget("127.0.0.1", port);
  EXPECT_EQ(conn.GetLink().ConnectLink(), ECONNREFUSED);
  EXPECT_FALSE(conn.GetLink().IsConnected());
}

TEST(NetworkConnect, DroppedConnectionClosesTheLink) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.dropAfter = 300ms;
  emu::Emulator emulator(options);
  ASSERT_TRUE(emulator.Start());
  EventRecorder events;
  Connection conn(events, nullptr);
  conn.GetLink().SetNetwork(true);
  conn.GetLink().SetNetTarget("127.0.0.1", emulator.Port());
  ASSERT_EQ(conn.GetLink().ConnectLink(), 1);
  ASSERT_TRUE(events.WaitFor([&] { return events.connectionsLost > 0; }, 5s));
  EXPECT_FALSE(conn.GetLink().IsConnected());
  // Reconnecting after a drop works with a fresh set of threads.
  emulator.Stop();
}

}  // namespace
}  // namespace nr::test
