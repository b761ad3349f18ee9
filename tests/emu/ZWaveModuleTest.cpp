// The emulated Z-Wave controller: what it answers at once, what comes later, and its network.
#include <gtest/gtest.h>

#include "emu/CommandLine.h"
#include "emu/DeviceCore.h"
#include "emu/ZWaveModule.h"
#include "smarthome/SmartHomeMemory.h"
#include "smarthome/ZWaveFrames.h"
#include "support/RecordingSink.h"

namespace nr::emu {
namespace {

using namespace std::chrono_literals;
using nr::test::Hex;

ZWaveOptions Plugs(std::vector<EmulatedPlug> plugs) {
  ZWaveOptions o;
  o.plugs = std::move(plugs);
  o.pressAfter = 500ms;
  o.keyAfter = 300ms;
  return o;
}

// The function, then the parameters, of every frame that is due by then.
std::vector<std::string> DueBy(ZWaveModule& module, Clock::time_point t) {
  std::vector<std::string> out;
  for (const Bytes& frame : module.TakeDue(t)) {
    const auto parsed = ParseSerialFrame(frame);
    out.push_back(parsed ? Hex(Bytes{parsed->function}) + ": " + Hex(parsed->parameters) : "bad " + Hex(frame));
  }
  return out;
}

TEST(ZWaveModule, AnswersTheNodeListAndSetsWithCallbacksAndReports) {
  ZWaveOptions options = Plugs({{2, PlugKind::kSwitch, "a"}, {10, PlugKind::kDimmer, "b"}});
  options.noAckNode = 10;
  ZWaveModule module(options);
  const Clock::time_point t0 = Clock::now();
  const std::vector<Bytes> list = module.Receive(BuildGetInitData(), t0);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(Hex(list[0]), "06");
  const auto nodes = ParseSerialFrame(list[1]);
  ASSERT_TRUE(nodes);
  EXPECT_EQ(Hex(nodes->parameters.subspan(2, 3)), "1D 03 02");  // 29 bytes: nodes 1, 2 and 10

  const std::vector<Bytes> set = module.Receive(BuildSetPlug(2, 0xFF), t0);
  ASSERT_EQ(set.size(), 2u);
  EXPECT_EQ(Hex(ParseSerialFrame(set[1])->parameters), "01");  // the response: queued
  EXPECT_TRUE(DueBy(module, t0 + 10ms).empty());
  EXPECT_EQ(DueBy(module, t0 + 1s), (std::vector<std::string>{"13: 43 00", "04: 00 02 03 20 03 FF"}));
  EXPECT_EQ(module.Value(2), 0xFF);

  module.Receive(BuildSetPlug(10, 40), t0);  // never acknowledged
  module.Receive(BuildSetPlug(77, 99), t0);  // not in the network
  EXPECT_EQ(DueBy(module, t0 + 1s), (std::vector<std::string>{"13: 43 01", "13: 43 01"}));
  EXPECT_TRUE(module.Receive(std::vector<uint8_t>{0x06}, t0).empty());           // the PC's ACK
  EXPECT_EQ(Hex(module.Receive(std::vector<uint8_t>{0x01, 0x03, 0x00, 0x02, 0x00}, t0)[0]), "15");  // bad checksum
}

TEST(ZWaveModule, AddingAndRemovingFollowTheButtonPress) {
  ZWaveOptions options = Plugs({{2, PlugKind::kSwitch, "a"}, {3, PlugKind::kSwitch, "b"}});
  options.removeNode = 3;
  ZWaveModule module(options);
  const Clock::time_point t0 = Clock::now();
  module.Receive(BuildStartAdding(), t0);
  EXPECT_EQ(DueBy(module, t0 + 100ms), (std::vector<std::string>{"4A: 30 01 00 00"}));
  EXPECT_EQ(module.Nodes(), (std::vector<int>{2, 3}));
  // The node comes with status 3, with its node information.
  EXPECT_EQ(DueBy(module, t0 + 1s),
            (std::vector<std::string>{"4A: 30 02 00 00", "4A: 30 03 04 03 04 10 01", "4A: 30 05 04 00"}));
  EXPECT_EQ(module.Nodes(), (std::vector<int>{2, 3, 4}));

  // Done, but still adding until the PC says stop: sends are refused (response 00) meanwhile.
  EXPECT_FALSE(module.Idle());
  std::vector<Bytes> refused = module.Receive(BuildSetPlug(2, 0xFF), t0 + 1s);
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(Hex(ParseSerialFrame(refused[1])->parameters), "00");
  EXPECT_TRUE(DueBy(module, t0 + 2s).empty());
  EXPECT_EQ(module.Receive(BuildStopAdding(), t0 + 1s).size(), 1u);  // its ACK only
  EXPECT_TRUE(module.Idle());

  module.Receive(BuildStartRemoving(), t0 + 1s);
  EXPECT_EQ(DueBy(module, t0 + 3s), (std::vector<std::string>{"4B: 09 01 00 00", "4B: 09 02 00 00",
                                                                "4B: 09 03 03 03 04 10 01", "4B: 09 06 03 00"}));
  EXPECT_EQ(module.Nodes(), (std::vector<int>{2, 4}));
  EXPECT_FALSE(module.Idle());
  module.Receive(BuildStopRemoving(), t0 + 3s);
  EXPECT_TRUE(module.Idle());

  // Stopped before the press: nothing more comes, the network stays.
  module.Receive(BuildStartAdding(), t0 + 3s);
  module.Receive(BuildAbort(0x4A), t0 + 3s);
  EXPECT_TRUE(DueBy(module, t0 + 10s).empty());
  EXPECT_EQ(module.Nodes(), (std::vector<int>{2, 4}));
  EXPECT_TRUE(module.Idle());

  module.Receive(BuildSetDefault(), t0 + 10s);
  EXPECT_EQ(DueBy(module, t0 + 11s), (std::vector<std::string>{"42: 02"}));
  EXPECT_TRUE(module.Nodes().empty());
}

// Some controllers name the node only with status 3; a plug of no network has none at all.
TEST(ZWaveModule, DoneWithoutNodeNamesItOnlyInStatus3) {
  ZWaveOptions options = Plugs({{2, PlugKind::kSwitch, "a"}});
  options.doneWithoutNode = true;
  options.removeNode = 2;
  ZWaveModule module(options);
  const Clock::time_point t0 = Clock::now();
  module.Receive(BuildStartAdding(), t0);
  EXPECT_EQ(DueBy(module, t0 + 1s), (std::vector<std::string>{"4A: 30 01 00 00", "4A: 30 02 00 00",
                                                               "4A: 30 03 03 03 04 10 01", "4A: 30 05 00 00"}));
  module.Receive(BuildStopAdding(), t0 + 1s);
  module.Receive(BuildStartRemoving(), t0 + 1s);
  EXPECT_EQ(DueBy(module, t0 + 3s), (std::vector<std::string>{"4B: 09 01 00 00", "4B: 09 02 00 00",
                                                               "4B: 09 03 02 03 04 10 01", "4B: 09 06 00 00"}));
  EXPECT_EQ(module.Nodes(), (std::vector<int>{3}));
  module.Receive(BuildStopRemoving(), t0 + 3s);
  module.Receive(BuildStartRemoving(), t0 + 3s);  // plug 2 is gone: a plug of no network
  EXPECT_EQ(DueBy(module, t0 + 5s), (std::vector<std::string>{"4B: 09 01 00 00", "4B: 09 02 00 00", "4B: 09 03 00 00",
                                                               "4B: 09 06 00 00"}));
}

// Every frame waits for the PC's answer: ACK lets it go, NAK or CAN sends it again (intact, at
// most three more times); a damaged first copy is what the fault switch makes.
TEST(ZWaveModule, FramesTheModuleSendsWaitForThePcsAnswer) {
  ZWaveOptions options = Plugs({{2, PlugKind::kSwitch, "a"}});
  options.corruptEvery = 2;
  ZWaveModule module(options);
  const Clock::time_point t0 = Clock::now();
  const std::vector<Bytes> list = module.Receive(BuildGetInitData(), t0);  // frame 1: intact
  ASSERT_EQ(list.size(), 2u);
  ASSERT_TRUE(ParseSerialFrame(list[1]));
  const std::vector<Bytes> set = module.Receive(BuildSetPlug(2, 0xFF), t0);  // frame 2: damaged
  ASSERT_EQ(set.size(), 2u);
  EXPECT_FALSE(ParseSerialFrame(set[1]));
  EXPECT_TRUE(module.Receive(Bytes{zwave::kAck}, t0).empty());  // the node list arrived
  const std::vector<Bytes> again = module.Receive(Bytes{zwave::kNak}, t0);
  ASSERT_EQ(again.size(), 1u);
  ASSERT_TRUE(ParseSerialFrame(again[0]));
  EXPECT_EQ(Hex(ParseSerialFrame(again[0])->parameters), "01");
  EXPECT_EQ(module.Receive(Bytes{zwave::kCan}, t0).size(), 1u);
  EXPECT_EQ(module.Receive(Bytes{zwave::kNak}, t0).size(), 1u);
  EXPECT_TRUE(module.Receive(Bytes{zwave::kNak}, t0).empty());  // four sends: given up
  EXPECT_TRUE(module.Receive(Bytes{zwave::kNak}, t0).empty());  // nothing left to send again
  // The callbacks that came due are frames 3 and 4: the second of them damaged.
  const std::vector<Bytes> due = module.TakeDue(t0 + 1s);
  ASSERT_EQ(due.size(), 2u);
  EXPECT_TRUE(ParseSerialFrame(due[0]));
  EXPECT_FALSE(ParseSerialFrame(due[1]));
  EXPECT_TRUE(module.Receive(Bytes{zwave::kAck}, t0 + 1s).empty());
  EXPECT_EQ(Hex(ParseSerialFrame(module.Receive(Bytes{zwave::kNak}, t0 + 1s)[0])->parameters), "00 02 03 20 03 FF");
  // A frame left unanswered past the answer time-out is not sent again, nor to a new PC.
  module.Receive(BuildGetInitData(), t0 + 2s);
  EXPECT_TRUE(module.Receive(Bytes{zwave::kNak}, t0 + 4s).empty());
  module.Receive(BuildGetInitData(), t0 + 4s);
  module.PeerChanged();
  EXPECT_TRUE(module.Receive(Bytes{zwave::kNak}, t0 + 4s).empty());
}

TEST(ZWaveModule, InfraredPlugLearnsAndSendsKeys) {
  ZWaveModule module(Plugs({{4, PlugKind::kInfrared, "tv"}, {5, PlugKind::kSwitch, "lamp"}}));
  const Clock::time_point t0 = Clock::now();
  module.Receive(BuildSetPlug(4, 0x80 + 2), t0);  // not learned yet
  EXPECT_EQ(DueBy(module, t0 + 1s), (std::vector<std::string>{"13: 44 00", "04: 00 04 03 20 03 07"}));
  module.Receive(BuildSetPlug(4, 0xC0 + 2), t0 + 1s);
  EXPECT_EQ(DueBy(module, t0 + 1200ms), (std::vector<std::string>{"13: 44 00", "04: 00 04 03 20 03 02"}));
  EXPECT_EQ(DueBy(module, t0 + 2s), (std::vector<std::string>{"04: 00 04 03 20 03 03"}));
  module.Receive(BuildSetPlug(4, 0x80 + 2), t0 + 2s);
  EXPECT_EQ(DueBy(module, t0 + 3s), (std::vector<std::string>{"13: 44 00", "04: 00 04 03 20 03 06"}));
  EXPECT_TRUE(module.Learned(4, 2));
  module.Receive(BuildSetPlug(5, 0x80 + 2), t0 + 3s);  // a plug without infrared only confirms
  EXPECT_EQ(DueBy(module, t0 + 4s), (std::vector<std::string>{"13: 44 00"}));

  // The send-data abort ends a learning before the remote is used: no report, nothing learned.
  module.Receive(BuildSetPlug(4, 0xC0 + 6), t0 + 4s);
  EXPECT_EQ(DueBy(module, t0 + 4200ms), (std::vector<std::string>{"13: 44 00", "04: 00 04 03 20 03 02"}));
  EXPECT_EQ(Hex(module.Receive(BuildAbort(0x13), t0 + 4200ms)[0]), "06");
  EXPECT_TRUE(DueBy(module, t0 + 6s).empty());
  EXPECT_FALSE(module.Learned(4, 6));
}

TEST(ZWaveModule, DeviceServesTheControllerOnBothTransports) {
  ZWaveOptions options = Plugs({{2, PlugKind::kDimmer, "Ceiling"}});
  DeviceCore core({}, 700ms, options);
  const Clock::time_point t0 = core.Epoch() + 1s;
  // USB: 12 n frame in, 12 n frame out.
  const std::vector<uint8_t> frame = BuildSetPlug(2, 0xFF);
  std::vector<uint8_t> usb{0x12, static_cast<uint8_t>(frame.size())};
  usb.insert(usb.end(), frame.begin(), frame.end());
  usb.resize(60, 0);
  const CoreResult result = core.Handle(usb, 7, t0);
  ASSERT_EQ(result.replies.size(), 2u);
  EXPECT_EQ(Hex(result.replies[0]), "12 01 06");
  EXPECT_FALSE(core.NextDue(8));  // the callbacks go to the session that asked
  ASSERT_TRUE(core.NextDue(7));
  const std::vector<Bytes> due = core.TakeDue(7, t0 + 1s);
  ASSERT_EQ(due.size(), 2u);
  EXPECT_EQ(Hex(due[1]).substr(0, 14), "12 0B 01 09 00");
  EXPECT_EQ(core.PlugValue(2), 99);  // a dimmer switched on goes to full level
  // Network: the bare frame on the Z-Wave channel.
  EXPECT_EQ(Hex(core.HandleZWave(BuildGetInitData(), 8, t0).replies[0]), "12 01 06");
  EXPECT_EQ(core.Log().back().channel, 0x80);
  // The memory holds the plug's record from the start.
  const std::vector<uint8_t> memory = core.ZWaveMemory();
  EXPECT_EQ(PlugRecord::Decode(std::span<const uint8_t, kPlugRecordSize>(memory.data() + 2 * kPlugRecordSize, kPlugRecordSize)),
            (PlugRecord{kPlugDimmer, u"Ceiling"}));

  ZWaveOptions off;
  off.enabled = false;
  DeviceCore silent({}, 700ms, off);
  EXPECT_TRUE(silent.HandleZWave(BuildGetInitData(), 1, t0).replies.empty());
}

TEST(ZWaveModule, DefaultNetworkHasDemoScenes) {
  std::vector<uint8_t> memory(kSmartMemorySize);
  FillSmartHomeMemory(ZWaveOptions{}, memory);
  const Scene on = DecodeScene(std::span<const uint8_t, kSceneSize>(memory.data() + SceneOffset(kPowerOnScene), kSceneSize));
  EXPECT_EQ(on[0], (SceneStep{2, 99}));
  EXPECT_EQ(memory[static_cast<size_t>(PlugRecordOffset(3))], kPlugDimmer);
}

TEST(ZWaveModule, CommandLineOptions) {
  std::string error;
  const std::vector<std::string> args{"--zwave", "off", "--zwave-plugs", "2:switch:Hall light,7:ir",
                                      "--zwave-press-ms", "20", "--zwave-no-ack", "7", "--zwave-remove=2",
                                      "--zwave-done-without-node", "--zwave-corrupt", "3"};
  const auto cl = ParseCommandLine(args, error);
  ASSERT_TRUE(cl) << error;
  const ZWaveOptions& z = cl->options.zwave;
  EXPECT_FALSE(z.enabled);
  EXPECT_EQ(z.plugs, (std::vector<EmulatedPlug>{{2, PlugKind::kSwitch, "Hall light"}, {7, PlugKind::kInfrared, "ir7"}}));
  EXPECT_EQ(z.pressAfter, 20ms);
  EXPECT_EQ(z.noAckNode, 7);
  EXPECT_EQ(z.removeNode, 2);
  EXPECT_TRUE(z.doneWithoutNode);
  EXPECT_EQ(z.corruptEvery, 3);
  EXPECT_TRUE(ParsePlugSpec("none", error)->empty());
  for (const char* bad : {"1:switch", "2:lamp", "2", "x:switch", "233:dimmer", "2:switch,2:dimmer", ""})
    EXPECT_FALSE(ParsePlugSpec(bad, error)) << bad;
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--zwave", "maybe"}, {"--zwave-no-ack", "1"}, {"--zwave-press-ms", "-3"}, {"--zwave-plugs", "2:toaster"},
           {"--zwave-corrupt", "0"}, {"--zwave-done-without-node=1"}})
    EXPECT_FALSE(ParseCommandLine(bad, error)) << bad[0];
}

}  // namespace
}  // namespace nr::emu
