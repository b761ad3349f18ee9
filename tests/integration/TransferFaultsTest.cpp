// Transfers against devices that misbehave the ways real links do: image chunks answered wrongly
// or not at all, an error report in the middle of a read, a flood of mode notices, a write that
// stops part way, a slow device; and on the network, a burst of answers and Z-Wave traffic that
// must not be taken for device answers.
#include <gtest/gtest.h>

#include "LinkHarness.h"
#include "link/Bytes.h"
#include "link/Commands.h"

namespace nr::test {
namespace {

using Kind = emu::ChunkFault::Kind;
using Bytes = std::vector<uint8_t>;

// Short answer time-outs keep the failing cases quick.
LinkConfig QuickAnswers() {
  LinkConfig config;
  config.answerTimeout = 300ms;
  return config;
}

class TransferFaults : public ::testing::Test {
 protected:
  void Start(emu::EmulatorOptions options = EphemeralOptions()) {
    Stop();
    emulator = std::make_unique<emu::Emulator>(options);
    ASSERT_TRUE(emulator->Start());
    conn = std::make_unique<Connection>(events, nullptr, nullptr, QuickAnswers());
    Link& link = conn->GetLink();
    link.SetNetwork(true);
    link.SetNetTarget("127.0.0.1", emulator->Port());
    ASSERT_EQ(link.ConnectLink(), 1);
  }
  void Stop() {
    conn.reset();
    if (emulator) emulator->Stop();
    emulator.reset();
  }
  void TearDown() override { Stop(); }

  static emu::EmulatorOptions WithChunkFault(Kind kind, int chunk, int times, bool write = false) {
    emu::EmulatorOptions options = EphemeralOptions();
    options.chunkFaults.push_back({kind, chunk, times, write});
    return options;
  }
  // How often the device was asked for the image bytes at offset (reads or writes).
  int Requests(uint8_t code, int offset) {
    int n = 0;
    for (const auto& p : emulator->Core().Log())
      n += p.channel == 0x81 && p.bytes.size() >= 4 && p.bytes[0] == code && GetBE16(&p.bytes[1]) == offset;
    return n;
  }
  int Count(uint8_t code) {
    const auto codes = Codes(emulator->Core());
    return static_cast<int>(std::count(codes.begin(), codes.end(), code));
  }

  EventRecorder events;
  std::unique_ptr<emu::Emulator> emulator;
  std::unique_ptr<Connection> conn;
};

const std::vector<std::pair<Kind, const char*>> kChunkFaults = {
    {Kind::kSkip, "skipped"}, {Kind::kOffset, "another offset"}, {Kind::kShort, "truncated"}, {Kind::kCode, "another code"}};

TEST_F(TransferFaults, AChunkAnsweredWronglyOnceIsAskedForAgain) {
  for (const auto& [kind, what] : kChunkFaults) {
    SCOPED_TRACE(what);
    Start(WithChunkFault(kind, 12, 1));
    const TransferResult result = conn->Sync().BulkRead();
    EXPECT_TRUE(result.ok()) << DescribeFailure(result);
    EXPECT_EQ(conn->Model().Snapshot().image, emulator->Core().Image());
    EXPECT_EQ(Requests(0x30, 12 * 56), 2);
    EXPECT_EQ(Count(0x30), 71);
  }
}

TEST_F(TransferFaults, AChunkAnsweredWronglyEveryTimeFailsTheReadAndAppliesNothing) {
  for (const auto& [kind, what] : kChunkFaults) {
    SCOPED_TRACE(what);
    Start(WithChunkFault(kind, 12, 0));
    // The device's image differs from the PC's, so a half-applied read would show.
    const uint8_t changed[4] = {1, 2, 3, 4};
    emulator->Core().Handle(BuildWriteImage(0, changed).bytes());
    const DeviceState before = conn->Model().Snapshot();
    const TransferResult result = conn->Sync().BulkRead();
    EXPECT_EQ(result.failure, kind == Kind::kSkip ? TransferFailure::kNoAnswer : TransferFailure::kWrongAnswer);
    EXPECT_EQ(result.step, TransferStep::kImage);
    EXPECT_EQ(result.chunk, 12);
    EXPECT_EQ(conn->Model().Snapshot().image, before.image);
    EXPECT_EQ(conn->Model().Snapshot().eqTable, before.eqTable);
    EXPECT_EQ(Requests(0x30, 12 * 56), kRequestAttempts);
    EXPECT_EQ(Requests(0x30, 13 * 56), 0);  // it stops there
    EXPECT_EQ(Count(0x92), 0);
    EXPECT_EQ(conn->GetLink().GetSendMode(), SendMode::kQueued);
  }
  EXPECT_EQ(DescribeFailure(conn->Sync().BulkRead()), "the device answered wrongly while reading the image (chunk 13 of 70)");
}

TEST_F(TransferFaults, AnErrorReportMidReadIsReportedAndTheImageStillArrivesWhole) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.errorAtChunk = 5;
  Start(options);
  const TransferResult result = conn->Sync().BulkRead();
  EXPECT_TRUE(result.ok()) << DescribeFailure(result);
  EXPECT_EQ(conn->Model().Snapshot().image, emulator->Core().Image());
  ASSERT_TRUE(events.WaitFor([&] { return !events.errors.empty(); }, 2s));
  EXPECT_EQ(events.errors[0], "参数错误,代码0x:05,指令1:0x30,指令2:0x01 ");
}

TEST_F(TransferFaults, AFloodOfNoticesRunsOneReadAndOneMore) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.noticeFlood = 500;
  Start(options);
  conn->Session().Send(BuildLoadMode(1));
  // Every notice has asked for a read before it is counted; once all are counted and the worker
  // is idle, no read can follow.
  ASSERT_TRUE(events.WaitFor([&] { return events.bulkReads == 500 && events.finished.size() >= 2; }, 20s));
  ASSERT_TRUE(Eventually([&] { return !conn->Sync().Busy(); }));
  std::lock_guard lock(events.mutex);
  ASSERT_EQ(events.finished.size(), 2u);
  EXPECT_TRUE(events.finished[0].ok());
  EXPECT_TRUE(events.finished[1].ok());
  EXPECT_EQ(Count(0x30), 2 * 70);
}

TEST_F(TransferFaults, AWriteThatStopsPartWaySaysTheDeviceHoldsPartOfTheNewPreset) {
  Start(WithChunkFault(Kind::kCode, 30, 0, true));
  conn->Model().Update([](DeviceState& s) { s.pendingModeSlot = 2; });
  const TransferResult result = conn->Sync().BulkWrite();
  EXPECT_EQ(result.failure, TransferFailure::kWrongAnswer);
  EXPECT_EQ(result.chunk, 30);
  EXPECT_EQ(result.chunksSent, 31);
  EXPECT_TRUE(result.DeviceHoldsPartOfNewPreset());
  EXPECT_EQ(Requests(0x31, 30 * 56), kRequestAttempts);
  // A half-written preset is never stored into a slot.
  EXPECT_EQ(conn->Sync().FinishTransfer(result), std::nullopt);
  EXPECT_EQ(conn->Model().Snapshot().pendingModeSlot, -1);
  EXPECT_TRUE(conn->GetLink().Drain());
  EXPECT_EQ(Count(0x32) + Count(0x03) + Count(0x04), 0);

  // Nothing went out over a closed link: the device still holds what it had.
  conn->GetLink().Close(false);
  const TransferResult closed = conn->Sync().BulkWrite();
  EXPECT_EQ(closed.failure, TransferFailure::kLinkLost);
  EXPECT_FALSE(closed.DeviceHoldsPartOfNewPreset());
}

TEST_F(TransferFaults, ASlowDeviceIsReadToTheEndWithoutAskingTwice) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.latency = 20ms;
  Start(options);
  const TransferResult result = conn->Sync().BulkRead();
  EXPECT_TRUE(result.ok()) << DescribeFailure(result);
  EXPECT_EQ(Codes(emulator->Core()).size(), 77u);
  EXPECT_GT(conn->Sync().Progress(), 76u);
}

class ScriptedLink : public ::testing::Test {
 protected:
  void SetUp() override {
    conn = std::make_unique<Connection>(events, nullptr, nullptr, QuickAnswers());
    conn->GetLink().SetNetwork(true);
    conn->GetLink().SetNetTarget("127.0.0.1", peer.Port());
    ASSERT_EQ(conn->GetLink().ConnectLink(), 1);
    ASSERT_TRUE(peer.Accept());
  }

  EventRecorder events;
  ScriptedPeer peer;
  std::unique_ptr<Connection> conn;  // closed before the peer goes
};

TEST_F(ScriptedLink, ZWaveTrafficIsNeverTakenForADeviceAnswer) {
  AutoResetEvent& answer = conn->GetLink().AnswerEvent();
  ASSERT_TRUE(answer.Wait(0ms));  // a sender took it: the next device packet would release one
  ASSERT_TRUE(peer.SendFrame(Bytes{0x80, 0x06}));  // a tunnelled "06": not a mode notice
  ASSERT_TRUE(peer.SendFrame(Bytes{0x80, 0x01, 0x03, 0x00, 0x15}));
  ASSERT_TRUE(events.WaitFor([&] { return events.zwave.size() >= 2; }, 5s));
  EXPECT_EQ(events.zwave[0], Bytes{0x06});
  EXPECT_EQ(events.zwave[1], (Bytes{0x01, 0x03, 0x00, 0x15}));
  EXPECT_FALSE(answer.IsSet());
  EXPECT_EQ(events.bulkReads, 0);
  EXPECT_FALSE(conn->Sync().Busy());

  ASSERT_TRUE(peer.SendFrame(Bytes{0x81, 0x33}));  // a device packet still releases the sender
  EXPECT_TRUE(answer.Wait(5s));
}

TEST_F(ScriptedLink, ABurstOfAnswersLosesNone) {
  std::vector<uint8_t> burst;
  ParamImage sent{};
  for (int i = 0; i < kImageChunks; ++i) {
    const int offset = kImageChunk * i;
    const int length = i == kImageChunks - 1 ? kImageSize - offset : kImageChunk;
    Bytes payload{0x81, 0x30, static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset), static_cast<uint8_t>(length)};
    for (int b = 0; b < length; ++b) {
      const auto value = static_cast<uint8_t>(7 * i + b);
      payload.push_back(value);
      sent[static_cast<size_t>(offset + b)] = value;
    }
    const NetFrame frame = BuildNetFrame(payload);
    burst.insert(burst.end(), frame.bytes.begin(), frame.bytes.begin() + static_cast<long>(frame.size));
  }
  ASSERT_TRUE(peer.Send(burst));
  EXPECT_TRUE(Eventually([&] { return conn->Model().Snapshot().image == sent; }, 5s));
}

}  // namespace
}  // namespace nr::test
