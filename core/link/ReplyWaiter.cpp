#include "link/ReplyWaiter.h"

#include <algorithm>

#include "link/Bytes.h"
#include "link/Commands.h"
#include "link/Dispatcher.h"

namespace nr {
namespace {

// Packets the device sends on its own, never in answer to a transfer's request.
bool SentUnasked(uint8_t code) {
  switch (code) {
    case cmd::kLoadMode:
    case cmd::kFactoryMode:
    case cmd::kWriteDsp:  // also "my parameters changed"
    case cmd::kQueryStatus:
    case cmd::kZWaveFrame:
    case cmd::kZWaveMemRead:
    case cmd::kLearnRemote:
    case cmd::kEqTableUpdate:
      return true;
    default:
      return false;
  }
}

}  // namespace

ReplyWaiter::ReplyWaiter(Dispatcher& dispatcher) : dispatcher_(dispatcher) { dispatcher_.Attach(*this); }

ReplyWaiter::~ReplyWaiter() { dispatcher_.Detach(*this); }

void ReplyWaiter::Expect(const Expectation& expectation) {
  std::lock_guard lock(mutex_);
  expected_ = expectation;
  answerSize_ = 0;
  waiting_ = !closed_;
  outcome_ = closed_ ? Outcome::kLinkClosed : Outcome::kNoAnswer;
}

ReplyWaiter::Outcome ReplyWaiter::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  cv_.wait_for(lock, timeout, [this] { return !waiting_; });
  waiting_ = false;  // an answer after the time-out no longer counts for this request
  return outcome_;
}

bool ReplyWaiter::IsLateImageChunk(std::span<const uint8_t> p) const {
  if (p.size() < kChunkAnswerHeader) return false;
  const int offset = GetBE16(&p[2]);
  if (offset % kImageChunk != 0 || offset / kImageChunk >= kImageChunks) return false;
  return offset != expected_.offset && chunksReceived_.test(static_cast<size_t>(offset / kImageChunk));
}

ReplyWaiter::Verdict ReplyWaiter::Judge(std::span<const uint8_t> p) const {
  if (p.size() < 2) return Verdict::kLetPass;  // no code: nothing to judge
  const uint8_t code = p[1];
  if (expected_.code == kAnyCode) {
    // 09 and 0E also come unasked, but they are what a parameter write or a poll is answered with.
    if (SentUnasked(code) && code != cmd::kWriteDsp && code != cmd::kQueryStatus) return Verdict::kLetPass;
    return p.size() >= expected_.minSize ? Verdict::kRight : Verdict::kWrong;
  }
  if (code != expected_.code) {
    if (SentUnasked(code) || answeredCodes_.test(code)) return Verdict::kLetPass;
    return Verdict::kWrong;
  }
  if (p.size() < expected_.minSize) return Verdict::kWrong;
  if (code != cmd::kReadImage) return Verdict::kRight;
  // An image chunk must come back for the offset and length asked for, with every byte.
  if (IsLateImageChunk(p)) return Verdict::kLetPass;
  const size_t length = p[4];
  const bool right = GetBE16(&p[2]) == expected_.offset && static_cast<int>(length) == expected_.length &&
                     p.size() >= kChunkAnswerHeader + length;
  return right ? Verdict::kRight : Verdict::kWrong;
}

void ReplyWaiter::Offer(std::span<const uint8_t> p) {
  {
    std::lock_guard lock(mutex_);
    if (!waiting_) return;
    const Verdict verdict = Judge(p);
    if (verdict == Verdict::kLetPass) return;
    waiting_ = false;
    if (verdict == Verdict::kWrong) {
      outcome_ = Outcome::kWrongAnswer;
    } else {
      outcome_ = Outcome::kAnswered;
      answerSize_ = std::min(p.size(), answer_.size());
      std::copy_n(p.begin(), answerSize_, answer_.begin());
      answeredCodes_.set(p[1]);
      if (expected_.code == cmd::kReadImage && expected_.offset >= 0)
        chunksReceived_.set(static_cast<size_t>(expected_.offset / kImageChunk));
    }
  }
  cv_.notify_all();
}

void ReplyWaiter::LinkClosed() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    if (waiting_) {
      waiting_ = false;
      outcome_ = Outcome::kLinkClosed;
    }
  }
  cv_.notify_all();
}

}  // namespace nr
