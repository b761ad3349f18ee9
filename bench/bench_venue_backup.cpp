// `nrctl venue backup` of 64 rooms against one room's `nrctl pull`, with emulators that answer
// in 5 ms (a device on a busy network), and the peak memory of nrctl while it backs the venue
// up. The emulators run in this process, each on a loopback address of its own; nrctl runs as
// the program scripts run. Prints its figures; it is no pass/fail test.
//
// Also the core's backup in this process with the bound of 16 rooms at a time and with all 64
// at once, to show what the bound costs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "NrctlRun.h"
#include "emu/Emulator.h"
#include "venue/VenueOps.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRooms = 64;
constexpr int kLatencyMs = 5;
constexpr int kRuns = 3;

using nr::bench::RunNrctl;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("bench_venue_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::vector<std::unique_ptr<nr::emu::Emulator>> rooms;
  nr::Venue venue;
  for (int i = 0; i < kRooms; ++i) {
    nr::emu::EmulatorOptions o;
    o.port = 0;
    o.bindAddress = "127.0.10." + std::to_string(i + 1);
    o.latency = std::chrono::milliseconds(kLatencyMs);
    rooms.push_back(std::make_unique<nr::emu::Emulator>(o));
    std::string why;
    if (!rooms.back()->Start(&why)) {
      std::fprintf(stderr, "emulator %d: %s\n", i, why.c_str());
      return 1;
    }
    nr::AddRoom(venue, {"Room " + std::to_string(i + 1), o.bindAddress + ":" + std::to_string(rooms.back()->Port()), "", ""});
  }
  const fs::path venueFile = dir / "venue.json";
  nr::SaveVenue(venueFile, venue);

  // One room's pull, and the venue's backup with the bound of 16 rooms at a time and with all
  // 64 at once (--parallel 64).
  std::vector<double> pulls, backups16, backups64;
  long peak16 = 0, peak64 = 0;
  int failures = 0;
  for (int run = 0; run < kRuns; ++run) {
    const nr::bench::NrctlRun pull = RunNrctl({"--net", venue.rooms[0].address, "pull", (dir / "one.mode").string()});
    const nr::bench::NrctlRun b16 = RunNrctl({"venue", "--venue", venueFile.string(), "backup", (dir / "backups").string()});
    const nr::bench::NrctlRun b64 = RunNrctl({"venue", "--venue", venueFile.string(), "backup", (dir / "backups").string(), "--parallel", "64"});
    failures += (pull.status != 0) + (b16.status != 0) + (b64.status != 0);
    pulls.push_back(pull.seconds);
    backups16.push_back(b16.seconds);
    backups64.push_back(b64.seconds);
    peak16 = std::max(peak16, b16.peakKiB);
    peak64 = std::max(peak64, b64.peakKiB);
  }
  const double pull = Median(pulls), backup16 = Median(backups16), backup64 = Median(backups64);
  std::printf("emulators answering in %d ms, %d rooms, median of %d runs\n", kLatencyMs, kRooms, kRuns);
  std::printf("nrctl pull of one room:                      %7.3f s\n", pull);
  std::printf("nrctl venue backup, 16 rooms at a time:      %7.3f s  (%.2fx one room's pull; target <= 1.5x), peak memory %.1f MB\n",
              backup16, backup16 / pull, static_cast<double>(peak16) / 1024.0);
  std::printf("nrctl venue backup --parallel 64:            %7.3f s  (%.2fx one room's pull; target <= 1.5x), peak memory %.1f MB\n",
              backup64, backup64 / pull, static_cast<double>(peak64) / 1024.0);
  std::printf("(memory target: under 50 MB)\n");

  // The core's backup in this process: the bound of 16 against all rooms at once.
  for (const int parallel : {1, nr::kParallelRooms, kRooms}) {
    nr::VenueRun runOptions;
    runOptions.parallel = parallel;
    const std::vector<nr::Room> chosen = parallel == 1 ? std::vector<nr::Room>{venue.rooms[0]} : venue.rooms;
    const auto start = Clock::now();
    const nr::BackupSummary summary = nr::BackupRooms(chosen, dir / "core", std::chrono::system_clock::now(), runOptions);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const auto saved = std::count_if(summary.rooms.begin(), summary.rooms.end(), [](const nr::RoomResult& r) { return r.ok(); });
    failures += static_cast<int>(chosen.size()) - static_cast<int>(saved);
    std::printf("core backup, %2zu rooms, %2d at a time: %7.3f s  (%.2fx one room's pull)\n", chosen.size(), parallel, seconds, seconds / pull);
  }
  if (failures) std::printf("failures: %d\n", failures);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return failures ? 1 : 0;
}
