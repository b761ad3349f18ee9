// `nrctl push` to eight emulated devices: all at once (--net A,B,...) against one after another.
// The emulators run in this process on loopback; nrctl runs as the program scripts run. The
// argument is the emulators' answer latency in ms (0: loopback as fast as it goes; 5: a device
// on a busy network).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "emu/Emulator.h"
#include "shell/ModeFile.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
constexpr int kHosts = 8;

fs::path NrctlPath() {
  char self[4096] = {};
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  return fs::path(std::string(self, n > 0 ? static_cast<size_t>(n) : 0)).parent_path() / "nrctl";
}

// Runs nrctl with these arguments, its output thrown away; its exit status.
int RunNrctl(const std::vector<std::string>& args) {
  std::vector<std::string> argv{NrctlPath().string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> raw;
  for (std::string& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Rooms {
  explicit Rooms(int latencyMs) {
    for (int i = 0; i < kHosts; ++i) {
      nr::emu::EmulatorOptions o;
      o.port = 0;
      o.latency = std::chrono::milliseconds(latencyMs);
      devices.push_back(std::make_unique<nr::emu::Emulator>(o));
      devices.back()->Start();
      hosts.push_back("127.0.0.1:" + std::to_string(devices.back()->Port()));
    }
    nr::DeviceModel model;
    model.Update([](nr::DeviceState& s) { s.info.version = nr::kCommunicationVersion; });
    preset = fs::temp_directory_path() / ("bench_push_" + std::to_string(::getpid()) + ".mode");
    nr::WriteModeFile(preset, model);
  }
  ~Rooms() {
    std::error_code ec;
    fs::remove(preset, ec);
  }
  std::string AllHosts() const {
    std::string list;
    for (const std::string& h : hosts) list += (list.empty() ? "" : ",") + h;
    return list;
  }
  std::vector<std::unique_ptr<nr::emu::Emulator>> devices;
  std::vector<std::string> hosts;
  fs::path preset;
};

void BM_PushToEightAtOnce(benchmark::State& state) {
  Rooms rooms(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    if (RunNrctl({"--net", rooms.AllHosts(), "push", rooms.preset.string()}) != 0) state.SkipWithError("push failed");
  }
}
BENCHMARK(BM_PushToEightAtOnce)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_PushToEightInARow(benchmark::State& state) {
  Rooms rooms(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (const std::string& host : rooms.hosts)
      if (RunNrctl({"--net", host, "push", rooms.preset.string()}) != 0) state.SkipWithError("push failed");
  }
}
BENCHMARK(BM_PushToEightInARow)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
