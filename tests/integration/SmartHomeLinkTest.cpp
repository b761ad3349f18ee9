// The smart home against the emulated controller, over the network and over USB: reading the
// plug list and scenes, switching, adding a plug through both phases, running a scene.
#include <gtest/gtest.h>

#include "LinkHarness.h"
#include "smarthome/SmartHome.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::test {
namespace {

class SmartHomeLink : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    emu::EmulatorOptions options = EphemeralOptions();
    options.zwave.pressAfter = 50ms;
    options.zwave.keyAfter = 50ms;
    Adjust(options);
    emulator = std::make_unique<emu::Emulator>(options);
    ASSERT_TRUE(emulator->Start());
    const bool network = GetParam();
    conn = std::make_unique<Connection>(events, network ? nullptr : &emulator->Hid());
    Link& link = conn->GetLink();
    link.SetNetwork(network);
    link.SetNetTarget("127.0.0.1", emulator->Port());
    ASSERT_EQ(link.ConnectLink(), 1);
  }
  void TearDown() override {
    conn.reset();
    if (emulator) emulator->Stop();
  }

  virtual void Adjust(emu::EmulatorOptions&) {}

  SmartHome& Smart() { return conn->Smart(); }

  // Waits for a report that matches, skipping others; nullopt on time-out.
  std::optional<PlugReport> Await(uint64_t& cursor, const std::function<bool(const PlugReport&)>& matches) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (std::chrono::steady_clock::now() < deadline) {
      const auto report = Smart().NextReport(cursor, 100ms);
      if (report && matches(*report)) return report;
    }
    return std::nullopt;
  }
  // A send confirmed, adding or removing at a status, a plug's reported level.
  std::optional<PlugReport> AwaitStatus(uint64_t& cursor, uint8_t function, uint8_t status) {
    return Await(cursor, [=](const PlugReport& r) { return r.function == function && r.status == status; });
  }
  std::optional<PlugReport> AwaitLevel(uint64_t& cursor, int level) {
    return Await(cursor, [=](const PlugReport& r) { return r.function == zwave::kApplicationCommand && r.value == level; });
  }

  EventRecorder events;
  std::unique_ptr<emu::Emulator> emulator;
  std::unique_ptr<Connection> conn;
};

TEST_P(SmartHomeLink, SynchronisationReadsTheDevicePlugsAndScenes) {
  ASSERT_TRUE(Smart().Synchronise());
  const std::vector<PlugInfo> plugs = Smart().Plugs();
  ASSERT_EQ(plugs.size(), 3u);
  EXPECT_EQ(plugs[0].node, 2);
  EXPECT_EQ(plugs[0].record, (PlugRecord{kPlugSwitch, u"Floor lamp"}));
  EXPECT_EQ(plugs[1].record, (PlugRecord{kPlugDimmer, u"Ceiling"}));
  EXPECT_EQ(Smart().GetScene(kPowerOnScene)[2], (SceneStep{3, 60}));
}

TEST_P(SmartHomeLink, SwitchingAPlugIsConfirmedAndReported) {
  ASSERT_TRUE(Smart().ReadNodeList());
  uint64_t cursor = Smart().ReportCursor();
  Smart().SetPlug(3, 40);
  ASSERT_TRUE(AwaitStatus(cursor, zwave::kSendData, 0));
  const auto report = AwaitLevel(cursor, 40);
  ASSERT_TRUE(report);
  EXPECT_EQ(report->node, 3);
  EXPECT_EQ(Smart().LastValue(3), 40);
  EXPECT_EQ(emulator->Core().PlugValue(3), 40);
}

TEST_P(SmartHomeLink, AddingAPlugRemovesThenAddsAndStoresItsRecord) {
  ASSERT_TRUE(Smart().Synchronise());
  uint64_t cursor = Smart().ReportCursor();
  const PlugRecord fan{kPlugSwitch, u"Fan"};
  Smart().StartAdding(fan);
  ASSERT_TRUE(AwaitStatus(cursor, zwave::kRemoveNode, zwave::kRemoveDone));
  EXPECT_TRUE(Smart().ContinueAfterRemoval(true));
  const auto added = AwaitStatus(cursor, zwave::kAddNode, zwave::kProtocolDone);
  ASSERT_TRUE(added);
  EXPECT_EQ(added->node, 5);
  Smart().WritePlugRecord(added->node, Smart().Record(added->node));
  ASSERT_TRUE(conn->GetLink().WaitUntilIdle(5s));
  EXPECT_EQ(emulator->Core().ZWaveNodes(), (std::vector<int>{2, 3, 4, 5}));
  const std::vector<uint8_t> memory = emulator->Core().ZWaveMemory();
  const PlugRecordBytes expected = fan.Encode();
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), memory.begin() + PlugRecordOffset(5)));
  EXPECT_TRUE(Smart().NodePresent(5));
}

TEST_P(SmartHomeLink, PowerOnSceneRunsOnItsWorker) {
  ASSERT_TRUE(Smart().Synchronise());
  ASSERT_TRUE(Smart().StartScene(kPowerOnScene));
  ASSERT_TRUE(Eventually([&] { return !Smart().Busy(); }, 30s));
  EXPECT_EQ(emulator->Core().PlugValue(2), 0xFF);
  EXPECT_EQ(emulator->Core().PlugValue(3), 60);
  EXPECT_TRUE(emulator->Core().PlugKeyLearned(4, 0));
}

TEST_P(SmartHomeLink, TheAckOfAControllerFrameHoldsNothingBack) {
  // Nothing answers the PC's ACK: the queue must not wait for an answer behind it.
  const uint8_t ack[] = {zwave::kAck};
  conn->GetLink().SendZWaveFrame(ack);
  EXPECT_TRUE(conn->GetLink().WaitUntilIdle(1s));  // the answer time-out is 2 s
}

INSTANTIATE_TEST_SUITE_P(Transports, SmartHomeLink, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? std::string("Network") : std::string("Usb"); });

// A controller that damages every second frame it sends (and sends it again on NAK) and names the
// node of an adding or removing only with status 3.
class SmartHomeLinkFaults : public SmartHomeLink {
 protected:
  void Adjust(emu::EmulatorOptions& options) override {
    options.zwave.corruptEvery = 2;
    options.zwave.doneWithoutNode = true;
    options.zwave.removeNode = 5;
  }
};

TEST_P(SmartHomeLinkFaults, DamagedFramesComeAgainAndAreRead) {
  ASSERT_TRUE(Smart().Synchronise());
  ASSERT_EQ(Smart().Plugs().size(), 3u);
  EXPECT_EQ(Smart().Plugs()[1].record, (PlugRecord{kPlugDimmer, u"Ceiling"}));
  for (const int level : {40, 41}) {  // the callback or the report is the damaged one
    uint64_t cursor = Smart().ReportCursor();
    Smart().SetPlug(3, level);
    ASSERT_TRUE(AwaitStatus(cursor, zwave::kSendData, 0)) << level;
    ASSERT_TRUE(AwaitLevel(cursor, level)) << level;
    EXPECT_EQ(Smart().LastValue(3), level);
  }
}

TEST_P(SmartHomeLinkFaults, AddingAndRemovingTakeTheNodeOfStatus3) {
  ASSERT_TRUE(Smart().Synchronise());
  uint64_t cursor = Smart().ReportCursor();
  Smart().StartAdding(PlugRecord{kPlugSwitch, u"Fan"});
  ASSERT_TRUE(AwaitStatus(cursor, zwave::kRemoveNode, zwave::kRemoveDone));
  EXPECT_TRUE(Smart().ContinueAfterRemoval(true));
  const auto added = AwaitStatus(cursor, zwave::kAddNode, zwave::kProtocolDone);
  ASSERT_TRUE(added);
  EXPECT_EQ(added->node, 5);
  EXPECT_TRUE(Smart().NodePresent(5));
  EXPECT_EQ(Smart().Record(5), (PlugRecord{kPlugSwitch, u"Fan"}));
  // The controller was told to stop adding: it is idle again.
  ASSERT_TRUE(Eventually([&] { return emulator->Core().ZWaveIdle(); }, 5s));

  Smart().StartRemoving();
  const auto removed = AwaitStatus(cursor, zwave::kRemoveNode, zwave::kRemoveDone);
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->node, 5);
  EXPECT_FALSE(Smart().NodePresent(5));
  EXPECT_FALSE(Smart().ContinueAfterRemoval(false));
  ASSERT_TRUE(Eventually([&] { return emulator->Core().ZWaveIdle(); }, 5s));
  EXPECT_EQ(emulator->Core().ZWaveNodes(), (std::vector<int>{2, 3, 4}));
}

INSTANTIATE_TEST_SUITE_P(Transports, SmartHomeLinkFaults, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? std::string("Network") : std::string("Usb"); });

}  // namespace
}  // namespace nr::test
