// nrctl machine, remote learn, input, source and features against the emulator program.
#include <gtest/gtest.h>

#include "DeviceFixture.h"
#include "integration/LinkHarness.h"
#include "link/ParamTable.h"

namespace nr {
namespace {

using namespace devtest;
using ToolCommands = DeviceCommands;

Bytes ParamWrite(int module, int index, uint32_t word) {
  return Concat({0x09, 0x00, static_cast<uint8_t>(module), static_cast<uint8_t>(index), 0x01}, WordBytes(word));
}
uint32_t Percent(int v) { return EncodeParamWord(ValueType::kPercent, ParamValue::Int(v)); }

std::vector<Bytes> WithCode(const std::vector<Bytes>& payloads, uint8_t code) {
  std::vector<Bytes> out;
  for (const Bytes& p : payloads)
    if (!p.empty() && p[0] == code) out.push_back(p);
  return out;
}

TEST_F(ToolCommands, MachineShowsAndAppliesTheRecordWithTheDialogsRules) {
  EmulatorProcess& emu = StartEmulator();
  const Result shown = RunOnDevice({"machine"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(shown.out,
            "volume save: by power\nmic start volume: off\nmusic start volume: off\nmic maximum: 99\n"
            "music maximum: 99\npanel lock: off\nvolume lock: off\nmode lock: off\npower-on mode: auto\n"
            "hdmi mute: off\nsurround route: SL/SR\n");

  ASSERT_EQ(RunOnDevice({"machine", "--mic-start", "60"}).status, 0);
  const Result r = RunOnDevice({"machine", "--mic-max", "40", "--route", "sbl-sbr", "--hdmi-mute", "on", "--save-by",
                                "mode", "--power-on", "M3", "--panel-lock", "on"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("mic start volume: 40\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("surround route: SBL/SBR\n"), std::string::npos) << r.out;

  // A start volume above its maximum changes nothing.
  const Result refused = RunOnDevice({"machine", "--music-max", "30", "--music-start", "31"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("above the music maximum 30"), std::string::npos) << refused.err;
  ASSERT_TRUE(emu.WaitForGoodbyes(4));

  const std::vector<Bytes> records = WithCode(emu.Received(), 0x91);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], (Bytes{0x91, 0, 0, 0, 60, 0, 99, 99, 0, 0, 0, 0, 0, 0, 0}));
  // The maximum pulled the start volume down with it; byte 12 = route SBL/SBR | HDMI mute.
  EXPECT_EQ(records[1], (Bytes{0x91, 1, 1, 1, 40, 0, 40, 99, 1, 0, 0, 0, 3, 0x11, 0}));
  const std::vector<Bytes> received = emu.Received();
  EXPECT_TRUE(Contains(received, ParamWrite(1, 0x0E, Percent(60))));
  EXPECT_TRUE(Contains(received, ParamWrite(1, 0x0E, Percent(40))));

  const Result json = RunOnDevice({"machine", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_NE(json.out.find("\"powerOn\": \"M3\""), std::string::npos) << json.out;

  // A maximum of 0 takes the start volume down to 0 (off), and the live volume with it: it must
  // not stay at 40, above the maximum that limits it.
  const Result zero = RunOnDevice({"machine", "--mic-max", "0"});
  ASSERT_EQ(zero.status, 0) << zero.err;
  EXPECT_NE(zero.out.find("mic start volume: off\n"), std::string::npos) << zero.out;
  EXPECT_NE(zero.out.find("mic maximum: 0\n"), std::string::npos) << zero.out;
  ASSERT_TRUE(emu.WaitForGoodbyes(6));
  Bytes live;
  for (const Bytes& p : emu.Received())
    if (p.size() == 9 && p[0] == 0x09 && p[2] == 1 && p[3] == 0x0E) live = p;
  EXPECT_EQ(live, ParamWrite(1, 0x0E, 0));
  EXPECT_EQ(WithCode(emu.Received(), 0x91).back(), (Bytes{0x91, 1, 1, 1, 0, 0, 0, 99, 1, 0, 0, 0, 3, 0x11, 0}));
}

// A device that answers nrctl's identification and remote-table query, and answers a learn of
// function n first with the key of another function, then with n's own.
class LearningDevice {
 public:
  LearningDevice() : thread_([this] { Serve(); }) {}
  ~LearningDevice() { Stop(); }
  LearningDevice(const LearningDevice&) = delete;
  LearningDevice& operator=(const LearningDevice&) = delete;

  std::string Target() const { return "127.0.0.1:" + std::to_string(peer_.Port()); }
  // What the device received, after the PC has said goodbye.
  const std::vector<Bytes>& Received() {
    Stop();
    return received_;
  }

 private:
  void Stop() {
    if (thread_.joinable()) thread_.join();
  }

  void Serve() {
    if (!peer_.Accept()) return;
    while (!peer_.Closed()) {
      for (const Bytes& payload : peer_.ReceivePayloads(1, 100ms)) {
        if (payload.size() < 2 || payload[0] != kNetPrefixDevice) continue;
        received_.emplace_back(payload.begin() + 1, payload.end());
        if (payload[1] == 0x8A) return;
        for (const Bytes& reply : Replies(received_.back())) peer_.SendFrame(Concat({kNetPrefixDevice}, reply));
      }
    }
  }

  static std::vector<Bytes> Replies(const Bytes& command) {
    switch (command[0]) {
      case 0x80:
      case 0x81:
      case 0x7E:
        return {{command[0], 'N', 'R', '4', '9', '0', 0}};
      case 0x7F:
        return {{0x7F, 24, 0}};
      case 0x62:
        return {Concat({0x62}, Bytes(16, 0))};
      case 0x63:
        return {{0x63}};
      case 0x60: {
        const uint8_t asked = command.size() > 1 ? command[1] : 0;
        const auto other = static_cast<uint8_t>(asked == 6 ? 7 : 6);
        return {{0x60, 0x80, other, 0x99}, {0x60, 0x80, asked, 0x47}};
      }
      default:
        return {};
    }
  }

  test::ScriptedPeer peer_;
  std::vector<Bytes> received_;
  std::thread thread_;  // declared last: starts once the peer listens
};

TEST_F(ToolCommands, RemoteLearnTakesOnlyTheKeyOfTheFunctionAsked) {
  LearningDevice device;
  const Result r = Run({"--net", device.Target(), "remote", "learn", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "47\n");
  const std::vector<Bytes> tables = WithCode(device.Received(), 0x63);
  ASSERT_EQ(tables.size(), 1u);
  Bytes table(30, 0);
  table[0] = 0x80;
  table[3] = 0x47;  // function 6 keeps its code: the key reported for it was not this learn's
  EXPECT_EQ(tables[0], Concat({0x63}, table));
}

TEST_F(ToolCommands, RemoteLearnPrintsTheCodeAndSendsTheTable) {
  EmulatorProcess& emu = StartEmulator({"--remote-key-ms", "50"});
  const fs::path file = dir_ / "keys.remo";
  WriteBytes(file, Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10});  // a short file gives only its own bytes
  const Result r = RunOnDevice({"remote", "learn", "19", "--file", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "42\n");  // the emulated remote's Mode1 key
  ASSERT_TRUE(emu.WaitForGoodbyes(1));

  Bytes table(30, 0);
  for (int i = 1; i < 10; ++i) table[static_cast<size_t>(i)] = static_cast<uint8_t>(i + 1);
  table[0] = 0x80;  // the remote's identification, as the device reported it with the key
  table[19] = 0x42;
  const std::vector<Bytes> received = emu.Received();
  EXPECT_TRUE(Contains(received, Bytes{0x60, 0x13}));
  EXPECT_TRUE(Contains(received, Concat({0x63}, table)));
  EXPECT_EQ(ReadBytes(file), table);
}

TEST_F(ToolCommands, RemoteLearnStopsOnTimeOutAndOnCtrlC) {
  EmulatorProcess& emu = StartEmulator({"--no-answer", "60"});
  const Result r = RunOnDevice({"remote", "learn", "3", "--timeout", "0.3"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no key was learned in time"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("did not answer"), std::string::npos) << r.err;  // nothing answers a learn's stop
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  EXPECT_EQ(WithCode(emu.Received(), 0x61).size(), 1u);
  EXPECT_TRUE(WithCode(emu.Received(), 0x63).empty());

  const fs::path out = dir_ / "learn.out", err = dir_ / "learn.err";
  const pid_t pid = Spawn({nrctl_.string(), "--net", emu.Target(), "remote", "learn", "5"}, "/dev/null", out, err);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitUntil([&] { return WithCode(emu.Received(), 0x60).size() >= 2; }, kRunTimeout));
  ::kill(pid, SIGINT);
  EXPECT_EQ(WaitForExit(pid, kRunTimeout), 1);
  EXPECT_NE(ReadText(err).find("stopped before a key was learned"), std::string::npos) << ReadText(err);
  EXPECT_EQ(ReadText(err).find("did not answer"), std::string::npos) << ReadText(err);
  ASSERT_TRUE(emu.WaitForGoodbyes(2));
  EXPECT_EQ(WithCode(emu.Received(), 0x61).size(), 2u);
  EXPECT_TRUE(ReadText(out).empty());
}

// The learned key is the learn's answer, and it comes when the user presses it: later than any
// answer time-out, it is still the key learned, not a learn the device left unanswered.
TEST_F(ToolCommands, RemoteLearnTakesAKeyPressedAfterTheAnswerTimeOut) {
  EmulatorProcess& emu = StartEmulator({"--remote-key-ms", "2500"});
  const Result r = RunOnDevice({"remote", "learn", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "47\n");  // the emulated remote's Input key
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  EXPECT_EQ(WithCode(emu.Received(), 0x63).size(), 1u);
}

TEST_F(ToolCommands, SourceListsTheOfferedSourcesSelectsOneAndSetsLevels) {
  EmulatorProcess& emu = StartEmulator({"--capability", "55 0F 00 01 00"});
  const Result r = RunOnDevice({"source", "hdmi2", "--level", "0", "80", "--level", "HDMI1", "50"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "selected: 2 HDMI2\n0 Android: 80%\n1 HDMI1: 50%\n2 HDMI2: 100%\n3 HDMI3: 100%\n");
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  const std::vector<Bytes> received = emu.Received();
  EXPECT_TRUE(Contains(received, ParamWrite(4, 0x12, 2)));
  EXPECT_TRUE(Contains(received, ParamWrite(4, 0x13, Percent(80))));
  EXPECT_TRUE(Contains(received, ParamWrite(4, 0x14, Percent(50))));

  const Result missing = RunOnDevice({"source", "5"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("offers no source '5' (it offers 0 Android, 1 HDMI1, 2 HDMI2, 3 HDMI3)"), std::string::npos)
      << missing.err;

  emu_.reset();
  StartEmulator({"--model", "NR3.5"});
  const Result fixed = RunOnDevice({"source", "Android"});
  ASSERT_EQ(fixed.status, 0) << fixed.err;
  EXPECT_EQ(fixed.out.substr(0, fixed.out.find('\n')), "selected: 3 Android");
  EXPECT_TRUE(Contains(emu_->Received(), ParamWrite(4, 0x12, 3)));
}

TEST_F(ToolCommands, InputSetsParametersByNameAsThePagesDo) {
  EmulatorProcess& emu = StartEmulator();
  ASSERT_EQ(RunOnDevice({"machine", "--mic-max", "60"}).status, 0);
  const Result r = RunOnDevice({"input", "mic2.channel", "B", "echo.a.right-delay", "-50", "echo.a.time", "200",
                                "volume.mic", "99", "mute.echo", "on", "pitch", "-2", "fbc.b", "off"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"mic2.channel: B\n", "echo.a.time: 200 ms\n", "echo.a.right-delay: -50 %\n",
                           "volume.mic: 60\n", "mute.echo: on\n", "pitch: -2\n", "fbc.b: off\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  EXPECT_NE(r.err.find("volume.mic: held at 60"), std::string::npos) << r.err;
  ASSERT_TRUE(emu.WaitForGoodbyes(2));
  // Whether the send queue still held a record's first write when the next came (it then keeps
  // the newest in the place of the first) depends on timing: fold the writes the same way, each
  // record's last value at the place of its first, so the order the pages send is what is compared.
  std::vector<Bytes> writes;
  for (const Bytes& w : WithCode(emu.Received(), 0x09)) {
    const auto same = std::find_if(writes.begin(), writes.end(), [&](const Bytes& k) {
      return k.size() > 3 && w.size() > 3 && std::equal(k.begin(), k.begin() + 4, w.begin());
    });
    if (same != writes.end()) *same = w;
    else writes.push_back(w);
  }
  // The right-channel words re-sent for the new echo time take the place of those sent before it.
  const std::vector<Bytes> expected = {
      ParamWrite(1, 0x23, 0), ParamWrite(1, 0x3A, Percent(100)),  // the routing pair, A first
      ParamWrite(2, 0x0C, 0xCE), ParamWrite(2, 0x0F, 4800),         // -50 % of the new 200 ms
      ParamWrite(2, 0x0D, 9600), ParamWrite(2, 0x0B, 0), ParamWrite(2, 0x0A, 65),
      ParamWrite(1, 0x0E, Percent(60)), ParamWrite(2, 0x23, 0), ParamWrite(4, 0x10, 3), ParamWrite(1, 0x3F, 1)};
  const auto first = std::search(writes.begin(), writes.end(), expected.begin(), expected.end());
  EXPECT_NE(first, writes.end()) << "the writes in the order the pages send them";

  // A name or value the parameters do not take is a usage error before anything is sent.
  const size_t before = emu.Received().size();
  for (const auto& args : std::vector<std::vector<std::string>>{{"input", "mic5.volume", "3"},
                                                                {"input", "mic1.channel", "C"},
                                                                {"input", "echo.a.time", "100"},
                                                                {"input", "pitch"}}) {
    const Result bad = RunOnDevice(args);
    EXPECT_EQ(bad.status, 2) << args[1] << ": " << bad.err;
  }
  EXPECT_EQ(emu.Received().size(), before);
}

TEST_F(ToolCommands, FeaturesApplyTheWindowsWritesAndPrintEveryFeature) {
  EmulatorProcess& emu = StartEmulator();
  const Result r = RunOnDevice({"features", "--auto-level", "on", "--auto-level-threshold", "-20", "--harmonic", "10",
                                "0", "100", "--max-bass-hz", "20", "--low", "100", "6"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("auto music level: on, threshold -20 dB, ratio 16.0:1, attack 60 ms, release 600 ms\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("exciter low: 100 Hz, +6 dB\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("harmonics: gain 10%, order 0%, mix 100%\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("max bass: low-pass 20 Hz, delay 0 ms, gain 0%\n"), std::string::npos) << r.out;
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  const std::vector<Bytes> received = emu.Received();
  EXPECT_TRUE(Contains(received, ParamWrite(4, 0x0F, 0)));
  EXPECT_TRUE(Contains(received, Bytes{0x85, 0x01, 0xDC, 0x07, 0x00, 0x96, 0x00, 0x14, 0x02, 0xC3, 0x02}));
  bool block = false;
  for (const Bytes& p : WithCode(received, 0x09))
    block |= p.size() == 33 && p[2] == 4 && p[3] == 0x0E && GetBE32(&p[5]) == FloatBits(-20.0f);
  EXPECT_TRUE(block);

  // Values outside a control's range are usage errors before anything is sent.
  const size_t before = emu.Received().size();
  for (const auto& args : std::vector<std::vector<std::string>>{{"features", "--low", "10", "3"},
                                                                {"features", "--harmonic", "1", "2"},
                                                                {"features", "--auto-level", "maybe"},
                                                                {"machine", "--route", "rear"},
                                                                {"remote", "learn", "26"},
                                                                {"source", "1", "2"}}) {
    const Result bad = RunOnDevice(args);
    EXPECT_EQ(bad.status, 2) << args[1] << ": " << bad.err;
  }
  EXPECT_EQ(emu.Received().size(), before);
  for (const char* name : {"machine", "source", "features", "adv-eq"}) {
    const Result help = Run({name, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: nrctl " + std::string(name), 0), 0u) << help.out;
  }
}

TEST_F(ToolCommands, AdvancedEqBypassFollowsTheWindowsOrderAndResetFlattensEachChannel) {
  EmulatorProcess& emu = StartEmulator();
  ASSERT_EQ(RunOnDevice({"eq", "17", "2", "1", "300", "6", "2"}).status, 0);  // CH 2, band 3
  const Result r = RunOnDevice({"adv-eq", "1", "--linked", "--bypass", "off", "--reset"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("CH1: bypass off\n  band 1: PEQ 62 Hz, +0.0 dB, Q 1.41\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("CH2: bypass off\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  band 3: PEQ 250 Hz, +0.0 dB, Q 1.41\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("CH3"), std::string::npos) << r.out;
  ASSERT_TRUE(emu.WaitForGoodbyes(2));

  std::vector<Bytes> switches;
  for (const Bytes& p : WithCode(emu.Received(), 0x09))
    if (p.size() == 9 && (p[3] == 0x0F || p[3] == 0x26)) switches.push_back(p);
  EXPECT_EQ(switches, (std::vector<Bytes>{ParamWrite(5, 0x0F, 0), ParamWrite(6, 0x0F, 0), ParamWrite(5, 0x26, 0),
                                          ParamWrite(6, 0x26, 0)}));
  EXPECT_EQ(WithCode(emu.Received(), 0x85).size(), 1u + 16u);  // the band, then two flattened sets

  const Result sub = RunOnDevice({"adv-eq", "5", "--linked", "--json"});  // SUB never links
  ASSERT_EQ(sub.status, 0) << sub.err;
  EXPECT_NE(sub.out.find("\"channel\": 5"), std::string::npos) << sub.out;
  EXPECT_EQ(sub.out.find("\"channel\": 6"), std::string::npos) << sub.out;
  EXPECT_EQ(RunOnDevice({"adv-eq", "9"}).status, 2);
}

}  // namespace
}  // namespace nr
