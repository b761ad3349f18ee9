// The link's common half: routing of every payload, thread bookkeeping, closing.
#include "link/Link.h"

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

void Link::ReleaseAnswerWait() {
  {
    std::lock_guard lock(queueMutex_);
    awaitingAnswer_ = false;
  }
  queueCv_.notify_all();
  answer_.Set();
}

bool Link::WaitUntilIdle(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (!state_.connected) return false;  // closing empties the queue: that is not "delivered"
    bool idle;
    {
      std::lock_guard lock(queueMutex_);
      idle = queue_.empty() && !awaitingAnswer_;
    }
    if (idle && answer_.IsSet()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace nr
