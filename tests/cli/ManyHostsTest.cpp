// nrctl on several devices at once, the subnet scan, and the programs' versions.
#include <nlohmann/json.hpp>

#include "DeviceFixture.h"

namespace nr::devtest {
namespace {

class ManyHosts : public DeviceCommands {
 protected:
  // n emulators, each with its own trace in a folder of its own.
  void StartEmulators(int n) {
    for (int i = 0; i < n; ++i) {
      const fs::path dir = dir_ / ("emu" + std::to_string(i));
      fs::create_directories(dir);
      emus_.push_back(std::make_unique<EmulatorProcess>(nremu_, dir));
      ASSERT_TRUE(emus_.back()->Start()) << "nremu " << i;
    }
  }
  std::string Hosts() const {
    std::string list;
    for (const auto& e : emus_) list += (list.empty() ? "" : ",") + e->Target();
    return list;
  }
  void TearDown() override {
    emus_.clear();
    DeviceCommands::TearDown();
  }
  std::vector<std::unique_ptr<EmulatorProcess>> emus_;
};

size_t Count(const std::vector<uint8_t>& codes, uint8_t code) { return static_cast<size_t>(std::count(codes.begin(), codes.end(), code)); }

TEST_F(ManyHosts, PushAndPullReachEveryHostAndSayWhichDidWhat) {
  StartEmulators(3);
  const fs::path preset = dir_ / "preset.mode";
  WriteBytes(preset, DefaultModeFile());
  const Result push = Run({"--net", Hosts(), "push", preset.string()});
  ASSERT_EQ(push.status, 0) << push.err;
  for (const auto& e : emus_) {
    ASSERT_TRUE(e->WaitForGoodbyes(1));
    EXPECT_EQ(Count(e->ReceivedCodes(), 0x31), 70u) << e->Target();
    EXPECT_NE(push.out.find(e->Target() + ": done\n"), std::string::npos) << push.out;
  }

  // One file per host; without %h every host would write the same file.
  const std::string pattern = (dir_ / "OUT-%h.mode").string();
  ASSERT_EQ(Run({"--net", Hosts(), "pull", pattern}).status, 0);
  for (const auto& e : emus_) {
    const std::string port = e->Target().substr(e->Target().rfind(':') + 1);
    EXPECT_EQ(ReadBytes(dir_ / ("OUT-127.0.0.1-" + port + ".mode")).size(), size_t{kModeFileWithTrailerSize});
  }
  EXPECT_EQ(Run({"--net", Hosts(), "pull", (dir_ / "one.mode").string()}).status, 2);
  EXPECT_EQ(Run({"--net", Hosts(), "info"}).status, 2);
}

TEST_F(ManyHosts, ABatchGoesToEveryHostAndTheWorstResultIsTheExitStatus) {
  StartEmulators(2);
  const Result batch = Run({"--net", Hosts(), "batch"}, "set 1 0x0E 51\n");
  ASSERT_EQ(batch.status, 0) << batch.err;
  for (const auto& e : emus_) {
    ASSERT_TRUE(e->WaitForGoodbyes(1));
    EXPECT_TRUE(Contains(e->Received(), Concat(Bytes{0x09, 0x00, 0x01, 0x0E, 0x01}, WordBytes(FloatBits(0.51f + 1e-7f)))))
        << e->Target();
  }

  // A host nobody listens on fails; the others still get their write.
  const Result mixed = Run({"--net", Hosts() + ",127.0.0.1:1", "set", "1", "0x0E", "40"});
  EXPECT_EQ(mixed.status, 1);
  EXPECT_NE(mixed.out.find("127.0.0.1:1: failed (exit status 1)\n"), std::string::npos) << mixed.out;
  EXPECT_NE(mixed.err.find("127.0.0.1:1: nrctl set: cannot connect to 127.0.0.1:1"), std::string::npos) << mixed.err;
  for (const auto& e : emus_) {
    EXPECT_NE(mixed.out.find(e->Target() + ": done\n"), std::string::npos) << mixed.out;
    ASSERT_TRUE(e->WaitForGoodbyes(2));
  }
}

TEST_F(ManyHosts, ScanListsTheEmulatorOfItsSubnet) {
  StartEmulators(1);
  const std::string port = emus_[0]->Target().substr(emus_[0]->Target().rfind(':') + 1);
  const Result scan = Run({"scan", "127.0.0.0/30", "--port", port});
  EXPECT_EQ(scan.status, 0) << scan.err;
  EXPECT_EQ(scan.out, "127.0.0.1  NR490  protocol 24\n");
  ASSERT_TRUE(emus_[0]->WaitForGoodbyes(1));
  const Result json = Run({"scan", "127.0.0.0/30", "--port", port, "--json"});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(nlohmann::json::parse(json.out),
            nlohmann::json::parse(R"([{"address": "127.0.0.1", "module": "NR490", "protocol": 24, "busy": false}])"));
  const Result none = Run({"scan", "127.0.0.0/30", "--port", "1", "--json"});
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "[]\n");
  const Result wide = Run({"scan", "10.0.0.0/16"});
  EXPECT_EQ(wide.status, 2);
  EXPECT_NE(wide.err.find("a scan covers at most a /22"), std::string::npos);
}

TEST_F(ManyHosts, ProgramsPrintTheirVersion) {
  const Result nrctl = Run({"--version"});
  EXPECT_EQ(nrctl.status, 0);
  EXPECT_TRUE(nrctl.out.starts_with("nrctl 1.")) << nrctl.out;
  const fs::path out = dir_ / "v.out", err = dir_ / "v.err";
  const pid_t pid = Spawn({nremu_.string(), "--version"}, "/dev/null", out, err);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(WaitForExit(pid, kRunTimeout), 0);
  EXPECT_EQ(ReadText(out), "nremu" + nrctl.out.substr(5));
}

TEST_F(ManyHosts, EmulatorSaysAUsageErrorInOneLineAndPointsToHelp) {
  const fs::path out = dir_ / "u.out", err = dir_ / "u.err";
  const pid_t pid = Spawn({nremu_.string(), "--port", "0", "--version", "23"}, "/dev/null", out, err);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(WaitForExit(pid, kRunTimeout), 2);
  EXPECT_EQ(ReadText(out), "");
  EXPECT_EQ(ReadText(err),
            "nremu: --version takes no value (the protocol version is --protocol-version N)\n"
            "Try 'nremu --help' for more information.\n");
}

}  // namespace
}  // namespace nr::devtest
