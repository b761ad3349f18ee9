// The live link against the emulator on loopback: a whole bulk read compared with the round
// trips it is made of, queued writes per second, and a slider drag against a slow device.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "emu/Emulator.h"
#include "link/Commands.h"
#include "session/Connection.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

nr::emu::EmulatorOptions LiveOptions(std::chrono::milliseconds latency = 0ms) {
  nr::emu::EmulatorOptions o;
  o.port = 0;
  o.latency = latency;
  return o;
}

struct Live {
  explicit Live(nr::emu::EmulatorOptions options = LiveOptions()) : emulator(options) {
    emulator.Start();
    conn.GetLink().SetNetwork(true);
    conn.GetLink().SetNetTarget("127.0.0.1", emulator.Port());
    conn.GetLink().ConnectLink();
  }
  nr::LinkEvents events;
  nr::emu::Emulator emulator;
  nr::Connection conn{events, nullptr};
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void BM_BulkReadVersusRoundTrips(benchmark::State& state) {
  Live live;
  nr::Link& link = live.conn.GetLink();
  double bulkMs = 0, rttMs = 0;
  for (auto _ : state) {
    link.SetSendMode(nr::SendMode::kDirect);
    const auto rttStart = Clock::now();
    for (int i = 0; i < 80; ++i) link.SendPacket(nr::BuildQueryMode().bytes(), true);
    link.WaitUntilIdle(2s);
    rttMs = Ms(Clock::now() - rttStart) / 80;
    const auto start = Clock::now();
    live.conn.Sync().BulkRead();
    bulkMs = Ms(Clock::now() - start);
  }
  state.counters["bulk_read_ms"] = bulkMs;
  state.counters["round_trip_ms"] = rttMs;
  state.counters["ratio"] = bulkMs / (80 * rttMs + 50.0);  // 50 ms: the fixed pause at its end
}
BENCHMARK(BM_BulkReadVersusRoundTrips)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_QueuedWritesPerSecond(benchmark::State& state) {
  Live live;
  double perSecond = 0;
  for (auto _ : state) {
    live.emulator.Core().ClearLog();
    const uint8_t record[7] = {0, 0x96, 0x03, 0xE8, 0x05, 0x86, 0x01};
    const auto start = Clock::now();
    for (int slot = 0; slot < 250; ++slot) live.conn.Session().WriteImageBytes(7 * slot, record);
    live.conn.GetLink().WaitUntilIdle(10s);
    perSecond = static_cast<double>(live.emulator.Core().Log().size()) / std::chrono::duration<double>(Clock::now() - start).count();
  }
  state.counters["writes_per_s"] = perSecond;
}
BENCHMARK(BM_QueuedWritesPerSecond)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_DragAgainstASlowDevice(benchmark::State& state) {
  Live live(LiveOptions(5ms));
  double packets = 0, lagMs = 0;
  for (auto _ : state) {
    live.emulator.Core().ClearLog();
    for (int i = 0; i < 10000; ++i) live.conn.Session().SetParam(1, 0x0E, i % 100);
    const auto lastCall = Clock::now();
    live.conn.GetLink().WaitUntilIdle(10s);
    const auto log = live.emulator.Core().Log();
    packets = static_cast<double>(log.size());
    lagMs = log.empty() ? -1 : Ms(log.back().at - lastCall);
  }
  state.counters["packets_on_wire"] = packets;
  state.counters["last_value_lag_ms"] = lagMs;
}
BENCHMARK(BM_DragAgainstASlowDevice)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
