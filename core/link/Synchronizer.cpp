#include "link/Synchronizer.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "link/Commands.h"

namespace nr {
namespace {

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

std::string VersionMismatchText(const DeviceInfo& info) {
  char text[96];
  std::snprintf(text, sizeof text, "E:%s_%02x 通信版本不匹配!", info.ModuleName().c_str(),
                static_cast<unsigned>(info.version) & 0xFFu);
  return text;
}

Synchronizer::Synchronizer(Link& link, DeviceModel& model, LinkEvents& events, TraceSink* trace)
    : link_(link), model_(model), events_(events), trace_(trace) {}

Synchronizer::~Synchronizer() { workers_.Join(true); }

void Synchronizer::StartBulkRead() {
  Trace(trace_, "Start thread:SynchronizeData\n");
  ++running_;
  workers_.Start([this] { RunWorker(false); });
}

void Synchronizer::StartBulkWrite() {
  Trace(trace_, "Start thread:SynchronizeWriteThreadProc\n");
  ++running_;
  workers_.Start([this] { RunWorker(true); });
}

void Synchronizer::RunWorker(bool write) {
  model_.Update([](DeviceState& s) { s.status.Clear(); });
  link_.SetPollingAllowed(false);
  Sleep(100);
  if (write) {
    link_.SetSendMode(SendMode::kDirect);
    BulkWrite();
    link_.SetSendMode(SendMode::kQueued);
    Sleep(50);
    model_.Update([](DeviceState& s) { s.deviceModified = false; });
  } else {
    BulkRead();
  }
  --running_;
  events_.TransferFinished(write);
  model_.Update([](DeviceState& s) { s.status.Clear(); });
  link_.SetPollingAllowed(true);
  Trace(trace_, write ? "End thread: SynchronizeWriteThreadProc\n" : "End thread: Delay Read SynchronizeData\n");
}

bool Synchronizer::Send(const Payload& p) {
  link_.SendPacket(p.bytes(), true);
  return !LinkGone();
}

bool Synchronizer::Identify() {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!Send(BuildQueryModule()) || !Send(BuildQueryVersion())) return false;
    if (!Send(BuildQueryMcuVersion()) || !Send(BuildQueryDspVersion())) return false;
    // The version reply has been applied: the two later requests each waited for an answer.
    if (model_.Read([](const DeviceState& s) { return s.info.version; }) == kCommunicationVersion) return true;
  }
  return false;
}

bool Synchronizer::BulkRead() {
  const DeviceState before = model_.Snapshot();
  link_.SetSendMode(SendMode::kDirect);
  if (!Identify()) return false;
  if (!Send(BuildQueryMode())) return false;
  for (int i = 0; i < kImageChunks; ++i) {
    const int length = i == kImageChunks - 1 ? kImageSize - kImageChunk * i : kImageChunk;
    link_.SendPacket(BuildReadImage(kImageChunk * i, length).bytes(), true);
  }
  if (!Send(BuildQueryMachineSettings())) return false;
  // The chunks went straight into the model: put the screen's image back and apply the read whole.
  const ParamImage read = model_.Update([&](DeviceState& s) {
    const ParamImage got = s.image;
    s.image = before.image;
    return got;
  });
  ApplyRead(read);
  if (LinkGone()) return false;
  link_.SendPacket(BuildQueryRemote().bytes(), true);
  // Let the remote table arrive before the transfer counts as finished; the answer is handed on
  // so the next sender does not wait for it a second time.
  if (link_.AnswerEvent().Wait(link_.Config().answerTimeout)) link_.AnswerEvent().Set();
  model_.Update([](DeviceState& s) { s.deviceModified = false; });
  link_.SetSendMode(SendMode::kQueued);
  Sleep(50);
  return true;
}

void Synchronizer::BulkWrite() {
  const ParamImage image = model_.Read([](const DeviceState& s) { return s.image; });
  for (int i = 0; i < kImageChunks; ++i) {
    const int offset = kImageChunk * i;
    const int length = i == kImageChunks - 1 ? kImageSize - offset : kImageChunk;
    link_.SendPacket(BuildWriteImage(offset, std::span<const uint8_t>(&image[static_cast<size_t>(offset)],
                                                                      static_cast<size_t>(length)))
                         .bytes(),
                     true);
  }
  link_.SendPacket(BuildEndImageWrite().bytes(), true);
  if (!LinkGone()) model_.Update([&](DeviceState& s) { s.keptImage = image; });  // the device has it now
}

void Synchronizer::HoldReadIfItReplacesEdits() {
  std::lock_guard lock(heldMutex_);
  holdArmed_ = true;
}

bool Synchronizer::HasHeldRead() const {
  std::lock_guard lock(heldMutex_);
  return heldRead_.has_value();
}

void Synchronizer::ApplyRead(const ParamImage& read) {
  std::lock_guard lock(heldMutex_);
  const bool armed = std::exchange(holdArmed_, false);
  model_.Update([&](DeviceState& s) {
    if (armed && ReadReplacesEdits(s, read)) {
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

std::optional<std::string> Synchronizer::FinishTransfer() {
  const DeviceInfo info = model_.Read([](const DeviceState& s) { return s.info; });
  if (info.version != kCommunicationVersion) {
    link_.Close(true);
    return VersionMismatchText(info);
  }
  const int slot = model_.Update([](DeviceState& s) {
    const int pending = s.pendingModeSlot;
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
