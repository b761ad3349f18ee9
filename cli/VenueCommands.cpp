// nrctl venue: the rooms of a venue, and what is done to all of them at once.
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>

#include "DeviceReport.h"
#include "ProgressLine.h"
#include "StopSignals.h"
#include "TerminalText.h"
#include "ToolCommands.h"
#include "venue/VenueOps.h"
#include "shell/PathText.h"

namespace nr::cli {
namespace {

using Json = nlohmann::ordered_json;

constexpr OptionSpec kVenueOptions[] = {{"--venue", true}, {"--json", false}, {"--port", true},
                                        {"--timeout-ms", true}, {"--store", true},
                                        {"--parallel", true}};

struct VenueArgs {
  std::filesystem::path file;
  std::string action;
  CommandArgs args;  // the action's words after it
};

// The options each action takes (--venue goes with all).
void ExpectOptions(const VenueArgs& v, std::initializer_list<std::string_view> allowed) {
  for (const auto& [name, value] : v.args.options) {
    if (name == "--venue") continue;
    if (std::find(allowed.begin(), allowed.end(), name) == allowed.end())
      throw UsageError("venue " + v.action + " takes no " + name);
  }
}

int Refused(const CommandContext& ctx, std::string_view message) {
  if (ctx.progress) ctx.progress->Erase();
  ctx.err << "nrctl venue: " << TerminalSafe(message) << "\n";
  return kExitRefused;
}

int Failed(const CommandContext& ctx, std::string_view message) {
  ctx.err << "nrctl venue: " << TerminalSafe(message) << "\n";
  return kExitFailure;
}

// The venue, or the exit status of its refusal.
int Load(const CommandContext& ctx, const VenueArgs& v, Venue& venue) {
  const VenueFileResult read = LoadVenue(v.file, venue);
  if (!read.ok()) return Refused(ctx, read.message);
  return kExitOk;
}

// The rooms named on the command line, or every room when none is; a name the venue does not
// know is a usage error (nothing is done then).
std::vector<Room> ChosenRooms(const Venue& venue, std::span<const std::string> names) {
  if (names.empty()) return venue.rooms;
  std::vector<Room> rooms;
  for (const std::string& name : names) {
    const Room* room = venue.Find(name);
    if (!room) throw UsageError("the venue has no room named " + Quoted(name));
    if (std::none_of(rooms.begin(), rooms.end(), [&](const Room& r) { return r.name == name; })) rooms.push_back(*room);
  }
  return rooms;
}

// What the progress line shows while rooms run: how many have ended, and what the others do.
class VenueProgress {
 public:
  VenueProgress(const CommandContext& ctx, size_t rooms) : line_(ctx.progress), steps_(rooms, RoomStep::kWaiting) {}

  void Progress(const RoomProgress& p) {
    std::lock_guard lock(mutex_);
    steps_[p.room] = p.step;
    Show();
  }
  void Ended(const RoomResult& r) {
    std::lock_guard lock(mutex_);
    steps_[r.room] = RoomStep::kEnded;
    ++ended_;
    failed_ += !r.ok();
    Show();
  }
  void Erase() {
    if (line_) line_->Erase();
  }

 private:
  void Show() {
    if (!line_) return;
    std::map<RoomStep, int> counts;
    for (RoomStep s : steps_) ++counts[s];
    std::string text = std::to_string(ended_) + "/" + std::to_string(steps_.size()) + " rooms ended";
    if (failed_) text += " (" + std::to_string(failed_) + " failed)";
    static constexpr std::pair<RoomStep, const char*> kWords[] = {
        {RoomStep::kConnecting, "connecting"}, {RoomStep::kReading, "reading"}, {RoomStep::kWriting, "writing"}, {RoomStep::kStoring, "storing"}};
    for (const auto& [step, word] : kWords)
      if (counts[step]) text += ", " + std::to_string(counts[step]) + " " + word;
    line_->Update("", text);
  }

  ProgressLine* line_;
  std::mutex mutex_;
  std::vector<RoomStep> steps_;
  int ended_ = 0;
  int failed_ = 0;
};

VenueRun MakeRun(const VenueArgs& v, VenueProgress& progress, const StopSignals& stop) {
  VenueRun run;
  if (const std::string* n = v.args.Value("--parallel")) run.parallel = static_cast<int>(ParseIntegerArg(*n, "--parallel", 1, 64));
  run.progress = [&](const RoomProgress& p) { progress.Progress(p); };
  run.finished = [&](const RoomResult& r) { progress.Ended(r); };
  run.stop = [&] { return stop.Requested(); };
  return run;
}

std::string Safe(const std::string& text) { return TerminalSafe(text); }

// "NAME: offline: cannot connect to ..." for a room that did not succeed.
std::string Problem(const RoomResult& r) {
  return OutcomeWord(r.outcome) + (r.message.empty() ? "" : ": " + r.message);
}

int ExitOf(const std::vector<RoomResult>& results) {
  return std::all_of(results.begin(), results.end(), [](const RoomResult& r) { return r.ok(); }) ? kExitOk : kExitFailure;
}

int NoRooms(const CommandContext& ctx, const VenueArgs& v) {
  ctx.err << "nrctl venue: " << Safe(Utf8OfPath(v.file)) << " holds no rooms (add them with venue add or venue scan)\n";
  return kExitOk;
}

// ---- the list and its edits ------------------------------------------------------------------

int List(const CommandContext& ctx, const VenueArgs& v) {
  ExpectOptions(v, {"--json"});
  ExpectPositionals(v.args, 0, 0);
  Venue venue;
  if (const int status = Load(ctx, v, venue)) return status;
  if (v.args.Has("--json")) {
    Json list = Json::array();
    for (const Room& r : venue.rooms)
      list.push_back({{"name", r.name}, {"address", r.address}, {"note", r.note},
                      {"lastBackup", r.lastBackup.empty() ? Json(nullptr) : Json(r.lastBackup)}});
    ctx.out << JsonLine(list, 2) << "\n";
    return kExitOk;
  }
  for (const Room& r : venue.rooms) {
    ctx.out << Safe(r.name) << "  " << Safe(r.address);
    if (!r.lastBackup.empty()) ctx.out << "  backed up " << Safe(r.lastBackup);
    if (!r.note.empty()) ctx.out << "  (" << Safe(r.note) << ")";
    ctx.out << "\n";
  }
  return kExitOk;
}

int Edit(const CommandContext& ctx, const VenueArgs& v, const std::function<std::string(Venue&)>& edit, const std::string& done) {
  const VenueEditResult result = EditVenueFile(v.file, edit);
  switch (result.outcome) {
    case VenueEditOutcome::kSaved: ctx.out << Safe(done) << "\n"; return kExitOk;
    case VenueEditOutcome::kFileRefused: return Refused(ctx, result.message);
    case VenueEditOutcome::kEditRefused:
    case VenueEditOutcome::kNotWritten: break;
  }
  return Failed(ctx, result.message);
}

int Add(const CommandContext& ctx, const VenueArgs& v) {
  ExpectOptions(v, {});
  ExpectPositionals(v.args, 2, 3);
  Room room{v.args.positional[0], v.args.positional[1], v.args.positional.size() > 2 ? v.args.positional[2] : "", ""};
  // What no venue could take is a usage mistake; a clash with this venue's rooms is not.
  if (std::string problem = RoomNameProblem(room.name); !problem.empty()) throw UsageError(problem);
  if (!RoomTarget(room.address)) throw UsageError(Quoted(room.address) + " is no network address (HOST or HOST:PORT)");
  return Edit(ctx, v, [&](Venue& venue) { return AddRoom(venue, room); }, "added " + room.name + " (" + room.address + ")");
}

int Remove(const CommandContext& ctx, const VenueArgs& v) {
  ExpectOptions(v, {});
  ExpectPositionals(v.args, 1, 1);
  const std::string& name = v.args.positional[0];
  return Edit(ctx, v, [&](Venue& venue) { return RemoveRoom(venue, name); }, "removed " + name);
}

int Rename(const CommandContext& ctx, const VenueArgs& v) {
  ExpectOptions(v, {});
  ExpectPositionals(v.args, 2, 2);
  const std::string &from = v.args.positional[0], &to = v.args.positional[1];
  if (std::string problem = RoomNameProblem(to); !problem.empty()) throw UsageError(problem);
  return Edit(ctx, v, [&](Venue& venue) { return RenameRoom(venue, from, to); }, "renamed " + from + " to " + to);
}

// ---- operations on the rooms -----------------------------------------------------------------

int Scan(const CommandContext& ctx, const VenueArgs& v) {
  ExpectOptions(v, {"--port", "--timeout-ms"});
  ExpectPositionals(v.args, 1, 1);
  std::string error;
  const std::optional<Ipv4Subnet> subnet = ParseSubnet(v.args.positional[0], error);
  if (!subnet) throw UsageError(error);
  ScanOptions options;
  if (const std::string* p = v.args.Value("--port")) options.port = static_cast<uint16_t>(ParseIntegerArg(*p, "--port", 1, 65535));
  if (const std::string* t = v.args.Value("--timeout-ms"))
    options.connectTimeout = std::chrono::milliseconds(ParseIntegerArg(*t, "--timeout-ms", 10, 10000));
  // A venue file that would be refused is refused before the network is searched.
  Venue check;
  if (const int status = Load(ctx, v, check)) return status;
  const StopSignals stop;
  options.stop = [&] { return stop.Requested(); };
  options.progress = [&](int done, int total) {
    if (ctx.progress) ctx.progress->Update("", std::to_string(done) + "/" + std::to_string(total) + " addresses");
  };
  const std::vector<ScanHit> hits = ScanSubnet(*subnet, options);
  if (ctx.progress) ctx.progress->Erase();
  for (const ScanHit& hit : hits)
    if (!hit.identified && !hit.busy) ctx.err << "nrctl venue scan: " << hit.address << ": " << hit.problem << "\n";
  ScanMerge merge;
  const VenueEditResult edited = EditVenueFile(v.file, [&](Venue& venue) {
    merge = MergeScan(venue, hits, options.port);
    return std::string();
  });
  if (edited.outcome == VenueEditOutcome::kFileRefused) return Refused(ctx, edited.message);
  if (edited.outcome != VenueEditOutcome::kSaved) return Failed(ctx, edited.message);
  for (const std::string& name : merge.added) ctx.out << "added " << Safe(name) << "\n";
  for (const std::string& name : merge.known) ctx.out << "known " << Safe(name) << "\n";
  if (merge.added.empty() && merge.known.empty())
    ctx.err << "nrctl venue scan: no device found on " << FormatSubnet(*subnet) << " port " << options.port << "\n";
  return stop.Requested() ? kExitFailure : kExitOk;
}

int Status(const CommandContext& ctx, const VenueArgs& v) {
  ExpectOptions(v, {"--json", "--parallel"});
  ExpectPositionals(v.args, 0, 0);
  Venue venue;
  if (const int status = Load(ctx, v, venue)) return status;
  if (venue.rooms.empty()) return NoRooms(ctx, v);
  const StopSignals stop;
  VenueProgress progress(ctx, venue.rooms.size());
  const std::vector<RoomResult> results = QueryRooms(venue.rooms, MakeRun(v, progress, stop));
  progress.Erase();
  Json list = Json::array();
  for (const RoomResult& r : results) {
    const Room& room = venue.rooms[r.room];
    const RoomIdentity& id = r.identity;
    const bool online = r.ok() || r.outcome == RoomOutcome::kBusy || (r.outcome == RoomOutcome::kFailed && id.protocolVersion);
    if (v.args.Has("--json")) {
      Json entry{{"name", room.name}, {"address", room.address}, {"online", online},
                 {"busy", r.outcome == RoomOutcome::kBusy}};
      entry["module"] = id.module.empty() ? Json(nullptr) : Json(id.module);
      entry["mcuVersion"] = id.mcuVersion.empty() ? Json(nullptr) : Json(id.mcuVersion);
      entry["dspVersion"] = id.dspVersion.empty() ? Json(nullptr) : Json(id.dspVersion);
      entry["protocol"] = id.protocolVersion ? Json(id.protocolVersion) : Json(nullptr);
      entry["mode"] = id.mode >= 0 ? Json(id.mode + 1) : Json(nullptr);
      entry["problem"] = r.ok() ? Json(nullptr) : Json(Problem(r));
      list.push_back(std::move(entry));
      continue;
    }
    ctx.out << Safe(room.name) << "  " << Safe(room.address) << "  ";
    if (r.ok())
      ctx.out << "online  " << Safe(id.module) << "  mcu " << Safe(id.mcuVersion) << "  dsp " << Safe(id.dspVersion)
              << "  protocol " << id.protocolVersion << "  " << (id.mode >= 0 ? "M" + std::to_string(id.mode + 1) : "mode unknown") << "\n";
    else if (r.outcome == RoomOutcome::kBusy)
      ctx.out << "online, serving another PC\n";
    else
      ctx.out << Safe(Problem(r)) << "\n";
  }
  if (v.args.Has("--json")) ctx.out << JsonLine(list, 2) << "\n";
  return ExitOf(results);
}

int Backup(const CommandContext& ctx, const VenueArgs& v) {
  ExpectOptions(v, {"--parallel"});
  ExpectPositionals(v.args, 1, 1);
  Venue venue;
  if (const int status = Load(ctx, v, venue)) return status;
  if (venue.rooms.empty()) return NoRooms(ctx, v);
  const StopSignals stop;
  VenueProgress progress(ctx, venue.rooms.size());
  const BackupSummary summary = BackupRooms(venue.rooms, PathFromUtf8(v.args.positional[0]), std::chrono::system_clock::now(), MakeRun(v, progress, stop));
  progress.Erase();
  if (summary.folder.empty()) return Failed(ctx, summary.error);
  int saved = 0;
  for (const RoomResult& r : summary.rooms) {
    const Room& room = venue.rooms[r.room];
    saved += r.ok();
    if (r.ok())
      ctx.out << Safe(room.name) << ": saved " << Safe(Utf8OfPath(r.file)) << "\n";
    else
      ctx.err << "nrctl venue backup: " << Safe(room.name) << ": " << Safe(Problem(r)) << "\n";
  }
  ctx.out << saved << " of " << summary.rooms.size() << " rooms saved in " << Safe(Utf8OfPath(summary.folder)) << "\n";
  if (!summary.error.empty()) return Failed(ctx, summary.error);  // the summary file
  // Each saved room remembers its backup; the venue file is edited once, after all.
  if (const std::string error = NoteBackup(v.file, venue.rooms, summary); !error.empty())
    Failed(ctx, "the backup is complete, but the venue file does not say so: " + error);
  return ExitOf(summary.rooms);
}

int Push(const CommandContext& ctx, const VenueArgs& v) {
  ExpectOptions(v, {"--store", "--parallel"});
  ExpectPositionals(v.args, 1, SIZE_MAX);
  int slot = -1;
  if (const std::string* s = v.args.Value("--store")) slot = static_cast<int>(ParseIntegerArg(*s, "--store", 1, 4)) - 1;
  const std::string& file = v.args.positional[0];
  Venue venue;
  if (const int status = Load(ctx, v, venue)) return status;
  const std::vector<Room> rooms = ChosenRooms(venue, std::span(v.args.positional).subspan(1));
  // A preset that will be refused costs no room a connection.
  DeviceState preset;
  if (const ModeFileResult read = ReadPreset(PathFromUtf8(file), preset); !read.ok())
    return Refused(ctx, read.error == ModeFileError::kCannotOpen ? read.message : file + ": " + read.message);
  if (rooms.empty()) return NoRooms(ctx, v);
  const StopSignals stop;
  VenueProgress progress(ctx, rooms.size());
  const std::vector<RoomResult> results = PushToRooms(rooms, PathFromUtf8(file), slot, MakeRun(v, progress, stop));
  progress.Erase();
  for (const RoomResult& r : results) {
    const Room& room = rooms[r.room];
    if (r.ok())
      ctx.out << Safe(room.name) << ": pushed" << (slot >= 0 ? " and stored in M" + std::to_string(slot + 1) : "") << "\n";
    else
      ctx.err << "nrctl venue push: " << Safe(room.name) << ": " << Safe(Problem(r)) << "\n";
  }
  return ExitOf(results);
}

int Check(const CommandContext& ctx, const VenueArgs& v) {
  ExpectOptions(v, {"--json", "--parallel"});
  ExpectPositionals(v.args, 1, SIZE_MAX);
  const std::string& file = v.args.positional[0];
  Venue venue;
  if (const int status = Load(ctx, v, venue)) return status;
  const std::vector<Room> rooms = ChosenRooms(venue, std::span(v.args.positional).subspan(1));
  DeviceState reference;
  if (const ModeFileResult read = ReadPreset(PathFromUtf8(file), reference); !read.ok())
    return Refused(ctx, read.error == ModeFileError::kCannotOpen ? read.message : file + ": " + read.message);
  if (rooms.empty()) return NoRooms(ctx, v);
  const StopSignals stop;
  VenueProgress progress(ctx, rooms.size());
  const std::vector<RoomResult> results = CheckRooms(rooms, reference, MakeRun(v, progress, stop));
  progress.Erase();
  bool allEqual = true;
  Json list = Json::array();
  for (const RoomResult& r : results) {
    const Room& room = rooms[r.room];
    allEqual = allEqual && r.check && r.check->equal;
    if (v.args.Has("--json")) {
      Json entry{{"name", room.name}, {"address", room.address}};
      if (r.check) {
        Json pages = Json::object();
        for (const PageDifferences& p : r.check->pages) pages[p.page] = p.count;
        entry["equal"] = r.check->equal;
        entry["differences"] = r.check->differences;
        entry["pages"] = pages;
        entry["problem"] = nullptr;
      } else {
        entry["equal"] = nullptr;  // not known: the room could not be read
        entry["differences"] = nullptr;
        entry["pages"] = nullptr;
        entry["problem"] = Problem(r);
      }
      list.push_back(std::move(entry));
      continue;
    }
    ctx.out << Safe(room.name) << ": ";
    if (!r.check) {
      ctx.out << Safe(Problem(r)) << "\n";
    } else if (r.check->equal) {
      ctx.out << "equal\n";
    } else {
      ctx.out << r.check->differences << (r.check->differences == 1 ? " difference (" : " differences (");
      for (size_t i = 0; i < r.check->pages.size(); ++i)
        ctx.out << (i ? ", " : "") << r.check->pages[i].page << " " << r.check->pages[i].count;
      ctx.out << ")\n";
    }
  }
  if (v.args.Has("--json")) ctx.out << JsonLine(list, 2) << "\n";
  return allEqual ? kExitOk : kExitFailure;
}

int RunVenue(const CommandContext& ctx, std::span<const std::string> words) {
  if (ctx.options.transport != GlobalOptions::Transport::kDefault)
    throw UsageError("the rooms' addresses come from the venue file: --net and --usb are not for venue");
  VenueArgs v;
  v.args = ParseCommandArgs(words, kVenueOptions);
  if (v.args.positional.empty()) throw UsageError("which venue action? list, add, remove, rename, scan, status, backup, push or check");
  v.action = v.args.positional.front();
  v.args.positional.erase(v.args.positional.begin());
  const std::string* file = v.args.Value("--venue");
  v.file = file ? PathFromUtf8(*file) : DefaultVenueFile();
  if (file && file->empty()) throw UsageError("--venue needs a file name");

  static const std::map<std::string, int (*)(const CommandContext&, const VenueArgs&), std::less<>> kActions{
      {"list", List},   {"add", Add},       {"remove", Remove}, {"rename", Rename}, {"scan", Scan},
      {"status", Status}, {"backup", Backup}, {"push", Push},     {"check", Check}};
  const auto action = kActions.find(v.action);
  if (action == kActions.end()) throw UsageError("unknown venue action " + Quoted(v.action));
  return action->second(ctx, v);
}

}  // namespace

void RegisterVenueCommand(CommandTable& table) {
  table.Add(Command{
      "venue",
      "the rooms of a venue: list, scan, status, backup, push and check them all at once",
      "[--venue FILE] list [--json] | add NAME HOST[:PORT] [NOTE] | remove NAME |\n"
      "       rename OLD NEW | scan CIDR [--port N] [--timeout-ms T] | status [--json] | backup DIR |\n"
      "       push FILE [--store N] [ROOM...] | check FILE [ROOM...] [--json]\n"
      "       (status, backup, push and check also take [--parallel N])",
      "A venue is the list of its rooms, one processor each, with a name, a network address and a\n"
      "note, kept in a JSON file: the application's own (~/.local/share/nrtune/venue.json, under\n"
      "$XDG_DATA_HOME when set) unless --venue names another. A venue file that is no venue (bad\n"
      "JSON, with its line; two rooms of one name; a bad address) is refused with exit status 3\n"
      "and left as it is. Edits are written in one step with the file held, so parallel edits\n"
      "take turns.\n"
      "\n"
      "Room names are at most 64 bytes, without '/' or control characters: each names its backup\n"
      "file. Operations on rooms run 16 rooms at a time (--parallel N: 1 to 64), each on a\n"
      "connection of its own that ends with a goodbye; a terminal shows how many have ended. A\n"
      "room that cannot be reached, or drops off part way, is named offline and the others go\n"
      "on. Ctrl-C (or SIGTERM) stops the rooms under way and begins no other.\n"
      "\n"
      "  list        the rooms, one a line: name, address, the folder of its last backup, note\n"
      "  add         a room; NOTE is optional\n"
      "  remove      a room\n"
      "  rename      a room (its backups keep their names)\n"
      "  scan        tries every address of the subnet (at most a /22) on the device port (30303\n"
      "              unless --port), waiting at most T ms (default 300) for each connection, and\n"
      "              adds each device that answers, named by its address, unless a room has that\n"
      "              address already. Prints \"added NAME\" and \"known NAME\" lines.\n"
      "  status      asks every room its identification and running mode: name, address,\n"
      "              online, module, firmware dates (mcu, dsp), protocol version, M1..M4; or\n"
      "              \"online, serving another PC\"; or why it could not be asked\n"
      "  backup      reads every room whole into a new folder DIR/YYYY-MM-DD_HHMM (a second\n"
      "              backup within one minute gets -2, -3, ... after it: never an existing\n"
      "              folder), as NAME.mode, with summary.txt (one line a room: saved or why not,\n"
      "              name, address, file or reason, separated by tabs). The venue notes each\n"
      "              saved room's folder.\n"
      "  push        writes the mode file FILE (refused with status 3 before any room is reached)\n"
      "              into the ROOMs named, or every room, and with --store N stores it in mode\n"
      "              slot N (1..4). A room where the write stopped says what it now holds.\n"
      "  check       reads the ROOMs named, or every room, and compares each with FILE as diff\n"
      "              compares: \"equal\", or \"N differences (PAGE n, ...)\" by page. A processor\n"
      "              does not report its record EQ's bands, so they are not compared.\n"
      "  --json      list: [{\"name\", \"address\", \"note\", \"lastBackup\"}]; status: [{\"name\",\n"
      "              \"address\", \"online\", \"busy\", \"module\", \"mcuVersion\", \"dspVersion\",\n"
      "              \"protocol\", \"mode\" (1..4), \"problem\"}]; check: [{\"name\", \"address\",\n"
      "              \"equal\", \"differences\", \"pages\" ({PAGE: n}), \"problem\"}], equal and\n"
      "              differences null for a room that could not be read\n"
      "Exit status: 0 when every room succeeded (check: and is equal to FILE), 1 when any did\n"
      "not (each named on stderr, or in the list), 2 usage (also a ROOM the venue does not\n"
      "have), 3 the venue file or FILE refused.\n",
      RunVenue,
  });
}

}  // namespace nr::cli
