#pragma once
// Lets a transfer wait for the device's answer to the one request it has outstanding, and tell a
// right answer from a wrong one. The dispatcher offers every packet to the waiters attached to
// it; while a waiter is attached, image chunks (0x30) stay with it instead of reaching the model,
// so a read that fails part way never leaves a half-read image behind.
//
// The device answers in order, but packets it sends on its own (mode notices, learned keys, EQ
// pushes, status answers to earlier polls) and late duplicates of answers already taken may come
// in between: those are let pass while waiting. Anything else in place of the expected answer is
// a wrong answer.
#include <array>
#include <bitset>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>

#include "link/ImageLayout.h"
#include "link/TransferResult.h"

namespace nr {

class Dispatcher;

class ReplyWaiter {
 public:
  static constexpr int kAnyCode = -1;

  struct Expectation {
    int code = kAnyCode;  // the answer's command code; kAnyCode: the first answer of any code
    int offset = -1;      // image chunks: the offset and length asked for
    int length = -1;
    size_t minSize = 2;   // bytes the packet needs (prefix or report id, code and fields)
  };

  enum class Outcome { kAnswered, kWrongAnswer, kNoAnswer, kLinkClosed };

  // Attaches to the dispatcher for the waiter's lifetime.
  explicit ReplyWaiter(Dispatcher& dispatcher);
  ~ReplyWaiter();
  ReplyWaiter(const ReplyWaiter&) = delete;
  ReplyWaiter& operator=(const ReplyWaiter&) = delete;

  // Call before the request goes out, so an answer that comes at once is not missed.
  void Expect(const Expectation& expectation);
  // Waits for the outcome of the last Expect, at most timeout (then kNoAnswer).
  Outcome Wait(std::chrono::milliseconds timeout);
  // The packet taken as the answer (byte 1 is its code), valid until the next Expect.
  std::span<const uint8_t> Answer() const { return {answer_.data(), answerSize_}; }

  // Dispatcher side: every packet, after it was applied to the model.
  void Offer(std::span<const uint8_t> packet);
  void LinkClosed();

 private:
  enum class Verdict { kLetPass, kRight, kWrong };
  Verdict Judge(std::span<const uint8_t> packet) const;
  bool IsLateImageChunk(std::span<const uint8_t> packet) const;

  Dispatcher& dispatcher_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  Expectation expected_;
  bool waiting_ = false;
  bool closed_ = false;
  Outcome outcome_ = Outcome::kNoAnswer;
  std::bitset<256> answeredCodes_;            // codes of answers taken so far
  std::bitset<kImageChunks> chunksReceived_;  // image chunks taken so far
  std::array<uint8_t, 64> answer_{};          // a whole image chunk answer fits
  size_t answerSize_ = 0;
};

}  // namespace nr
