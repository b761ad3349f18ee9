#pragma once
// Per-connection state of the two transports, shared between the Link and its threads. A thread
// holds its connection alive, so closing never pulls a socket or device from under a reader.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "link/FrameCodec.h"
#include "link/HidBackend.h"
#include "link/Link.h"
#include "link/Socket.h"

namespace nr {

// Signals that a thread has left its loop, for bounded waits on close.
class ExitSignal {
 public:
  void Set() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    cv_.notify_all();
  }
  bool Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [this] { return done_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
};

struct Link::UsbConnection {
  std::shared_ptr<HidDevice> device;
  std::string path;
  std::atomic<bool> open{true};
  ExitSignal readerExited;
};

struct Link::NetConnection {
  SocketHandle socket = kNoSocket;  // connected TCP socket; closed when the last thread lets go
  std::atomic<bool> open{true};
  std::mutex sendMutex;        // one frame per send call, never interleaved
  std::atomic<int64_t> lastReceiveMs{0};
  std::atomic<int> missCounter{0};
  std::mutex wakeMutex;        // wakes the watchdog at close
  std::condition_variable wake;
  ~NetConnection();
};

int64_t SteadyMillis();

}  // namespace nr
