#include "venue/VenueOps.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>

#include "link/WriteNames.h"
#include "session/Connection.h"
#include "shell/AtomicFile.h"
#include "shell/DeviceModes.h"
#include "shell/PathText.h"
#include "shell/UserDirs.h"

namespace nr {
namespace {

// A processor still closing the previous PC's session may turn the next one away for a moment
// (one operation often follows another at once), so a busy answer is asked again a few times.
constexpr int kBusyAttempts = 4;
constexpr std::chrono::milliseconds kBusyPause{300};
constexpr std::chrono::milliseconds kWatchPeriod{50};
constexpr int kWatchesPerProgress = 2;  // progress about every 100 ms

// What one room's connection hears besides the answers.
class RoomEvents : public LinkEvents {
 public:
  void HostBusy() override {
    busy = true;
    // Nothing will answer on this connection: dropping it ends the requests waiting on it now.
    if (Link* l = link.load()) l->Close(false);
  }
  void ErrorReport(const std::string& text) override {
    std::lock_guard lock(mutex_);
    if (error_.empty()) error_ = text;
  }
  std::string Error() {
    std::lock_guard lock(mutex_);
    return error_;
  }
  std::atomic<bool> busy{false};
  std::atomic<Link*> link{nullptr};

 private:
  std::mutex mutex_;
  std::string error_;
};

// The rooms' workers and what the calling thread watches of them.
class RoomPool {
 public:
  class Task {
   public:
    Task(RoomPool& pool, size_t room) : pool_(pool), room_(room) {}
    bool Stopped() const { return pool_.stopped_; }
    // While attached, the pool shows the connection's progress and closes it on a stop
    // (closeOnStop; a write stops by itself before its next request instead).
    void Attach(Connection& connection, bool closeOnStop) {
      std::lock_guard lock(pool_.mutex_);
      Entry& e = pool_.entries_[room_];
      e.connection = &connection;
      e.closeOnStop = closeOnStop;
      if (pool_.stopped_ && closeOnStop) connection.GetLink().Close(true);
    }
    void Detach() {
      std::lock_guard lock(pool_.mutex_);
      pool_.entries_[room_].connection = nullptr;
    }
    void SetStep(RoomStep step) {
      std::lock_guard lock(pool_.mutex_);
      pool_.entries_[room_].step = step;
    }

   private:
    RoomPool& pool_;
    size_t room_;
  };

  using Work = std::function<RoomResult(size_t room, Task& task)>;

  RoomPool(size_t count, const VenueRun& run) : run_(run), entries_(count) {}

  std::vector<RoomResult> Run(const Work& work) {
    std::vector<RoomResult> results(entries_.size());
    const size_t workers = std::min(entries_.size(), static_cast<size_t>(std::max(run_.parallel, 1)));
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (size_t w = 0; w < workers; ++w)
      threads.emplace_back([&] {
        for (size_t room; (room = next_++) < entries_.size();) {
          RoomResult result;
          if (stopped_) {
            result.message = "not begun: stopped";
          } else {
            Task task(*this, room);
            result = work(room, task);
            task.Detach();
            task.SetStep(RoomStep::kEnded);
          }
          result.room = room;
          if (stopped_ && result.outcome != RoomOutcome::kDone && result.outcome != RoomOutcome::kCancelled &&
              result.outcome != RoomOutcome::kBusy)
            result.outcome = RoomOutcome::kCancelled;  // what failed because it was cut short
          {
            std::lock_guard lock(finishedMutex_);
            if (run_.finished) run_.finished(result);
            results[room] = std::move(result);
          }
          {
            std::lock_guard lock(mutex_);
            ++ended_;
          }
          wake_.notify_all();
        }
      });
    Watch();
    for (std::thread& t : threads) t.join();
    return results;
  }

 private:
  struct Entry {
    Connection* connection = nullptr;
    bool closeOnStop = true;
    RoomStep step = RoomStep::kWaiting;
    std::optional<RoomProgress> shown;
  };

  // On the calling thread until every room has ended: the stop, and the progress.
  void Watch() {
    std::unique_lock lock(mutex_);
    for (int tick = 0; ended_ < entries_.size(); ++tick) {
      wake_.wait_for(lock, kWatchPeriod, [&] { return ended_ >= entries_.size(); });
      if (!stopped_ && run_.stop && run_.stop()) {
        stopped_ = true;
        for (Entry& e : entries_)
          if (e.connection && e.closeOnStop) e.connection->GetLink().Close(true);
      }
      if (tick % kWatchesPerProgress == 0 || ended_ >= entries_.size()) ShowProgress(lock);
    }
  }

  void ShowProgress(std::unique_lock<std::mutex>& lock) {
    if (!run_.progress) return;
    std::vector<RoomProgress> changed;
    for (size_t i = 0; i < entries_.size(); ++i) {
      Entry& e = entries_[i];
      RoomProgress p{i, e.step, 0};
      if (e.connection && (e.step == RoomStep::kReading || e.step == RoomStep::kWriting))
        p.chunks = e.connection->Sync().CurrentStage().chunks;
      if (e.shown && e.shown->step == p.step && e.shown->chunks == p.chunks) continue;
      e.shown = p;
      changed.push_back(p);
    }
    lock.unlock();  // the callback may take its time; the workers go on meanwhile
    for (const RoomProgress& p : changed) run_.progress(p);
    lock.lock();
  }

  const VenueRun& run_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Entry> entries_;
  size_t ended_ = 0;
  std::atomic<size_t> next_{0};
  std::atomic<bool> stopped_{false};
  std::mutex finishedMutex_;
};

std::string ConnectProblem(int code, const NetTarget& target) {
  const std::string where = FormatNetTarget(target);
  if (code == 0) return "cannot resolve " + target.host;
  if (code == ETIMEDOUT) return "nothing answered at " + where;
  return "cannot connect to " + where + ": " + std::strerror(code);
}

// One room's connection, from the connect to the goodbye.
class RoomLink {
 public:
  RoomLink(const Room& room, const VenueRun& run, RoomPool::Task& task) : room_(room), run_(run), task_(task) {}
  ~RoomLink() {
    task_.Detach();
    if (connection_ && connection_->GetLink().IsConnected()) connection_->GetLink().Close(true);
  }

  Connection& Conn() { return *connection_; }
  Link& GetLink() { return connection_->GetLink(); }
  bool Alive() { return GetLink().IsConnected() && !GetLink().State().readThreadEnd; }

  // Connects and identifies the room (readAll: reads it whole); false with the result filled.
  bool Open(bool readAll, RoomResult& result) {
    const std::optional<NetTarget> target = RoomTarget(room_.address);
    if (!target) return Fail(result, RoomOutcome::kFailed, "\"" + room_.address + "\" is no network address");
    for (int attempt = 0; attempt < kBusyAttempts; ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(kBusyPause);
      if (task_.Stopped()) return Fail(result, RoomOutcome::kCancelled, "stopped");
      task_.Detach();
      events_.link = nullptr;
      events_.busy = false;
      connection_ = std::make_unique<Connection>(events_, nullptr, nullptr, run_.link);
      Link& link = GetLink();
      events_.link = &link;
      task_.Attach(*connection_, true);
      task_.SetStep(RoomStep::kConnecting);
      link.SetNetwork(true);
      link.SetNetTarget(target->host, target->port);
      const int code = link.NetConnect([this] { return task_.Stopped(); });
      if (code != 1) {
        if (task_.Stopped()) return Fail(result, RoomOutcome::kCancelled, "stopped");
        return Fail(result, RoomOutcome::kOffline, ConnectProblem(code, *target));
      }
      if (readAll) task_.SetStep(RoomStep::kReading);
      const TransferResult read = readAll ? connection_->Sync().BulkRead() : connection_->Sync().Identify();
      if (connection_->Sync().Progress() > 0) {
        const DeviceInfo info = connection_->Model().Read([](const DeviceState& s) { return s.info; });
        result.identity.module = info.ModuleName();
        result.identity.mcuVersion = info.McuVersion();
        result.identity.dspVersion = info.DspVersion();
        result.identity.protocolVersion = info.version;
      }
      if (events_.busy) {
        link.Close(false);
        continue;
      }
      if (!read.ok()) return TransferFailed(read, result);
      if (readAll) {
        // An error the device reported during the read makes what was read doubtful.
        if (const std::string error = events_.Error(); !error.empty()) {
          link.Close(true);
          return Fail(result, RoomOutcome::kFailed, "the device reported an error: " + error);
        }
      }
      return true;
    }
    return Fail(result, RoomOutcome::kBusy, "serving another PC");
  }

  // A transfer that did not complete, in the result; always false.
  bool TransferFailed(const TransferResult& transfer, RoomResult& result) {
    if (transfer.failure == TransferFailure::kOtherVersion) {
      const std::optional<std::string> mismatch = connection_->Sync().FinishTransfer(transfer);
      return Fail(result, RoomOutcome::kFailed, mismatch.value_or(DescribeFailure(transfer)));
    }
    connection_->Sync().FinishTransfer(transfer);  // forgets a mode slot waiting for the write
    std::string message = DescribeFailure(transfer);
    if (transfer.IsWrite())
      message += transfer.DeviceHoldsPartOfNewPreset() ? std::string("; ") + kPartlyWrittenAdvice : "; the room is unchanged";
    RoomOutcome outcome = RoomOutcome::kFailed;
    if (transfer.failure == TransferFailure::kInterrupted || task_.Stopped())
      outcome = RoomOutcome::kCancelled;
    else if (transfer.failure == TransferFailure::kLinkLost || transfer.failure == TransferFailure::kNoAnswer)
      outcome = RoomOutcome::kOffline;
    if (Alive()) GetLink().Close(true);
    return Fail(result, outcome, message);
  }

  // Every write answered, then the goodbye. False with the result filled.
  bool Finish(RoomResult& result) {
    Link& link = GetLink();
    if (!Alive() || !link.Drain() || !Alive())
      return Fail(result, RoomOutcome::kOffline, "lost the connection before every write was answered");
    const std::vector<Payload> unanswered = link.TakeUnanswered();
    link.Close(true);
    if (!unanswered.empty())
      return Fail(result, RoomOutcome::kFailed, "the device did not answer " + DescribeWrite(unanswered.front().bytes()));
    if (const std::string error = events_.Error(); !error.empty())
      return Fail(result, RoomOutcome::kFailed, "the device reported an error: " + error);
    return true;
  }

  void Goodbye() {
    task_.Detach();
    if (Alive()) GetLink().Close(true);
  }

 private:
  static bool Fail(RoomResult& result, RoomOutcome outcome, std::string message) {
    result.outcome = outcome;
    result.message = std::move(message);
    return false;
  }

  const Room& room_;
  const VenueRun& run_;
  RoomPool::Task& task_;
  RoomEvents events_;  // outlives the connection, whose threads call it
  std::unique_ptr<Connection> connection_;
};

RoomResult Done(RoomResult result) {
  result.outcome = RoomOutcome::kDone;
  result.message.clear();
  return result;
}

std::string SummaryLine(const Room& room, const RoomResult& result) {
  const std::string detail = result.ok() ? Utf8OfPath(result.file.filename()) : result.message;
  return (result.ok() ? std::string("saved") : OutcomeWord(result.outcome)) + "\t" + room.name + "\t" + room.address + "\t" + detail + "\n";
}

}  // namespace

std::string OutcomeWord(RoomOutcome outcome) {
  switch (outcome) {
    case RoomOutcome::kDone: return "done";
    case RoomOutcome::kOffline: return "offline";
    case RoomOutcome::kBusy: return "busy";
    case RoomOutcome::kFailed: return "failed";
    case RoomOutcome::kCancelled: return "stopped";
  }
  return "failed";
}

std::vector<RoomResult> QueryRooms(const std::vector<Room>& rooms, const VenueRun& run) {
  RoomPool pool(rooms.size(), run);
  return pool.Run([&](size_t i, RoomPool::Task& task) {
    RoomResult result;
    RoomLink link(rooms[i], run, task);
    if (!link.Open(false, result)) return result;
    if (AskDevice(link.GetLink(), DeviceQuery::kMode) == ReplyWaiter::Outcome::kAnswered)
      result.identity.mode = link.Conn().Model().Read([](const DeviceState& s) { return s.currentMode; });
    link.Goodbye();
    return Done(std::move(result));
  });
}

std::string BackupFolderName(std::chrono::system_clock::time_point when) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  const std::tm local = LocalTime(t);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d_%H%M", &local);
  return text;
}

BackupSummary BackupRooms(const std::vector<Room>& rooms, const std::filesystem::path& into,
                          std::chrono::system_clock::time_point when, const VenueRun& run) {
  namespace fs = std::filesystem;
  BackupSummary summary;
  std::error_code ec;
  fs::create_directories(into, ec);
  if (ec) {
    summary.error = "cannot make the folder " + Utf8OfPath(into) + ": " + ec.message();
    return summary;
  }
  // A folder made here and now is one no earlier backup wrote into: making it is the test.
  const std::string name = BackupFolderName(when);
  for (int n = 1; summary.folder.empty(); ++n) {
    const fs::path folder = into / (n == 1 ? name : name + "-" + std::to_string(n));
    if (fs::create_directory(folder, ec)) {
      summary.folder = folder;
    } else if (ec && ec != std::errc::file_exists) {
      summary.error = "cannot make the folder " + Utf8OfPath(folder) + ": " + ec.message();
      return summary;
    } else if (n >= 1000) {
      summary.error = "cannot make a new folder for the backup in " + Utf8OfPath(into);
      return summary;
    }
  }

  RoomPool pool(rooms.size(), run);
  summary.rooms = pool.Run([&](size_t i, RoomPool::Task& task) {
    RoomResult result;
    RoomLink link(rooms[i], run, task);
    if (!link.Open(true, result)) return result;
    link.Goodbye();  // the room is free before the file is written
    result.file = summary.folder / PathFromUtf8(rooms[i].name + ".mode");
    const ModeFileResult written = WriteModeFile(result.file, link.Conn().Model());
    if (!written.ok()) {
      result.outcome = RoomOutcome::kFailed;
      result.message = written.message;
      return result;
    }
    return Done(std::move(result));
  });

  int saved = 0;
  std::string lines;
  for (size_t i = 0; i < rooms.size(); ++i) {
    saved += summary.rooms[i].ok();
    lines += SummaryLine(rooms[i], summary.rooms[i]);
  }
  const std::string text = "Backup of " + std::to_string(rooms.size()) + " rooms into " + Utf8OfPath(summary.folder.filename()) +
                           ": " + std::to_string(saved) + " saved, " + std::to_string(rooms.size() - static_cast<size_t>(saved)) +
                           " not.\n" + lines;
  if (const FileError error = WriteFileAtomically(summary.folder / "summary.txt",
                                                  std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())))
    summary.error = error.message;
  return summary;
}

std::string NoteBackup(const std::filesystem::path& venueFile, const std::vector<Room>& rooms, const BackupSummary& summary) {
  const std::string folder = Utf8OfPath(summary.folder.filename());
  const VenueEditResult noted = EditVenueFile(venueFile, [&](Venue& venue) {
    for (const RoomResult& r : summary.rooms)
      if (Room* room = r.room < rooms.size() ? venue.Find(rooms[r.room].name) : nullptr; room && r.ok()) room->lastBackup = folder;
    return std::string();
  });
  return noted.outcome == VenueEditOutcome::kSaved ? std::string() : noted.message;
}

ModeFileResult ReadPreset(const std::filesystem::path& path, DeviceState& preset) {
  ModeFileContents contents;
  const ModeFileResult read = ReadModeFileContents(path, contents);
  if (!read.ok()) return read;
  DeviceModel model;
  preset = model.Update([&](DeviceState& s) {
    s.info = contents.header;
    s.image = contents.image;
    if (contents.recordEq) s.recordEq = *contents.recordEq;
    ApplyImage(s);
    return s;
  });
  return read;
}

std::vector<RoomResult> PushToRooms(const std::vector<Room>& rooms, const std::filesystem::path& preset, int slot,
                                    const VenueRun& run) {
  RoomPool pool(rooms.size(), run);
  return pool.Run([&](size_t i, RoomPool::Task& task) {
    RoomResult result;
    RoomLink link(rooms[i], run, task);
    if (!link.Open(false, result)) return result;
    // Read for this room's module, as a single push reads it: the input source stays within
    // the sources this processor has.
    if (const ModeFileResult read = ReadModeFile(preset, link.Conn().Model()); !read.ok()) {
      link.Goodbye();
      result.outcome = RoomOutcome::kFailed;
      result.message = Utf8OfPath(preset) + ": " + read.message + "; the room is unchanged";
      return result;
    }
    link.Conn().Model().Update([&](DeviceState& s) { s.pendingModeSlot = slot >= 0 && slot < kModeSlots ? slot : -1; });
    task.Attach(link.Conn(), false);  // a stop ends the write before its next request
    task.SetStep(RoomStep::kWriting);
    const TransferResult written = link.Conn().Sync().BulkWrite([&] { return task.Stopped(); });
    if (!written.ok()) {
      link.TransferFailed(written, result);
      return result;
    }
    if (slot >= 0) task.SetStep(RoomStep::kStoring);
    if (const std::optional<std::string> mismatch = link.Conn().Sync().FinishTransfer(written)) {
      result.outcome = RoomOutcome::kFailed;
      result.message = *mismatch;
      return result;
    }
    if (!link.Finish(result)) {
      result.message += "; the preset was written";
      return result;
    }
    return Done(std::move(result));
  });
}

std::vector<RoomResult> CheckRooms(const std::vector<Room>& rooms, const DeviceState& reference, const VenueRun& run) {
  RoomPool pool(rooms.size(), run);
  return pool.Run([&](size_t i, RoomPool::Task& task) {
    RoomResult result;
    RoomLink link(rooms[i], run, task);
    if (!link.Open(true, result)) return result;
    link.Goodbye();
    DeviceState room = link.Conn().Model().Snapshot();
    // A processor never reports its record EQ's bands (the image has no room for them), so the
    // room is taken to run the reference's: comparing them would find a difference in every room.
    room.recordEq = reference.recordEq;
    RoomCheck check;
    check.items = ComparePresets(reference, room);
    check.differences = static_cast<int>(check.items.size());
    check.equal = check.items.empty();
    check.pages = CountByPage(check.items);
    result.check = std::move(check);
    return Done(std::move(result));
  });
}

ScanMerge MergeScan(Venue& venue, const std::vector<ScanHit>& hits, uint16_t port) {
  ScanMerge merge;
  for (const ScanHit& hit : hits) {
    if (!hit.identified && !hit.busy) continue;
    const NetTarget target{hit.address, port};
    const auto known = std::find_if(venue.rooms.begin(), venue.rooms.end(), [&](const Room& r) { return RoomTarget(r.address) == target; });
    if (known != venue.rooms.end()) {
      merge.known.push_back(known->name);
      continue;
    }
    const std::string address = FormatNetTarget(target, true);
    std::string name = address;
    for (int n = 2; venue.Find(name); ++n) name = address + " (" + std::to_string(n) + ")";
    if (AddRoom(venue, Room{name, address, {}, {}}).empty()) merge.added.push_back(name);
  }
  return merge;
}

}  // namespace nr
