// nrctl's plug and scene commands against an emulated device in this process: the program runs
// as a child, exactly as scripts run it, and the emulator's state shows what reached the device.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ProgramRun.h"
#include "emu/Emulator.h"
#include "smarthome/KeyFile.h"
#include "smarthome/SmartHomeMemory.h"
#include "support/ScratchDir.h"

namespace nr {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::Quote;
using test::ReadText;
using test::Result;

class SmartHomeCommands : public testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("NRCTL");
    if (!path || !*path) GTEST_SKIP() << "NRCTL is not set";
    nrctl_ = path;
  }
  void TearDown() override {
    if (emulator_) emulator_->Stop();
  }

  void StartDevice(const std::function<void(emu::EmulatorOptions&)>& adjust = {}) {
    emu::EmulatorOptions options;
    options.port = 0;
    options.zwave.pressAfter = 50ms;
    options.zwave.keyAfter = 50ms;
    if (adjust) adjust(options);
    emulator_ = std::make_unique<emu::Emulator>(options);
    ASSERT_TRUE(emulator_->Start());
  }

  fs::path Keys() const { return dir_ / "keys"; }

  // nrctl --net <emulator> ARGS < input; keys in the test's own folder.
  Result Run(const std::vector<std::string>& args, const std::string& input = "") {
    const fs::path in = dir_ / "stdin.txt";
    std::ofstream(in, std::ios::binary) << input;
    std::string command = Quote(nrctl_) + " --net 127.0.0.1:" + std::to_string(emulator_->Port());
    for (const std::string& a : args) command += " " + Quote(a);
    return test::RunShell(command + " < " + Quote(in.string()), dir_ / "stderr.txt");
  }

  PlugRecord DeviceRecord(int node) const {
    const std::vector<uint8_t> memory = emulator_->Core().ZWaveMemory();
    return PlugRecord::Decode(std::span<const uint8_t, kPlugRecordSize>(memory.data() + PlugRecordOffset(node), kPlugRecordSize));
  }

  std::string nrctl_;
  test::ScratchDir dir_{"nr_plug"};
  std::unique_ptr<emu::Emulator> emulator_;
};

TEST_F(SmartHomeCommands, ListSwitchAndDim) {
  StartDevice();
  const Result list = Run({"plug", "list"});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, "2\tswitch\tFloor lamp\n3\tdimmer\tCeiling\n4\tswitch\tTV set\n");

  EXPECT_EQ(Run({"plug", "on", "2"}).out, "plug 2 (Floor lamp): on\n");
  EXPECT_EQ(emulator_->Core().PlugValue(2), 0xFF);
  EXPECT_EQ(Run({"plug", "dim", "3", "50"}).status, 0);
  EXPECT_EQ(emulator_->Core().PlugValue(3), 50);
  EXPECT_EQ(Run({"plug", "off", "2"}).status, 0);
  EXPECT_EQ(emulator_->Core().PlugValue(2), 0);

  const Result absent = Run({"plug", "on", "9"});
  EXPECT_EQ(absent.status, 1);
  EXPECT_NE(absent.err.find("no plug 9"), std::string::npos);
  EXPECT_EQ(Run({"plug", "dim", "3", "100"}).status, 2);
  EXPECT_EQ(Run({"plug", "on", "1"}).status, 2);
  EXPECT_EQ(Run({"plug", "jump"}).status, 2);
}

// The frames to the controller are no device commands: the device never answers them, so they are
// never named as unanswered writes; the controller's silence is said as such.
TEST_F(SmartHomeCommands, ASilentControllerIsNamedAsSuch) {
  StartDevice([](emu::EmulatorOptions& o) { o.noAnswer.set(0x12); });
  const Result r = Run({"plug", "list"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the smart-home controller did not answer"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("the device did not answer"), std::string::npos) << r.err;
}

// A plug's name is the device's text: control characters in it reach the terminal escaped.
TEST_F(SmartHomeCommands, PlugNamesReachTheTerminalEscaped) {
  StartDevice([](emu::EmulatorOptions& o) { o.zwave.plugs = {{2, emu::PlugKind::kSwitch, "Lamp\x1b]0;x\a"}}; });
  EXPECT_EQ(Run({"plug", "list"}).out, "2\tswitch\tLamp\\x1B]0;x\\x07\n");
  EXPECT_EQ(Run({"plug", "on", "2"}).out, "plug 2 (Lamp\\x1B]0;x\\x07): on\n");
}

TEST_F(SmartHomeCommands, UnacknowledgedSetFails) {
  StartDevice([](emu::EmulatorOptions& o) { o.zwave.noAckNode = 2; });
  const Result r = Run({"plug", "on", "2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("did not acknowledge"), std::string::npos);
}

// A device that goes away while the user is asked to press a button ends the wait at once and
// says so, instead of waiting out the time-out and blaming the user.
TEST_F(SmartHomeCommands, AWaitEndsWhenTheDeviceGoesAway) {
  StartDevice([](emu::EmulatorOptions& o) {
    o.zwave.pressAfter = 1h;
    o.dropAfter = 2s;
  });
  const Result r = Run({"plug", "add", "switch", "Lamp", "--timeout", "60", "--keys", Keys().string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("lost the connection while waiting for the plug"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("in time"), std::string::npos) << r.err;
}

// A scene the device dropped out of is not reported done.
TEST_F(SmartHomeCommands, ASceneCutShortIsNotDone) {
  StartDevice([](emu::EmulatorOptions& o) { o.dropAfter = 1500ms; });
  ASSERT_EQ(Run({"scene", "save", "1"}, "2 on\ndelay 2\n3 50\n").status, 0);
  const Result r = Run({"scene", "run", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("lost the connection"), std::string::npos) << r.err;
}

TEST_F(SmartHomeCommands, AddRenameAndRemove) {
  StartDevice([](emu::EmulatorOptions& o) { o.zwave.removeNode = 5; });
  const Result added = Run({"plug", "add", "dimmer", "Reading light X", "--keys", Keys().string()});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(added.out, "added plug 5: dimmer Reading lig\n");
  EXPECT_NE(added.err.find("cut to 11 characters"), std::string::npos);
  EXPECT_NE(added.err.find("second confirmation"), std::string::npos);
  EXPECT_EQ(DeviceRecord(5), (PlugRecord{kPlugDimmer, u"Reading lig"}));

  ASSERT_EQ(Run({"plug", "rename", "5", "读书灯"}).status, 0);
  EXPECT_EQ(DeviceRecord(5), (PlugRecord{kPlugDimmer, u"读书灯"}));

  KeyFiles(Keys()).CreateDefault(5);
  const Result removed = Run({"plug", "remove", "--keys", Keys().string()});
  ASSERT_EQ(removed.status, 0) << removed.err;
  EXPECT_EQ(removed.out, "removed plug 5\n");
  EXPECT_FALSE(fs::exists(Keys() / "5.xml"));  // the removed plug's keys go with it
  EXPECT_EQ(emulator_->Core().ZWaveNodes(), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(Run({"plug", "add", "fan", "x"}).status, 2);
}

// A controller that names the node only with status 3: the plug is added and removed all the
// same, and the controller is left stopped, so the new plug can be switched at once.
TEST_F(SmartHomeCommands, AddAndRemoveWhenOnlyStatus3NamesThePlug) {
  StartDevice([](emu::EmulatorOptions& o) {
    o.zwave.doneWithoutNode = true;
    o.zwave.removeNode = 5;
  });
  const Result added = Run({"plug", "add", "switch", "Fan", "--keys", Keys().string()});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(added.out, "added plug 5: switch Fan\n");
  EXPECT_EQ(DeviceRecord(5), (PlugRecord{kPlugSwitch, u"Fan"}));
  EXPECT_TRUE(emulator_->Core().ZWaveIdle());
  const Result on = Run({"plug", "on", "5"});
  EXPECT_EQ(on.status, 0) << on.err;

  KeyFiles(Keys()).CreateDefault(5);
  const Result removed = Run({"plug", "remove", "--keys", Keys().string()});
  ASSERT_EQ(removed.status, 0) << removed.err;
  EXPECT_EQ(removed.out, "removed plug 5\n");
  EXPECT_FALSE(fs::exists(Keys() / "5.xml"));
  EXPECT_TRUE(emulator_->Core().ZWaveIdle());
  EXPECT_EQ(Run({"plug", "list"}).out.find("5\t"), std::string::npos);
}

TEST_F(SmartHomeCommands, InfraredKeys) {
  StartDevice();
  const std::string keys = Keys().string();
  const Result learned = Run({"plug", "keys", "4", "--learn", "3", "--keys", keys});
  ASSERT_EQ(learned.status, 0) << learned.err;
  EXPECT_NE(learned.err.find("press the key on the remote"), std::string::npos);
  EXPECT_TRUE(emulator_->Core().PlugKeyLearned(4, 2));  // key 3 is slot 2: learned with C2
  EXPECT_EQ(Run({"plug", "keys", "4", "--send", "3", "--keys", keys}).status, 0);
  const Result unlearned = Run({"plug", "keys", "4", "--send", "5", "--keys", keys});
  EXPECT_EQ(unlearned.status, 1);
  EXPECT_NE(unlearned.err.find("sending the key failed"), std::string::npos);

  ASSERT_EQ(Run({"plug", "keys", "4", "--rename", "3", "Power & \"more\"", "--keys", keys}).status, 0);
  ASSERT_EQ(Run({"plug", "keys", "4", "--clear", "1", "--keys", keys}).status, 0);
  const Result list = Run({"plug", "keys", "4", "--keys", keys});
  ASSERT_EQ(list.status, 0);
  EXPECT_EQ(list.out.rfind("1\tKey1\tnot learned\n2\tKey2\tnot learned\n3\tPower & \"more\"\tlearned\n4\t", 0), 0u)
      << list.out;
  EXPECT_EQ(Run({"plug", "keys", "4", "--learn", "33", "--keys", keys}).status, 2);
  EXPECT_EQ(Run({"plug", "keys", "4", "--rename", "3", "--keys", keys}).status, 2);
}

// Keys are numbered as the options take them (Index + 1), whatever order the file holds them in.
TEST_F(SmartHomeCommands, KeyNumbersFollowTheIndexNotTheRow) {
  StartDevice();
  const KeyFiles files(Keys());
  ASSERT_TRUE(files.EnsureFolder());
  std::ofstream(files.FilePath(4), std::ios::binary)
      << "<Keys>\n<Key Index=\"5\" Name=\"Power\" Status=\"1\"/>\n<Key Index=\"0\" Name=\"Mute\" Status=\"0\"/>\n</Keys>\n";
  const std::string keys = Keys().string();
  EXPECT_EQ(Run({"plug", "keys", "4", "--keys", keys}).out, "6\tPower\tlearned\n1\tMute\tnot learned\n");
  ASSERT_EQ(Run({"plug", "keys", "4", "--rename", "6", "TV on", "--keys", keys}).status, 0);
  ASSERT_EQ(Run({"plug", "keys", "4", "--clear", "6", "--keys", keys}).status, 0);
  EXPECT_EQ(Run({"plug", "keys", "4", "--keys", keys}).out, "6\tTV on\tnot learned\n1\tMute\tnot learned\n");
  const Result sent = Run({"plug", "keys", "4", "--send", "6", "--keys", keys});
  EXPECT_NE(sent.err.find("sending the key failed"), std::string::npos) << sent.err;  // slot 5: not learned

  // A file nested past any key file is refused, and left as it was.
  std::string deep = "<Keys>";
  for (int i = 0; i < 60000; ++i) deep += "<a>";
  for (int i = 0; i < 60000; ++i) deep += "</a>";
  deep += "</Keys>";
  std::ofstream(files.FilePath(4), std::ios::binary) << deep;
  const Result listed = Run({"plug", "keys", "4", "--keys", keys});
  EXPECT_EQ(listed.status, 3);
  EXPECT_NE(listed.err.find("is not a key file"), std::string::npos) << listed.err;
  EXPECT_EQ(Run({"plug", "keys", "4", "--rename", "1", "x", "--keys", keys}).status, 3);
  EXPECT_EQ(ReadText(files.FilePath(4)), deep);
}

TEST_F(SmartHomeCommands, SaveShowAndRunScenes) {
  StartDevice();
  const Result bad = Run({"scene", "save", "tv"}, "2 on\nfrobnicate\n");
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("line 2"), std::string::npos);

  const Result saved = Run({"scene", "save", "tv"}, "# evening\n2 on\ndelay 1\n4 key 1\n\nhdmi\n3 50\n");
  ASSERT_EQ(saved.status, 0) << saved.err;
  EXPECT_EQ(saved.out, "scene 0 (TV): 5 step(s) saved\n");
  const std::vector<uint8_t> memory = emulator_->Core().ZWaveMemory();
  const std::vector<uint8_t> expected{2, 99, 240, 1, 4, 128, 254, 0, 3, 50, 0, 0};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), memory.begin() + SceneOffset(0)));

  const Result shown = Run({"scene", "show", "0"});
  ASSERT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out,
            "# scene 0 (TV)\n2 99\t# Floor lamp: ON\ndelay 1\n4 128\t# TV set: key 1\nhdmi\n3 50\t# Ceiling: 51\n");

  const Result run = Run({"scene", "run", "tv"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("step 5: 3 50"), std::string::npos);
  EXPECT_EQ(emulator_->Core().PlugValue(2), 0xFF);
  EXPECT_EQ(emulator_->Core().PlugValue(3), 50);
  EXPECT_EQ(Run({"scene", "run", "7"}).status, 2);

  std::string tooMany;
  for (int i = 0; i < 29; ++i) tooMany += "delay 1\n";
  EXPECT_EQ(Run({"scene", "save", "music"}, tooMany).status, 2);
}

// A scene holds 0..99 (off, dimmer levels, on) and 128..191 (learned keys); other values are
// refused before anything is written.
TEST_F(SmartHomeCommands, SceneValuesOutsideTheFormatAreRefused) {
  StartDevice();
  for (const char* bad : {"2 100", "2 127", "2 192", "3 200", "3 250", "2 255"}) {
    const Result r = Run({"scene", "save", "music"}, std::string("2 on\n") + bad + "\n");
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("line 2: the value"), std::string::npos) << r.err;
  }
  const std::vector<uint8_t> before = emulator_->Core().ZWaveMemory();
  EXPECT_TRUE(std::all_of(before.begin() + SceneOffset(3), before.begin() + SceneOffset(4), [](uint8_t b) { return b == 0; }));
  const Result saved = Run({"scene", "save", "music"}, "2 0\n3 98\n2 99\n4 128\n4 191\n");
  ASSERT_EQ(saved.status, 0) << saved.err;
  const std::vector<uint8_t> memory = emulator_->Core().ZWaveMemory();
  const std::vector<uint8_t> expected{2, 0, 3, 98, 2, 99, 4, 128, 4, 191, 0, 0};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), memory.begin() + SceneOffset(3)));
}

// Steps the device holds that no scene editor makes: the controller's node, nodes that are no
// plug, values outside the format. Each is labelled for what it is.
TEST_F(SmartHomeCommands, SceneShowLabelsStepsThatAreNoPlugSteps) {
  StartDevice();
  const int offset = SceneOffset(3);
  const std::vector<uint8_t> write{0x13, static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset), 8,
                                   1,    99, 2, 200, 233, 0, 2, 99};
  emulator_->Core().Handle(write);
  const Result shown = Run({"scene", "show", "music"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(shown.out,
            "# scene 3 (Music)\n"
            "1 99\t# the controller, not a plug: skipped\n"
            "2 200\t# Floor lamp: 200, not a scene value\n"
            "233 0\t# not a plug: skipped\n"
            "2 99\t# Floor lamp: ON\n");
}

}  // namespace
}  // namespace nr
