#pragma once
// What an installer does to every room of a venue at once: ask each room's state, back every
// room up, push a preset to chosen rooms, check chosen rooms against a reference preset. Rooms
// run in parallel, at most `parallel` at a time (16 unless told), each on a connection of its
// own that ends with a goodbye, so the room is free for the next PC at once.
//
// Each room reports how far it has come (RoomProgress, from the thread that called the
// operation, about every 100 ms while it changes) and how it ended (RoomResult, from the room's
// worker, one call at a time). A room that drops off the network part way is named offline and
// the others go on. The stop predicate ends the operation early: rooms under way are cut short
// (a push stops before its next request and says what the room now holds), rooms not yet begun
// are not touched; every room still gets its result.
//
// Every operation blocks until all rooms have ended: the application runs it on a worker.
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/DeviceModel.h"
#include "link/Link.h"
#include "session/NetScan.h"
#include "shell/ModeFile.h"
#include "venue/PresetCompare.h"
#include "venue/VenueFile.h"

namespace nr {

inline constexpr int kParallelRooms = 16;

// How far one room has come.
enum class RoomStep { kWaiting, kConnecting, kReading, kWriting, kStoring, kEnded };

struct RoomProgress {
  size_t room = 0;  // index into the rooms the operation was given
  RoomStep step = RoomStep::kWaiting;
  int chunks = 0;   // kReading, kWriting: image chunks done, of kImageChunks
};

enum class RoomOutcome {
  kDone,       // the operation succeeded in this room (a check: whatever the comparison found)
  kOffline,    // nothing answered at the address, or the room went silent or away part way
  kBusy,       // the processor serves another PC
  kFailed,     // it answered, but wrongly, in another protocol version, or reported an error;
               // or its backup file could not be written
  kCancelled,  // stopped by the user, or never begun because of that
};

// What the processor said of itself (status, and whatever else identified it).
struct RoomIdentity {
  std::string module;
  std::string mcuVersion;  // firmware dates as the device gives them
  std::string dspVersion;
  int protocolVersion = 0;
  int mode = -1;  // the running mode slot 0..3 (status only), -1 when not asked or not told
};

struct RoomCheck {
  bool equal = false;
  int differences = 0;
  std::vector<PageDifferences> pages;          // how many per page, in the application's order
  std::vector<PresetDifference> items;         // each of them: reference value a, room value b
};

struct RoomResult {
  size_t room = 0;
  RoomOutcome outcome = RoomOutcome::kCancelled;
  std::string message;           // why it did not succeed, in words; for a push what the room now holds
  RoomIdentity identity;         // filled once the room identified itself
  std::filesystem::path file;    // backup: the room's mode file
  std::optional<RoomCheck> check;  // check: the comparison, when the room was read
  bool ok() const { return outcome == RoomOutcome::kDone; }
};

struct VenueRun {
  int parallel = kParallelRooms;
  LinkConfig link;  // time-outs of each room's connection
  std::function<void(const RoomProgress&)> progress;
  std::function<void(const RoomResult&)> finished;
  std::function<bool()> stop;
};

// Online or not, what is there, and whether it serves another PC (kBusy). A room is asked its
// identification and its running mode; nothing is changed.
std::vector<RoomResult> QueryRooms(const std::vector<Room>& rooms, const VenueRun& run);

struct BackupSummary {
  std::string error;              // the folder could not be made: nothing was read
  std::filesystem::path folder;   // <into>/<YYYY-MM-DD_HHMM>, made new for this backup
  std::vector<RoomResult> rooms;
};
// Every room into a new folder under `into`, named for the local time `when` (a second backup
// in the same minute gets "-2", "-3", ... after it: never an existing folder), as <room>.mode,
// with summary.txt naming what succeeded and what did not.
BackupSummary BackupRooms(const std::vector<Room>& rooms, const std::filesystem::path& into,
                          std::chrono::system_clock::time_point when, const VenueRun& run);
// Notes in the venue file, for each room the backup saved, the backup's folder (rooms matched by
// name; a room renamed or removed meanwhile is left alone). An empty text, or why not.
std::string NoteBackup(const std::filesystem::path& venueFile, const std::vector<Room>& rooms, const BackupSummary& summary);
// The name of the backup folder for a moment, "2026-12-11_0930".
std::string BackupFolderName(std::chrono::system_clock::time_point when);

// Reads a mode file as a preset to push or to compare with, refusing what loading refuses.
// The file's own values: nothing is adjusted to a module.
ModeFileResult ReadPreset(const std::filesystem::path& path, DeviceState& preset);

// Writes the preset into each room, and when slot is 0..3 stores it there. A room where the
// write stopped part way says that it now holds part of the new preset; one where nothing of it
// went out says that it is unchanged.
std::vector<RoomResult> PushToRooms(const std::vector<Room>& rooms, const std::filesystem::path& preset, int slot,
                                    const VenueRun& run);

// Reads each room whole and compares it with the reference (as `nrctl diff` compares).
std::vector<RoomResult> CheckRooms(const std::vector<Room>& rooms, const DeviceState& reference, const VenueRun& run);

struct ScanMerge {
  std::vector<std::string> added;  // names of the rooms the scan added
  std::vector<std::string> known;  // rooms already in the venue that answered
};
// Adds every device a scan found (identified or busy) that no room has as its address yet, named
// by its address ("10.0.0.7", "10.0.0.7:4000" off the default port).
ScanMerge MergeScan(Venue& venue, const std::vector<ScanHit>& hits, uint16_t port);

// In words, for both front ends: "done", "offline", "busy (serving another PC)", ...
std::string OutcomeWord(RoomOutcome outcome);

}  // namespace nr
