#include "shell/DeviceModes.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "link/DeviceModel.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::HexPayloads;
using test::RecordingSink;

class ModeEvents : public LinkEvents {
 public:
  void ModeCommandFinished(const ModeCommandResult& result) override {
    std::lock_guard lock(mutex_);
    results_.push_back(result);
    cv_.notify_all();
  }
  std::vector<ModeCommandResult> WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::seconds(10), [&] { return results_.size() >= count; });
    return results_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<ModeCommandResult> results_;
};

class DeviceModesTest : public ::testing::Test {
 protected:
  DeviceModesTest() { state.connected = true; }
  int CurrentMode() { return model.Read([](const DeviceState& s) { return s.currentMode; }); }

  DeviceModel model;
  RecordingSink sink;
  DeviceSession session{model, sink};
  LinkState state;
  ModeEvents events;
  static constexpr ModeTimings kQuick{std::chrono::milliseconds(1), std::chrono::milliseconds(1)};
};

TEST_F(DeviceModesTest, LoadAndRestoreStopThePollingThenSendTheirCommand) {
  DeviceModes modes(session, state, events, kQuick);
  model.Update([](DeviceState& s) { s.status.bytes.fill(7); });
  EXPECT_EQ(modes.Run(ModeCommand::kLoad, 2), (ModeCommandResult{ModeCommand::kLoad, 2, true}));
  EXPECT_EQ(HexPayloads(sink), std::vector<std::string>{"05 02"});
  EXPECT_EQ(CurrentMode(), 2);
  EXPECT_FALSE(state.pollingAllowed) << "the read the device asks for next lets polling run again";
  EXPECT_EQ(model.Read([](const DeviceState& s) { return s.status.bytes[0]; }), 0);
  EXPECT_FALSE(modes.PollStatus()) << "no status query in the middle of a switch";

  EXPECT_TRUE(modes.Run(ModeCommand::kFactoryRestore, 0).sent);
  EXPECT_EQ(HexPayloads(sink), (std::vector<std::string>{"05 02", "06 00"}));
  EXPECT_EQ(CurrentMode(), 0);
}

TEST_F(DeviceModesTest, AStoreKeepsTheScreenAsItWasWhenTheStoreWentOut) {
  DeviceModes modes(session, state, events, kQuick);
  session.SetParam(4, 12, 40);
  model.Update([](DeviceState& s) { s.deviceModified = true; });
  ASSERT_TRUE(model.Read([](const DeviceState& s) { return HasUnkeptEdits(s); }));
  sink.Clear();

  EXPECT_TRUE(modes.Run(ModeCommand::kStore, 1).sent);
  EXPECT_EQ(HexPayloads(sink), std::vector<std::string>{"04 01"});
  EXPECT_EQ(CurrentMode(), 1);
  EXPECT_FALSE(model.Read([](const DeviceState& s) { return s.deviceModified || HasUnkeptEdits(s); }));
  EXPECT_TRUE(state.pollingAllowed) << "a store stops nothing";

  // Without a link the store goes nowhere, so nothing counts as kept and nothing moves.
  session.SetParam(4, 12, 41);
  state.connected = false;
  sink.Clear();
  EXPECT_FALSE(modes.Run(ModeCommand::kStore, 3).sent);
  EXPECT_TRUE(sink.Payloads().empty());
  EXPECT_EQ(CurrentMode(), 1);
  EXPECT_TRUE(model.Read([](const DeviceState& s) { return HasUnkeptEdits(s); }));
}

TEST_F(DeviceModesTest, SlotsOutsideM1ToM4AreRefusedWithoutTouchingTheModel) {
  DeviceModes modes(session, state, events, kQuick);
  for (int slot : {-1, 4}) {
    EXPECT_FALSE(modes.Run(ModeCommand::kLoad, slot).sent);
    EXPECT_FALSE(modes.Run(ModeCommand::kStore, slot).sent);
  }
  EXPECT_TRUE(sink.Payloads().empty());
  EXPECT_EQ(CurrentMode(), 0);
  EXPECT_TRUE(state.pollingAllowed);
}

// Start returns before the pauses; the commands go out in the order asked and each end is
// reported, a refused one at once.
TEST_F(DeviceModesTest, StartedCommandsRunOnTheWorkerInOrderAndReportTheirEnd) {
  DeviceModes modes(session, state, events, kQuick);
  modes.Start(ModeCommand::kStore, 3);
  modes.Start(ModeCommand::kLoad, 1);
  EXPECT_EQ(CurrentMode(), 1) << "what the screen shows changes before Start returns";
  const std::vector<ModeCommandResult> results = events.WaitFor(2);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0], (ModeCommandResult{ModeCommand::kStore, 3, true}));
  EXPECT_EQ(results[1], (ModeCommandResult{ModeCommand::kLoad, 1, true}));
  EXPECT_EQ(HexPayloads(sink), (std::vector<std::string>{"04 03", "05 01"}));

  state.connected = false;
  modes.Start(ModeCommand::kFactoryRestore, 2);
  EXPECT_EQ(events.WaitFor(3).back(), (ModeCommandResult{ModeCommand::kFactoryRestore, 2, false}));
}

TEST_F(DeviceModesTest, TheCallerNeverWaitsAndGoingAwayCutsThePauseShort) {
  {
    DeviceModes modes(session, state, events, ModeTimings{std::chrono::hours(1), std::chrono::hours(1)});
    modes.Start(ModeCommand::kLoad, 3);
    EXPECT_TRUE(modes.Busy());
    EXPECT_EQ(CurrentMode(), 3);
    EXPECT_TRUE(sink.Payloads().empty()) << "the load waits for its pause on the worker";
  }  // an hour's pause would hang here
  EXPECT_TRUE(sink.Payloads().empty()) << "a switch cut short never goes out";
}

TEST_F(DeviceModesTest, PollResetAndRemoteTableSendTheirBytes) {
  DeviceModes modes(session, state, events, kQuick);
  EXPECT_TRUE(modes.PollStatus());
  EXPECT_TRUE(modes.ResetDevice());
  RemoteCodes codes{};
  for (size_t i = 0; i < codes.size(); ++i) codes[i] = static_cast<uint8_t>(0xA0 + i);
  modes.SendRemoteTable(codes);
  const std::vector<test::Bytes> sent = sink.Payloads();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(test::Hex(sent[0]), "0E");
  EXPECT_EQ(test::Hex(sent[1]), "68 AA");
  ASSERT_EQ(sent[2].size(), 31u);
  EXPECT_EQ(sent[2][0], 0x63);
  EXPECT_TRUE(std::equal(codes.begin(), codes.end(), sent[2].begin() + 1));
  EXPECT_EQ(model.Read([](const DeviceState& s) { return s.remote; }), codes);

  state.connected = false;
  EXPECT_FALSE(modes.PollStatus());
  EXPECT_FALSE(modes.ResetDevice());
  EXPECT_EQ(sink.Payloads().size(), 3u);
}

}  // namespace
}  // namespace nr
