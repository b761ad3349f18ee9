// The venue's operations on sixteen emulated rooms, each on a loopback address of its own.
#include "venue/VenueOps.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <memory>

#include "integration/LinkHarness.h"
#include "link/DeviceSession.h"
#include "link/PacketSink.h"
#include "support/ScratchDir.h"

namespace nr::test {
namespace {

constexpr int kRooms = 16;

class VenueRooms : public ::testing::Test {
 protected:
  // Room i listens on 127.0.7.(i+1), on a port of its own choosing.
  void StartRooms(int n, const std::function<void(int, emu::EmulatorOptions&)>& tune = {}) {
    for (int i = 0; i < n; ++i) {
      emu::EmulatorOptions o = EphemeralOptions();
      o.bindAddress = "127.0.7." + std::to_string(i + 1);
      if (tune) tune(i, o);
      emus_.push_back(std::make_unique<emu::Emulator>(o));
      ASSERT_TRUE(emus_.back()->Start()) << o.bindAddress;
      rooms_.push_back({"Room " + std::to_string(i + 1), o.bindAddress + ":" + std::to_string(emus_.back()->Port()), "", ""});
    }
  }
  VenueRun Run() const {
    VenueRun run;
    run.link.answerTimeout = 300ms;
    run.link.connectTimeout = 2000ms;
    return run;
  }
  // A preset file with the microphone volume at `volume`.
  std::filesystem::path Preset(const std::string& name, int volume) {
    DeviceModel model;
    NullSink sink;
    DeviceSession session(model, sink);
    session.SetParam(1, 14, volume);
    const auto path = dir_ / name;
    EXPECT_TRUE(WriteModeFile(path, model).ok());
    return path;
  }

  ScratchDir dir_{"venue_ops"};
  std::vector<std::unique_ptr<emu::Emulator>> emus_;
  std::vector<Room> rooms_;
};

TEST_F(VenueRooms, StatusNamesEveryRoomOnlineAnOfflineOneAndOneServingAnotherPc) {
  StartRooms(3);
  rooms_.push_back({"Gone", "127.0.7.200:" + std::to_string(emus_[0]->Port()), "", ""});
  // Another PC holds room 2.
  EventRecorder events;
  Connection holder(events, nullptr);
  holder.GetLink().SetNetwork(true);
  holder.GetLink().SetNetTarget("127.0.7.2", emus_[1]->Port());
  ASSERT_EQ(holder.GetLink().NetConnect(), 1);
  ASSERT_TRUE(holder.Sync().Identify().ok());

  std::vector<size_t> reported;
  VenueRun run = Run();
  run.finished = [&](const RoomResult& r) { reported.push_back(r.room); };
  const std::vector<RoomResult> results = QueryRooms(rooms_, run);
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(reported.size(), 4u);
  for (size_t i : {0u, 2u}) {
    EXPECT_EQ(results[i].outcome, RoomOutcome::kDone) << results[i].message;
    EXPECT_EQ(results[i].identity.module, "NR490");
    EXPECT_EQ(results[i].identity.protocolVersion, 24);
    EXPECT_FALSE(results[i].identity.mcuVersion.empty());
    EXPECT_EQ(results[i].identity.mode, emus_[i]->Core().CurrentMode());
  }
  EXPECT_EQ(results[1].outcome, RoomOutcome::kBusy);
  EXPECT_EQ(results[3].outcome, RoomOutcome::kOffline);
  EXPECT_NE(results[3].message.find("127.0.7.200"), std::string::npos) << results[3].message;
  // Each room was left with a goodbye, free for the next PC.
  EXPECT_TRUE(Eventually([&] { return Codes(emus_[0]->Core()).back() == 0x8A; }));
}

TEST_F(VenueRooms, BackupOfSixteenRoomsNamesTheOneKilledPartWayAndSavesTheOthers) {
  constexpr int kVictim = 6;
  // The victim answers slowly enough to be caught part way through its read.
  StartRooms(kRooms, [](int i, emu::EmulatorOptions& o) {
    if (i == kVictim) o.latency = 5ms;
  });
  std::atomic<bool> killed{false};
  std::atomic<int> maxRunning{0}, running{0};
  VenueRun run = Run();
  run.progress = [&](const RoomProgress& p) {
    if (p.room == kVictim && p.step == RoomStep::kReading && p.chunks > 0 && !killed.exchange(true)) emus_[kVictim]->Stop();
  };
  const auto when = std::chrono::system_clock::now();
  const BackupSummary first = BackupRooms(rooms_, dir_ / "backups", when, run);
  ASSERT_EQ(first.error, "");
  EXPECT_TRUE(killed);
  EXPECT_EQ(first.folder, dir_ / "backups" / BackupFolderName(when));
  for (int i = 0; i < kRooms; ++i) {
    const RoomResult& r = first.rooms[static_cast<size_t>(i)];
    if (i == kVictim) {
      EXPECT_EQ(r.outcome, RoomOutcome::kOffline);
      EXPECT_NE(r.message.find("reading the image"), std::string::npos) << r.message;
      EXPECT_FALSE(std::filesystem::exists(first.folder / "Room 7.mode"));
    } else {
      EXPECT_EQ(r.outcome, RoomOutcome::kDone) << i << ": " << r.message;
      EXPECT_EQ(std::filesystem::file_size(r.file), static_cast<uintmax_t>(kModeFileWithTrailerSize));
    }
  }
  std::ifstream summary(first.folder / "summary.txt");
  std::string head, line;
  std::getline(summary, head);
  EXPECT_NE(head.find("15 saved, 1 not"), std::string::npos) << head;
  int offlineLines = 0;
  while (std::getline(summary, line)) offlineLines += line.starts_with("offline\tRoom 7\t");
  EXPECT_EQ(offlineLines, 1);

  // A second backup in the same minute never writes into the first one's folder. A room named
  // in Chinese gets a file of that name on every system (Windows would read a plain string's
  // bytes in its own code page).
  rooms_.resize(2);
  rooms_[1].name = "\xe5\xa4\xa7\xe5\x8e\x85";  // 大厅
  const BackupSummary second = BackupRooms(rooms_, dir_ / "backups", when, Run());
  EXPECT_EQ(second.folder, dir_ / "backups" / (BackupFolderName(when) + "-2"));
  EXPECT_TRUE(second.rooms[0].ok());
  ASSERT_TRUE(second.rooms[1].ok()) << second.rooms[1].message;
  EXPECT_EQ(second.rooms[1].file, second.folder / std::filesystem::path(u8"\u5927\u5385.mode"));
  EXPECT_TRUE(std::filesystem::is_regular_file(second.folder / std::filesystem::path(u8"\u5927\u5385.mode")));
}

TEST_F(VenueRooms, PushStoresThePresetAndCheckFindsTheRoomHoldingAnother) {
  StartRooms(kRooms);
  const auto reference = Preset("reference.mode", 40);
  const auto other = Preset("other.mode", 77);
  const std::vector<RoomResult> pushed = PushToRooms(rooms_, reference, 2, Run());
  for (const RoomResult& r : pushed) EXPECT_TRUE(r.ok()) << r.room << ": " << r.message;
  for (auto& e : emus_) EXPECT_TRUE(Eventually([&] { return e->Core().CurrentMode() == 2 && Codes(e->Core()).back() == 0x8A; }));
  // Room 4 is given the other preset, and not stored anywhere.
  const std::vector<Room> fourth{rooms_[3]};
  ASSERT_TRUE(PushToRooms(fourth, other, -1, Run())[0].ok());

  DeviceState expected;
  ASSERT_TRUE(ReadPreset(reference, expected).ok());
  const std::vector<RoomResult> checked = CheckRooms(rooms_, expected, Run());
  for (const RoomResult& r : checked) {
    ASSERT_TRUE(r.ok()) << r.room << ": " << r.message;
    ASSERT_TRUE(r.check);
    if (r.room != 3) {
      EXPECT_TRUE(r.check->equal) << r.room << ": " << (r.check->items.empty() ? "" : r.check->items[0].name);
      continue;
    }
    EXPECT_FALSE(r.check->equal);
    EXPECT_EQ(r.check->differences, 1);
    ASSERT_EQ(r.check->pages.size(), 1u);
    EXPECT_EQ(r.check->pages[0].page, "Microphones and music");
    EXPECT_EQ(r.check->items[0].a, "40 %");
    EXPECT_EQ(r.check->items[0].b, "77 %");
  }
}

TEST_F(VenueRooms, APushThatStopsPartWaySaysWhatTheRoomNowHolds) {
  StartRooms(2, [](int i, emu::EmulatorOptions& o) {
    if (i == 1) o.chunkFaults.push_back({emu::ChunkFault::Kind::kSkip, 30, 0, true});  // chunk 30 of a write, never answered
  });
  const auto preset = Preset("p.mode", 55);
  const std::vector<RoomResult> results = PushToRooms(rooms_, preset, 0, Run());
  EXPECT_TRUE(results[0].ok()) << results[0].message;
  EXPECT_FALSE(results[1].ok());
  EXPECT_NE(results[1].message.find("chunk 31 of 70"), std::string::npos) << results[1].message;
  EXPECT_NE(results[1].message.find(kPartlyWrittenAdvice), std::string::npos) << results[1].message;
  // The half-written preset is not stored in the slot.
  const auto codes = Codes(emus_[1]->Core());
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 0x04), 0);
}

TEST_F(VenueRooms, AStopEndsTheRoomsUnderWayAndBeginsNoOther) {
  StartRooms(4, [](int, emu::EmulatorOptions& o) { o.latency = 3ms; });
  std::atomic<bool> stop{false};
  VenueRun run = Run();
  run.parallel = 2;
  run.stop = [&] { return stop.load(); };
  run.progress = [&](const RoomProgress& p) {
    if (p.step == RoomStep::kReading && p.chunks > 0) stop = true;
  };
  const BackupSummary summary = BackupRooms(rooms_, dir_, std::chrono::system_clock::now(), run);
  ASSERT_EQ(summary.rooms.size(), 4u);
  for (const RoomResult& r : summary.rooms) EXPECT_EQ(r.outcome, RoomOutcome::kCancelled) << r.room << ": " << r.message;
  EXPECT_EQ(summary.rooms[3].message, "not begun: stopped");
  EXPECT_TRUE(Codes(emus_[3]->Core()).empty());
}

TEST(VenueScan, FoundDevicesAreAddedByAddressAndKnownOnesKeepTheirNames) {
  Venue venue;
  ASSERT_EQ(AddRoom(venue, {"Bar", "10.0.0.5", "", ""}), "");
  ASSERT_EQ(AddRoom(venue, {"10.0.0.7", "10.0.0.99", "a room named like an address", ""}), "");
  std::vector<ScanHit> hits(4);
  hits[0] = {"10.0.0.5", true, false, "NR490", 24, ""};
  hits[1] = {"10.0.0.6", false, true, "", 0, ""};   // busy: still a device
  hits[2] = {"10.0.0.7", true, false, "NR490", 24, ""};
  hits[3] = {"10.0.0.8", false, false, "", 0, "accepted the connection but did not identify itself"};
  const ScanMerge merge = MergeScan(venue, hits, kDefaultDevicePort);
  EXPECT_EQ(merge.known, std::vector<std::string>{"Bar"});
  EXPECT_EQ(merge.added, (std::vector<std::string>{"10.0.0.6", "10.0.0.7 (2)"}));
  ASSERT_EQ(venue.rooms.size(), 4u);
  EXPECT_EQ(venue.rooms[3].address, "10.0.0.7");
  // Off the default port the port is part of the address.
  Venue other;
  EXPECT_EQ(MergeScan(other, {hits[0]}, 4000).added, std::vector<std::string>{"10.0.0.5:4000"});
}

}  // namespace
}  // namespace nr::test
