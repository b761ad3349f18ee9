// The link's common half: routing of every payload, thread bookkeeping, closing.
#include "link/Link.h"

#include <cstdint>
#include <cstring>

#include "link/Commands.h"
#include "link/LinkInternals.h"

namespace nr {

int64_t SteadyMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

Link::Link(DeviceModel& model, LinkEvents& events, HidBackend* hid, TraceSink* trace, LinkConfig config)
    : model_(model),
      events_(events),
      hid_(hid),
      trace_(trace),
      config_(config),
      dispatcher_(model, events, answer_) {}

Link::~Link() {
  CloseUsb(false);
  NetClose(false);
  threads_.Join(true);
}

int Link::ConnectLink() {
  if (state_.network) return NetConnect();
  if (state_.connected) return 0;
  threads_.Join(false);
  return FindDevice() ? 1 : 0;
}

void Link::Close(bool notify) {
  if (state_.network)
    NetClose(notify);
  else
    CloseUsb(notify);
}

int Link::SendPacket(std::span<const uint8_t> payload, bool synchronous) {
  if (payload.empty()) return 0;
  if (!state_.network) return WriteUsb(payload, synchronous);
  return SendNetwork(kNetPrefixDevice, payload, synchronous);
}

int Link::SendZWaveFrame(std::span<const uint8_t> frame) {
  if (state_.network) return SendNetwork(kNetPrefixZWave, frame, false);
  const Payload p = BuildZWaveFrame(frame);
  return p.empty() ? 0 : WriteUsb(p.bytes(), false);
}

int Link::SendNetwork(uint8_t prefix, std::span<const uint8_t> payload, bool synchronous) {
  if (!state_.connected || payload.empty() || payload.size() > SendQueue::kMaxPayload - 1) return 0;
  uint8_t prefixed[SendQueue::kMaxPayload];
  prefixed[0] = prefix;
  std::memcpy(prefixed + 1, payload.data(), payload.size());
  const std::span<const uint8_t> bytes(prefixed, payload.size() + 1);
  if (sendMode_ == SendMode::kDirect) return NetSendNow(bytes, synchronous);
  {
    std::lock_guard lock(queueMutex_);
    if (!queue_.Enqueue(bytes)) return 0;
  }
  queueCv_.notify_all();
  return static_cast<int>(bytes.size());
}

size_t Link::QueuedPackets() const {
  std::lock_guard lock(queueMutex_);
  return queue_.size();
}

void Link::StartGap() {
  gapEnds_ = (std::chrono::steady_clock::now() + config_.unansweredGap).time_since_epoch().count();
}

void Link::WaitOutGap() const {
  const std::chrono::steady_clock::time_point ends{std::chrono::steady_clock::duration(gapEnds_.load())};
  // Until the clock says so: on Windows a sleep may end a little early (the system's timer
  // ticks), and the device needs the whole gap.
  while (std::chrono::steady_clock::now() < ends) std::this_thread::sleep_until(ends);
}

bool Link::WaitUntilIdle(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (!state_.connected) return false;  // closing empties the queue: that is not "delivered"
    bool idle;
    {
      std::lock_guard lock(queueMutex_);
      idle = QueueIdle();
    }
    if (idle && answer_.IsSet()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void Link::NoteUnanswered(std::span<const uint8_t> payload) {
  if (payload.empty()) return;
  if (unanswered_.size() >= kUnansweredKept) unanswered_.pop_front();
  unanswered_.push_back(BuildCommand(payload));
}

void Link::NoteLastSynchronousUnanswered() {
  NoteUnanswered(lastSynchronous_.bytes());
  lastSynchronous_ = Payload();
}

std::vector<Payload> Link::TakeUnanswered() {
  std::lock_guard lock(queueMutex_);
  std::vector<Payload> taken(unanswered_.begin(), unanswered_.end());
  unanswered_.clear();
  return taken;
}

bool Link::Drain() {
  if (!state_.network) {
    // USB writes go out one by one, each after the answer to the one before: only the last
    // one's answer can still be outstanding.
    if (!state_.connected || state_.readThreadEnd) return false;
    if (!answer_.Wait(config_.answerTimeout)) {
      std::lock_guard lock(queueMutex_);
      NoteLastSynchronousUnanswered();
    }
    answer_.Set();
    return state_.connected && !state_.readThreadEnd;
  }
  std::unique_lock lock(queueMutex_);
  // The writer answers for its own progress (an answer, or the time-out); this is only a
  // guard against a writer that stopped, such as one whose link just closed.
  const auto stalledAfter = 2 * config_.answerTimeout + std::chrono::milliseconds(500);
  uint64_t lastSends = queueSends_;
  auto lastMove = std::chrono::steady_clock::now();
  for (;;) {
    if (!state_.connected) return false;
    if (QueueIdle()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (queueSends_ != lastSends) {
      lastSends = queueSends_;
      lastMove = now;
    } else if (now - lastMove > stalledAfter) {
      return false;
    }
    queueCv_.wait_for(lock, std::chrono::milliseconds(20));
  }
}

}  // namespace nr
