// `nrctl push` to eight emulated devices: all at once (--net A,B,...) against one after another.
// The emulators run in this process on loopback; nrctl runs as the program scripts run. The
// argument is the emulators' answer latency in ms (0: loopback as fast as it goes; 5: a device
// on a busy network).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "NrctlRun.h"
#include "emu/Emulator.h"
#include "shell/ModeFile.h"

namespace {

namespace fs = std::filesystem;
constexpr int kHosts = 8;

using nr::bench::RunNrctl;

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
    if (RunNrctl({"--net", rooms.AllHosts(), "push", rooms.preset.string()}).status != 0) state.SkipWithError("push failed");
  }
}
BENCHMARK(BM_PushToEightAtOnce)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_PushToEightInARow(benchmark::State& state) {
  Rooms rooms(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (const std::string& host : rooms.hosts)
      if (RunNrctl({"--net", host, "push", rooms.preset.string()}).status != 0) state.SkipWithError("push failed");
  }
}
BENCHMARK(BM_PushToEightInARow)->Arg(0)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
