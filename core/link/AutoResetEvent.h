#pragma once
// An event that lets exactly one waiter through per Set(), then closes again by itself.
// It paces synchronous sends: every packet from the device opens it once.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace nr {

class AutoResetEvent {
 public:
  explicit AutoResetEvent(bool initiallySet = true) : set_(initiallySet) {}

  void Set();
  void Reset();
  // Waits until set or until the time-out; returns true when it was set (and closes it again).
  bool Wait(std::chrono::milliseconds timeout);
  bool IsSet() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool set_;
};

}  // namespace nr
