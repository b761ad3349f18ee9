#include "link/AutoResetEvent.h"

namespace nr {

void AutoResetEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  cv_.notify_one();
}

void AutoResetEvent::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool AutoResetEvent::Wait(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!cv_.wait_for(lock, timeout, [this] { return set_; })) return false;
  set_ = false;
  return true;
}

bool AutoResetEvent::IsSet() const {
  std::lock_guard lock(mutex_);
  return set_;
}

}  // namespace nr
