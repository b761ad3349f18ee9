#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "FakeController.h"
#include "smarthome/PlugPairing.h"
#include "smarthome/SmartHome.h"
#include "support/ScratchDir.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::Callback;
using test::CountAndFrame;
using test::FakeReply;
using test::Hex;

// What the smart home reports to the application, for waiting on in tests.
class SmartEvents : public LinkEvents {
 public:
  void SmartPlugReport(const PlugReport& report) override { Note([&] { reports.push_back(report); }); }
  void SmartHomeFinished(int what, int value) override { Note([&] { finished.push_back({what, value}); }); }

  bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 5s) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, timeout, pred);
  }
  std::vector<std::pair<int, int>> Finished() {
    std::lock_guard lock(mutex);
    return finished;
  }

  std::mutex mutex;
  std::condition_variable cv;
  std::vector<PlugReport> reports;
  std::vector<std::pair<int, int>> finished;

 private:
  template <class F>
  void Note(F&& f) {
    {
      std::lock_guard lock(mutex);
      f();
    }
    cv.notify_all();
  }
};

SmartHomeTimings Quick() {
  SmartHomeTimings t;
  t.ackPause = 0ms;
  t.completionWait = 300ms;
  t.nodeListWait = 300ms;
  t.beforePlugReads = 1ms;
  t.beforeSceneReads = 1ms;
  t.readsAnswered = 500ms;
  t.afterSync = 1ms;
  t.stepPause = 1ms;
  t.delayUnit = 20ms;
  return t;
}

// Node list answer: version, capabilities, 29 mask bytes with these nodes.
Bytes InitData(std::initializer_list<int> nodes) {
  Bytes p{0x05, 0x00, 29};
  p.resize(3 + 29, 0);
  for (int n : nodes) p[3 + static_cast<size_t>((n - 1) / 8)] |= static_cast<uint8_t>(1 << ((n - 1) % 8));
  p.push_back(0x05);
  p.push_back(0x00);
  return CountAndFrame(BuildSerialFrame(zwave::kResponse, zwave::kGetInitData, p));
}

Bytes MemoryReply(int offset, const Bytes& data) {
  Bytes out{static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset), static_cast<uint8_t>(data.size())};
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

class SmartHomeTest : public ::testing::Test {
 protected:
  SmartHomeTest() : smart_(fake_, events_, nullptr, Quick()) { fake_.Attach(&smart_); }
  ~SmartHomeTest() override {
    smart_.Shutdown();
    fake_.Stop();
  }

  // A controller that knows these plugs; every set is confirmed, reports come as the script says.
  void ServePlugs(std::initializer_list<int> nodes, std::function<std::vector<FakeReply>(const Bytes&)> onSet = {}) {
    const Bytes list = InitData(nodes);
    fake_.SetScript([list, onSet](bool memory, const Bytes& sent) -> std::vector<FakeReply> {
      if (memory) {
        if (sent[0] != cmd::kZWaveMemRead) return {};
        Bytes data(sent[3], 0);
        const int offset = GetBE16(&sent[1]);
        if (offset < kScenesOffset) data[0] = kPlugSwitch;
        if (offset == SceneOffset(kPowerOnScene)) data = {7, 99, kDelayStep, 1};
        data.resize(sent[3], 0);
        return {{true, MemoryReply(offset, data)}};
      }
      const auto frame = ParseSerialFrame(sent);
      if (!frame) return {};
      if (frame->function == zwave::kGetInitData) return {{false, list}};
      if (frame->function == zwave::kSendData && onSet) return onSet(sent);
      return {};
    });
  }

  test::FakeController fake_;
  SmartEvents events_;
  SmartHome smart_;
};

TEST_F(SmartHomeTest, NodeListMarksTheNodesOfTheBitmask) {
  smart_.HandleFrame(InitData({1, 10}));  // bits 0 and 9
  EXPECT_TRUE(smart_.NodePresent(1));
  EXPECT_TRUE(smart_.NodePresent(10));
  EXPECT_FALSE(smart_.NodePresent(2));
  ASSERT_EQ(smart_.Plugs().size(), 1u);  // the controller is never listed
  EXPECT_EQ(smart_.Plugs()[0].node, 10);

  // A new list replaces the old one; a list whose count runs past the frame reads what is there.
  Bytes shortList = CountAndFrame(BuildSerialFrame(zwave::kResponse, zwave::kGetInitData, Bytes{5, 0, 29, 0x06}));
  smart_.HandleFrame(shortList);
  EXPECT_FALSE(smart_.NodePresent(10));
  EXPECT_TRUE(smart_.NodePresent(2));
  EXPECT_TRUE(smart_.NodePresent(3));
}

TEST_F(SmartHomeTest, SoundFramesAreAcknowledgedDamagedOnesRefused) {
  Bytes badChecksum = Callback(zwave::kSetDefault, {0x02});
  badChecksum.back() ^= 0xFF;
  Bytes cutShort = Callback(zwave::kSetDefault, {0x02});
  cutShort.pop_back();
  cutShort[0] = static_cast<uint8_t>(cutShort.size() - 1);
  struct Case {
    const char* what;
    Bytes received;
    const char* answer;  // "" for none
  };
  const Case cases[] = {
      {"a sound frame", Callback(zwave::kSetDefault, {0x02}), "06"},
      {"a wrong checksum", badChecksum, "15"},
      {"a frame cut short", cutShort, "15"},
      {"the controller's ACK", Bytes{1, 0x06}, ""},
      {"the controller's NAK", Bytes{1, 0x15}, ""},
      {"the controller's CAN", Bytes{1, 0x18}, ""},
      {"bytes that start no frame", Bytes{2, 0x42, 0x02}, ""},
      {"nothing", Bytes{0}, ""},
  };
  for (const Case& c : cases) {
    fake_.ClearSent();
    smart_.HandleFrame(c.received);
    const std::vector<Bytes> sent = fake_.Frames();
    EXPECT_EQ(sent.empty() ? "" : Hex(sent[0]), c.answer) << c.what;
    EXPECT_LE(sent.size(), 1u) << c.what;
  }
  // Only the sound frame was read.
  EXPECT_EQ(events_.reports, (std::vector<PlugReport>{{.function = 0x42}}));
}

TEST_F(SmartHomeTest, NetworkChannelCarriesBareFramesOrReplies12) {
  const std::vector<uint8_t> callback = BuildSerialFrame(0x00, 0x13, Bytes{0x43, 0x00});
  smart_.HandleChannelPayload(callback);                   // a bare frame
  Bytes wrapped{0x12};
  const Bytes inner = CountAndFrame(callback);
  wrapped.insert(wrapped.end(), inner.begin(), inner.end());
  smart_.HandleChannelPayload(wrapped);                    // a reply 12
  smart_.HandleChannelPayload(Bytes{0x06});                // the controller's ACK: not answered
  smart_.HandleChannelPayload(Bytes{});
  const PlugReport confirmed{.function = 0x13, .callback = 0x43, .status = 0};
  EXPECT_EQ(events_.reports, (std::vector<PlugReport>{confirmed, confirmed}));
  EXPECT_EQ(fake_.Frames(), (std::vector<Bytes>{{0x06}, {0x06}}));
}

TEST_F(SmartHomeTest, RepliesBecomeReportsAndNodeTableChanges) {
  smart_.HandleFrame(InitData({1, 5}));
  smart_.StartAdding(PlugRecord{kPlugDimmer, u"客厅灯"});
  smart_.HandleFrame(Callback(0x04, {0x00, 5, 3, 0x20, 0x03, 42}));       // plug 5 reports 42
  smart_.HandleFrame(Callback(0x13, {0x43, 0x00}));                       // set confirmed
  smart_.HandleFrame(Callback(0x13, {0x44, 0x01}));                       // key set not acknowledged
  smart_.HandleFrame(CountAndFrame(BuildSerialFrame(zwave::kResponse, 0x13, Bytes{0x01})));  // response: ignored
  smart_.HandleFrame(Callback(0x4A, {0x30, 0x01, 0x00}));                 // ready
  smart_.HandleFrame(Callback(0x4A, {0x30, 0x03, 0x00}));                 // adding: not reported
  smart_.HandleFrame(Callback(0x4A, {0x30, 0x05, 12}));                   // node 12 added
  smart_.HandleFrame(Callback(0x4B, {0x09, 0x02, 0x00}));                 // remove: node found
  smart_.HandleFrame(Callback(0x4B, {0x09, 0x06, 5}));                    // node 5 removed

  const std::vector<PlugReport> expected{{.function = 0x04, .node = 5, .value = 42},
                                         {.function = 0x13, .callback = 0x43, .status = 0},
                                         {.function = 0x13, .callback = 0x44, .status = 1},
                                         {.function = 0x4A, .status = 1},
                                         {.function = 0x4A, .node = 12, .status = 5},
                                         {.function = 0x4B, .status = 2},
                                         {.function = 0x4B, .node = 5, .status = 6}};
  EXPECT_EQ(events_.reports, expected);
  EXPECT_EQ(smart_.LastValue(5), 42);
  EXPECT_FALSE(smart_.NodePresent(5));
  EXPECT_TRUE(smart_.NodePresent(12));
  EXPECT_EQ(smart_.Record(12), (PlugRecord{kPlugDimmer, u"客厅灯"}));

  // The mailbox hands the same reports to a reader without an event loop, in order.
  uint64_t cursor = 0;
  for (const PlugReport& report : expected) EXPECT_EQ(smart_.NextReport(cursor, 0ms), report);
  EXPECT_FALSE(smart_.NextReport(cursor, 0ms));
}

TEST_F(SmartHomeTest, MemoryRepliesFillRecordsAndScenesFromTheirFirstByte) {
  PlugRecord lamp{kPlugSwitch, u"Lamp"};
  const PlugRecordBytes bytes = lamp.Encode();
  smart_.HandleMemory(MemoryReply(PlugRecordOffset(7), Bytes(bytes.begin(), bytes.end())));
  EXPECT_EQ(smart_.Record(7), lamp);
  // An offset inside record 8 still fills record 8 from its start.
  smart_.HandleMemory(MemoryReply(PlugRecordOffset(8) + 3, Bytes{kPlugDimmer}));
  EXPECT_EQ(smart_.Record(8).type, kPlugDimmer);
  smart_.HandleMemory(MemoryReply(SceneOffset(5), Bytes{9, 99, kDelayStep, 3}));
  EXPECT_EQ(smart_.GetScene(5)[1], (SceneStep{kDelayStep, 3}));
  // Past the smart-home memory: nothing changes.
  smart_.HandleMemory(MemoryReply(kSmartMemorySize, Bytes{1, 2}));
  smart_.HandleMemory(MemoryReply(0xFFFF, Bytes{1, 2}));
  smart_.HandleMemory(Bytes{0x00});
  EXPECT_EQ(smart_.GetScene(5)[0], (SceneStep{9, 99}));
}

TEST_F(SmartHomeTest, AddingRemovesFirstThenAddsWithoutUserAction) {
  smart_.StartAdding(PlugRecord{kPlugSwitch, u"Fan"});
  EXPECT_EQ(smart_.Phase(), AddPhase::kAdding);
  EXPECT_TRUE(smart_.ContinueAfterRemoval(true));
  smart_.StartRemoving();
  EXPECT_EQ(smart_.Phase(), AddPhase::kRemoving);
  EXPECT_FALSE(smart_.ContinueAfterRemoval(true));  // a plain removal only stops
  const std::vector<Bytes> frames = fake_.Frames();
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_EQ(Hex(frames[0]), Hex(BuildStartRemoving()));
  EXPECT_EQ(Hex(frames[1]), Hex(BuildStopRemoving()));
  EXPECT_EQ(Hex(frames[2]), "01 05 00 4A 01 30 81");
  EXPECT_EQ(Hex(frames[3]), Hex(BuildStartRemoving()));
  EXPECT_EQ(Hex(frames[4]), Hex(BuildStopRemoving()));
}

// The controller names the node with status 3 and need not repeat it when it is done; adding is
// stopped (4A 05) as soon as it is done.
TEST_F(SmartHomeTest, TheNodeOfStatus3CompletesAddingAndRemoving) {
  smart_.HandleFrame(InitData({1}));
  smart_.StartAdding(PlugRecord{kPlugSwitch, u"Fan"});
  smart_.HandleFrame(Callback(0x4A, {0x30, 0x01, 0x00, 0x00}));
  smart_.HandleFrame(Callback(0x4A, {0x30, 0x03, 12, 3, 0x04, 0x10, 0x01}));
  fake_.ClearSent();
  smart_.HandleFrame(Callback(0x4A, {0x30, 0x05, 0x00, 0x00}));
  EXPECT_EQ(fake_.Frames(), (std::vector<Bytes>{{0x06}, BuildStopAdding()}));
  EXPECT_EQ(Hex(fake_.Frames()[1]), "01 04 00 4A 05 B4");
  EXPECT_TRUE(smart_.NodePresent(12));
  EXPECT_EQ(smart_.Record(12), (PlugRecord{kPlugSwitch, u"Fan"}));

  smart_.StartRemoving();
  smart_.HandleFrame(Callback(0x4B, {0x09, 0x03, 12, 3, 0x04, 0x10, 0x01}));
  smart_.HandleFrame(Callback(0x4B, {0x09, 0x06, 0x00, 0x00}));
  EXPECT_FALSE(smart_.NodePresent(12));

  // A node named by status 5 itself wins; a new flow forgets the node of the last one, so a done
  // without any node is a failed adding (still stopped) and a removal of no plug.
  smart_.StartAdding(PlugRecord{kPlugDimmer, u"Lamp"});
  smart_.HandleFrame(Callback(0x4A, {0x30, 0x03, 20, 3, 0x04, 0x10, 0x01}));
  smart_.HandleFrame(Callback(0x4A, {0x30, 0x05, 21, 0x00}));
  smart_.StartAdding(PlugRecord{kPlugDimmer, u"Lamp"});
  fake_.ClearSent();
  smart_.HandleFrame(Callback(0x4A, {0x30, 0x05, 0x00, 0x00}));
  EXPECT_EQ(Hex(fake_.Frames().back()), "01 04 00 4A 05 B4");
  smart_.StartRemoving();
  smart_.HandleFrame(Callback(0x4B, {0x09, 0x06, 0x00, 0x00}));

  uint64_t cursor = 0;
  std::vector<PlugReport> done;
  while (const auto r = smart_.NextReport(cursor, 0ms))
    if (r->status >= zwave::kProtocolDone) done.push_back(*r);
  EXPECT_EQ(done, (std::vector<PlugReport>{{.function = 0x4A, .node = 12, .status = 5},
                                           {.function = 0x4B, .node = 12, .status = 6},
                                           {.function = 0x4A, .node = 21, .status = 5},
                                           {.function = 0x4A, .status = 7},
                                           {.function = 0x4B, .status = 6}}));
  EXPECT_FALSE(smart_.NodePresent(20));
  EXPECT_TRUE(smart_.NodePresent(21));
}

// The steps of adding and removing as both front ends show them, with what every pairing does.
TEST_F(SmartHomeTest, PairingRemovesTheKeysOfARemovedPlugAndWritesTheRecordOfAnAddedOne) {
  const test::ScratchDir folder{"nr_pairing"};
  const KeyFiles keys(folder.path());
  ASSERT_TRUE(keys.CreateDefault(12));
  smart_.HandleFrame(InitData({1, 12}));
  PlugPairing pairing(smart_, keys);
  uint64_t cursor = smart_.ReportCursor();
  const auto next = [&](const Bytes& frame, bool stillWaiting = true) {
    smart_.HandleFrame(frame);
    const std::optional<PlugReport> r = smart_.NextReport(cursor, 0ms);
    return r ? pairing.OnReport(*r, stillWaiting) : PairingUpdate{};
  };

  pairing.StartAdding(PlugRecord{kPlugDimmer, u"Lamp"});
  EXPECT_EQ(next(Callback(0x4B, {0x09, 0x01, 0x00, 0x00})).step, PairingStep::kPressToRemove);
  fake_.ClearSent();
  PairingUpdate u = next(Callback(0x4B, {0x09, 0x06, 12, 0x00}));
  EXPECT_EQ(u.step, PairingStep::kRemoved);
  EXPECT_EQ(u.node, 12);
  EXPECT_TRUE(u.addingNext);
  EXPECT_FALSE(keys.Exists(12)) << "a removed plug's learned keys go with it";
  EXPECT_EQ(pairing.Running(), zwave::kAddNode);
  ASSERT_GE(fake_.Frames().size(), 3u);
  EXPECT_EQ(Hex(fake_.Frames()[1]), Hex(BuildStopRemoving()));
  EXPECT_EQ(Hex(fake_.Frames()[2]), "01 05 00 4A 01 30 81");

  EXPECT_EQ(next(Callback(0x4A, {0x30, 0x01, 0x00, 0x00})).step, PairingStep::kPressToAdd);
  EXPECT_EQ(next(Callback(0x4A, {0x30, 0x02, 0x00, 0x00})).step, PairingStep::kPlugFound);
  fake_.ClearSent();
  u = next(Callback(0x4A, {0x30, 0x05, 21, 0x00}));
  EXPECT_EQ(u.step, PairingStep::kAdded);
  EXPECT_EQ(u.node, 21);
  const std::vector<Bytes> commands = fake_.Commands();
  EXPECT_TRUE(std::any_of(commands.begin(), commands.end(), [&](const Bytes& c) {
    return c.size() > 3 && c[0] == cmd::kZWaveMemWrite && GetBE16(&c[1]) == PlugRecordOffset(21);
  })) << "the added plug's record goes to the device";
  EXPECT_EQ(smart_.Record(21), (PlugRecord{kPlugDimmer, u"Lamp"}));

  // A removal whose wait was given up stops there; a failure is a step of its own.
  pairing.StartAdding(PlugRecord{kPlugSwitch, u"Fan"});
  u = next(Callback(0x4B, {0x09, 0x06, 0x00, 0x00}), false);
  EXPECT_EQ(u.step, PairingStep::kRemoved);
  EXPECT_EQ(u.node, 0) << "the pressed plug belonged to no network";
  EXPECT_FALSE(u.addingNext);
  EXPECT_EQ(pairing.Running(), zwave::kRemoveNode);
  EXPECT_EQ(next(Callback(0x4B, {0x09, 0x07, 0x00, 0x00})).step, PairingStep::kRemoveFailed);
  EXPECT_EQ(next(Callback(0x4A, {0x30, 0x07, 0x00, 0x00})).step, PairingStep::kAddFailed);
}

TEST_F(SmartHomeTest, AbortSendsTheRunningOperationsStop) {
  for (int function : {0x13, 0x4A, 0x4B, 0x42, 0x02, -1, 0x113}) smart_.Abort(function);
  std::vector<std::string> sent;
  for (const Bytes& f : fake_.Frames()) sent.push_back(Hex(f));
  EXPECT_EQ(sent, (std::vector<std::string>{"01 03 00 16 EA", "01 05 00 4A 05 00 B5", "01 05 00 4B 05 00 B4"}));
}

TEST_F(SmartHomeTest, WritesGoToTheDeviceMemory) {
  smart_.WritePlugRecord(3, PlugRecord{kPlugSwitch, u"ABCDEFGHIJKL"});  // 12 characters: 11 stored
  EXPECT_EQ(smart_.Record(3).name, u"ABCDEFGHIJK");
  Scene scene{};
  scene[0] = {3, 99};
  smart_.SaveScene(2, scene);
  const std::vector<Bytes> commands = fake_.Commands();
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(Hex(Bytes(commands[0].begin(), commands[0].begin() + 8)), "13 00 54 1C 01 00 00 00");
  EXPECT_EQ(commands[0].size(), 4u + 28u);
  EXPECT_EQ(commands[0][4 + 4 + 2 * 10 + 1], 'K');
  EXPECT_EQ(commands[0][4 + 4 + 2 * 11 + 1], 0);  // terminator
  EXPECT_EQ(Hex(Bytes(commands[1].begin(), commands[1].begin() + 6)), "13 19 EC 38 03 63");  // 6524 + 112
}

TEST_F(SmartHomeTest, SynchronisationReadsPresentRecordsAndAllScenes) {
  ServePlugs({1, 3, 7});
  ASSERT_TRUE(smart_.StartSynchronisation());
  ASSERT_TRUE(events_.WaitFor([&] { return !events_.finished.empty(); }));
  EXPECT_EQ(events_.Finished()[0], (std::pair<int, int>{kSmartSynchronised, 0}));
  EXPECT_TRUE(smart_.DataValid());
  std::vector<std::string> reads;
  for (const Bytes& c : fake_.Commands()) reads.push_back(Hex(c));
  EXPECT_EQ(reads, (std::vector<std::string>{"14 00 54 1C", "14 00 C4 1C", "14 19 7C 38", "14 19 B4 38",
                                             "14 19 EC 38", "14 1A 24 38", "14 1A 5C 38", "14 1A 94 38"}));
  EXPECT_EQ(smart_.Record(3).type, kPlugSwitch);
  EXPECT_EQ(smart_.GetScene(kPowerOnScene)[0], (SceneStep{7, 99}));
}

TEST_F(SmartHomeTest, WithoutControllerTheDataIsNotValid) {
  ServePlugs({3});  // node 1 missing
  smart_.SetDataValid(true);
  EXPECT_FALSE(smart_.Synchronise());
  EXPECT_TRUE(fake_.Commands().empty());
  fake_.SetScript({});  // silent: the node list never comes
  EXPECT_FALSE(smart_.ReadNodeList());
}

TEST_F(SmartHomeTest, ResetClearsScenesAndRereads) {
  smart_.HandleMemory(MemoryReply(SceneOffset(0), Bytes{4, 99}));
  fake_.SetScript([inner = InitData({1, 4})](bool memory, const Bytes& sent) -> std::vector<FakeReply> {
    if (memory) return {};
    const auto frame = ParseSerialFrame(sent);
    if (frame && frame->function == zwave::kSetDefault) return {{false, Callback(0x42, {0x02})}};
    if (frame && frame->function == zwave::kGetInitData) return {{false, inner}};
    return {};
  });
  ASSERT_TRUE(smart_.StartReset());
  EXPECT_FALSE(smart_.StartSynchronisation());  // one worker at a time
  ASSERT_TRUE(events_.WaitFor([&] { return !events_.finished.empty(); }));
  EXPECT_EQ(smart_.GetScene(0)[0], SceneStep{});
  const std::vector<Bytes> commands = fake_.Commands();
  ASSERT_GE(commands.size(), 6u + 1u + 6u);
  for (int k = 0; k < kSceneCount; ++k) {
    EXPECT_EQ(commands[static_cast<size_t>(k)][0], cmd::kZWaveMemWrite);
    EXPECT_EQ(GetBE16(&commands[static_cast<size_t>(k)][1]), SceneOffset(k));
  }
  EXPECT_EQ(Hex(fake_.Frames()[0]), Hex(BuildSetDefault()));
}

TEST_F(SmartHomeTest, SceneRunnerSkipsEmptySlotsAndAbsentPlugs) {
  // Plugs 3 and 7 answer; plug 9 is silent; plug 20 is not in the network.
  ServePlugs({1, 3, 7, 9}, [](const Bytes& sent) -> std::vector<FakeReply> {
    const uint8_t node = sent[4], value = sent[8];
    if (node == 9) return {};
    if (value >= 0x80) return {{false, Callback(0x13, {0x44, 0})}, {false, Callback(0x04, {0, node, 3, 0x20, 3, 6})}};
    return {{false, Callback(0x13, {0x43, 0})}};
  });
  ASSERT_TRUE(smart_.ReadNodeList());
  Scene scene{};
  scene[0] = {3, 99};
  scene[1] = {kHdmiStep, 0};
  scene[2] = {20, 99};
  // slot 3 empty: the runner goes on
  scene[4] = {7, 0x85};
  scene[5] = {kDelayStep, 2};
  scene[6] = {9, 0};
  scene[7] = {3, 0};
  smart_.SaveScene(1, scene);
  fake_.ClearSent();

  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(smart_.StartScene(1));
  ASSERT_TRUE(events_.WaitFor([&] { return events_.finished.size() == 2; }));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(events_.Finished(), (std::vector<std::pair<int, int>>{{1, 0}, {1, 1}}));

  std::vector<std::string> sets;
  for (const Bytes& f : fake_.Frames())
    if (f.size() > 4 && f[3] == zwave::kSendData) sets.push_back(Hex(Bytes{f[4], f[8], f[10]}));
  EXPECT_EQ(sets, (std::vector<std::string>{"03 63 43", "07 85 44", "09 00 43", "03 00 43"}));
  EXPECT_EQ(smart_.LastValue(9), 0);
  EXPECT_EQ(smart_.LastValue(3), 0);
  // The delay (2 x 20 ms) and the silent plug (one completion wait) held the runner.
  EXPECT_GE(elapsed, 40ms + Quick().completionWait);
}

TEST_F(SmartHomeTest, ALostLinkEndsWaitsAndRunsAtOnce) {
  ServePlugs({1, 3});
  ASSERT_TRUE(smart_.ReadNodeList());
  Scene scene{};
  for (auto& step : scene) step = {3, 99};  // never answered
  smart_.SaveScene(0, scene);
  fake_.SetConnected(false);
  const auto start = std::chrono::steady_clock::now();
  smart_.RunScene(0);
  EXPECT_FALSE(smart_.ResetController());
  EXPECT_LT(std::chrono::steady_clock::now() - start, Quick().completionWait);
}

}  // namespace
}  // namespace nr
