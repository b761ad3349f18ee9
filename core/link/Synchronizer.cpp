#include "link/Synchronizer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

#include "link/Answers.h"
#include "link/Commands.h"

namespace nr {
namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

ReplyWaiter::Expectation Answer(uint8_t code, size_t minSize = 2) {
  ReplyWaiter::Expectation e;
  e.code = code;
  e.minSize = minSize;
  return e;
}

}  // namespace

// One transfer. For its lifetime it holds the transfer lock and the link's direct send mode, and
// its waiter is attached to the dispatcher; it collects the result.
struct Synchronizer::Run {
  Run(Synchronizer& sync, TransferKind kind)
      : link(sync.link_), lock(sync.transferMutex_), waiter(sync.link_.GetDispatcher()) {
    result.kind = kind;
    sync.SetStage([kind](Stage& stage) { stage = Stage{kind, false, 0}; });
    link.SetSendMode(SendMode::kDirect);
  }
  ~Run() {
    // Every answer was taken by the waiter: the next synchronous sender need not wait for one.
    link.AnswerEvent().Set();
    link.SetSendMode(SendMode::kQueued);
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  Link& link;
  std::lock_guard<std::mutex> lock;
  ReplyWaiter waiter;
  TransferResult result;
  int requestsSent = 0;
  std::function<bool()> stop;  // asked before every request; true ends the transfer
};

std::string VersionMismatchText(const DeviceInfo& info) {
  char text[96];
  std::snprintf(text, sizeof text, "E:%s_%02x 通信版本不匹配!", info.ModuleName().c_str(),
                static_cast<unsigned>(info.version) & 0xFFu);
  return text;
}

Synchronizer::Synchronizer(Link& link, DeviceModel& model, LinkEvents& events, ClosingWrites closing, TraceSink* trace)
    : link_(link), model_(model), events_(events), closing_(std::move(closing)), trace_(trace) {}

Synchronizer::~Synchronizer() { workers_.Join(true); }

void Synchronizer::StartBulkRead() {
  Trace(trace_, "Start thread:SynchronizeData\n");
  Request(TransferKind::kRead);
}

void Synchronizer::StartBulkWrite() {
  Trace(trace_, "Start thread:SynchronizeWriteThreadProc\n");
  Request(TransferKind::kWrite);
}

bool Synchronizer::Busy() const {
  std::lock_guard lock(queueMutex_);
  return workerRunning_;
}

void Synchronizer::Request(TransferKind kind) {
  std::lock_guard lock(queueMutex_);
  if (workerRunning_) {
    if (std::find(waiting_.begin(), waiting_.end(), kind) == waiting_.end()) waiting_.push_back(kind);
    return;
  }
  workerRunning_ = true;
  SetStage([kind](Stage& stage) { stage = Stage{kind, false, 0}; });  // no stale stage meanwhile
  workers_.Start([this, kind] { RunWorker(kind); });
}

void Synchronizer::RunWorker(TransferKind kind) {
  for (;;) {
    model_.Update([](DeviceState& s) { s.status.Clear(); });
    link_.SetPollingAllowed(false);
    Sleep(100);
    const bool write = kind == TransferKind::kWrite;
    const TransferResult result = write ? BulkWrite() : BulkRead();
    Sleep(50);
    model_.Update([](DeviceState& s) { s.status.Clear(); });
    std::optional<TransferKind> next;
    {
      // Polling resumes under the lock, so a worker started next clears it again after this.
      std::lock_guard lock(queueMutex_);
      if (!waiting_.empty()) {
        next = waiting_.front();
        waiting_.pop_front();
      } else {
        workerRunning_ = false;
        link_.SetPollingAllowed(true);
      }
    }
    Trace(trace_, write ? "End thread: SynchronizeWriteThreadProc\n" : "End thread: Delay Read SynchronizeData\n");
    events_.TransferFinished(result);
    if (!next) return;
    kind = *next;
  }
}

bool Synchronizer::Ask(Run& run, const Payload& request, const ReplyWaiter::Expectation& expected) {
  TransferFailure failure = TransferFailure::kNoAnswer;
  for (int attempt = 0; attempt < kRequestAttempts && failure != TransferFailure::kLinkLost; ++attempt) {
    if (run.stop && run.stop()) {
      run.result.failure = TransferFailure::kInterrupted;
      return false;
    }
    if (LinkGone()) break;
    run.waiter.Expect(expected);
    if (link_.SendPacket(request.bytes(), false) > 0) ++run.requestsSent;
    switch (run.waiter.Wait(link_.Config().answerTimeout)) {
      case ReplyWaiter::Outcome::kAnswered:
        ++progress_;
        return true;
      case ReplyWaiter::Outcome::kLinkClosed:
        failure = TransferFailure::kLinkLost;
        break;
      case ReplyWaiter::Outcome::kWrongAnswer:
        failure = TransferFailure::kWrongAnswer;
        Trace(trace_, "Synchronize: wrong answer, asking again\n");
        break;
      case ReplyWaiter::Outcome::kNoAnswer:
        failure = TransferFailure::kNoAnswer;
        Trace(trace_, "Synchronize: no answer, asking again\n");
        break;
    }
  }
  run.result.failure = LinkGone() ? TransferFailure::kLinkLost : failure;
  return false;
}

bool Synchronizer::IdentifyWith(Run& run) {
  run.result.step = TransferStep::kIdentify;
  for (int round = 0; round < 2; ++round) {
    if (!Ask(run, BuildQueryModule(), Answer(cmd::kQueryModule)) ||
        !Ask(run, BuildQueryVersion(), Answer(cmd::kQueryVersion, 3)) ||
        !Ask(run, BuildQueryMcuVersion(), Answer(cmd::kQueryMcuVersion)) ||
        !Ask(run, BuildQueryDspVersion(), Answer(cmd::kQueryDspVersion)))
      return false;
    if (model_.Read([](const DeviceState& s) { return s.info.version; }) == kCommunicationVersion) {
      SetStage([](Stage& stage) { stage.identified = true; });
      return true;
    }
  }
  run.result.failure = TransferFailure::kOtherVersion;
  return false;
}

bool Synchronizer::ReadImageInto(Run& run, ParamImage& image) {
  run.result.step = TransferStep::kMode;
  if (!Ask(run, BuildQueryMode(), Answer(cmd::kQueryMode, 3))) return false;
  run.result.step = TransferStep::kImage;
  for (int i = 0; i < kImageChunks; ++i) {
    run.result.chunk = i;
    const int offset = kImageChunk * i;
    const int length = ImageChunkLength(i);
    ReplyWaiter::Expectation chunk = Answer(cmd::kReadImage, kChunkAnswerHeader + static_cast<size_t>(length));
    chunk.offset = offset;
    chunk.length = length;
    if (!Ask(run, BuildReadImage(offset, length), chunk)) return false;
    const std::span<const uint8_t> data = run.waiter.Answer().subspan(kChunkAnswerHeader, static_cast<size_t>(length));
    std::copy(data.begin(), data.end(), image.begin() + offset);
    SetStage([i](Stage& stage) { stage.chunks = i + 1; });
  }
  run.result.chunk = -1;
  run.result.step = TransferStep::kMachineSettings;
  if (!Ask(run, BuildQueryMachineSettings(), Answer(cmd::kQueryMachineSettings, kMachineSettingsAnswerSize))) return false;
  run.result.step = TransferStep::kRemote;
  return Ask(run, BuildQueryRemote(), Answer(cmd::kQueryRemote, kRemoteAnswerSize));
}

bool Synchronizer::WriteImageFrom(Run& run, const ParamImage& image) {
  run.result.step = TransferStep::kImage;
  for (int i = 0; i < kImageChunks; ++i) {
    run.result.chunk = i;
    const int offset = kImageChunk * i;
    const auto data = std::span<const uint8_t>(image).subspan(static_cast<size_t>(offset), static_cast<size_t>(ImageChunkLength(i)));
    const int sentBefore = run.requestsSent;
    const bool answered = Ask(run, BuildWriteImage(offset, data), Answer(cmd::kWriteImage));
    if (run.requestsSent > sentBefore) run.result.chunksSent = i + 1;
    if (!answered) return false;
    SetStage([i](Stage& stage) { stage.chunks = i + 1; });
  }
  run.result.chunk = -1;
  run.result.step = TransferStep::kEndOfImage;
  return Ask(run, BuildEndImageWrite(), Answer(cmd::kEndImageWrite));
}

TransferResult Synchronizer::BulkRead() {
  Run run(*this, TransferKind::kRead);
  ParamImage image = model_.Read([](const DeviceState& s) { return s.image; });
  if (IdentifyWith(run) && ReadImageInto(run, image)) {
    ApplyRead(image);
    run.result.step = TransferStep::kDone;
  }
  return run.result;
}

TransferResult Synchronizer::Identify() {
  Run run(*this, TransferKind::kRead);
  if (IdentifyWith(run)) run.result.step = TransferStep::kDone;
  return run.result;
}

TransferResult Synchronizer::BulkWrite(const std::function<bool()>& stop) {
  Run run(*this, TransferKind::kWrite);
  run.stop = stop;
  const DeviceState state = model_.Snapshot();
  bool done = WriteImageFrom(run, state.image);
  if (done) {
    run.result.step = TransferStep::kRecordEq;
    for (const Payload& write : closing_ ? closing_(state) : std::vector<Payload>{}) {
      done = Ask(run, write, ReplyWaiter::Expectation{});
      if (!done) break;
    }
  }
  if (done) {
    model_.Update([&](DeviceState& s) {
      s.deviceModified = false;
      // The device has what the screen showed, measured as a read measures it (the screen's
      // own EQ-table bytes past those a read refreshes), so nothing of it counts as unkept.
      s.keptImage = ScreenImage(state);
    });
    run.result.step = TransferStep::kDone;
  }
  return run.result;
}

Synchronizer::Stage Synchronizer::CurrentStage() const {
  std::lock_guard lock(stageMutex_);
  return stage_;
}

void Synchronizer::SetStage(const std::function<void(Stage&)>& change) {
  std::lock_guard lock(stageMutex_);
  change(stage_);
}

void Synchronizer::HoldReadIfItReplacesEdits() {
  std::lock_guard lock(heldMutex_);
  holdRule_ = HoldRule::kReplacesEdits;
}

void Synchronizer::HoldReadIfItDiffers() {
  std::lock_guard lock(heldMutex_);
  holdRule_ = HoldRule::kDiffers;
}

void Synchronizer::CancelReadHold() {
  std::lock_guard lock(heldMutex_);
  holdRule_ = HoldRule::kNone;
}

bool Synchronizer::HasHeldRead() const {
  std::lock_guard lock(heldMutex_);
  return heldRead_.has_value();
}

void Synchronizer::ApplyRead(const ParamImage& read) {
  std::lock_guard lock(heldMutex_);
  const HoldRule rule = std::exchange(holdRule_, HoldRule::kNone);
  model_.Update([&](DeviceState& s) {
    s.deviceModified = false;
    // While the user has yet to decide on a held read, a newer one takes its place: applying it
    // would replace the very values the user is being asked about.
    const bool hold = rule == HoldRule::kDiffers ? ScreenImage(s) != read
                                                 : rule == HoldRule::kReplacesEdits && ReadReplacesEdits(s, read);
    if (hold || heldRead_) {
      heldRead_ = read;
      return;
    }
    s.image = read;
    ApplyImage(s);
    MarkKept(s);
  });
}

void Synchronizer::ApplyHeldRead() {
  std::lock_guard lock(heldMutex_);
  if (!heldRead_) return;
  model_.Update([&](DeviceState& s) {
    s.image = *heldRead_;
    ApplyImage(s);
    MarkKept(s);
  });
  heldRead_.reset();
}

void Synchronizer::DropHeldRead() {
  std::lock_guard lock(heldMutex_);
  heldRead_.reset();
}

std::optional<std::string> Synchronizer::FinishTransfer(const TransferResult& result) {
  if (result.failure == TransferFailure::kOtherVersion) {
    const DeviceInfo info = model_.Read([](const DeviceState& s) { return s.info; });
    link_.Close(true);
    return VersionMismatchText(info);
  }
  const int slot = model_.Update([&](DeviceState& s) {
    const int pending = result.ok() ? s.pendingModeSlot : -1;
    s.pendingModeSlot = -1;
    if (pending >= 0) s.currentMode = pending;
    return pending;
  });
  if (slot >= 0) {
    link_.SendPacket(BuildSelectMode(slot).bytes(), true);
    Sleep(20);
    link_.SendPacket(BuildStoreMode(slot).bytes(), true);
  }
  return std::nullopt;
}

}  // namespace nr
