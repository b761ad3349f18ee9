#pragma once
// A connection and an emulator side by side, and the waiting helpers the link tests share.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "emu/Emulator.h"
#include "link/Connection.h"

namespace nr::test {

using namespace std::chrono_literals;

// Records what the link reports, and lets a test wait for it.
class EventRecorder : public LinkEvents {
 public:
  void TransferFinished(bool write) override { Note([&] { finished.push_back(write); }); }
  void BulkReadRequested() override { Note([&] { ++bulkReads; }); }
  void RemoteKeyLearned(int code) override { Note([&] { learned.push_back(code); }); }
  void UsbReadFailed() override { Note([&] { ++usbFailures; }); }
  void ConnectionLost() override { Note([&] { ++connectionsLost; }); }
  void HeartbeatLost() override { Note([&] { ++heartbeatsLost; }); }
  void HostBusy() override { Note([&] { ++hostBusy; }); }

  // Waits until pred (called under the lock) holds, at most timeout.
  bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, timeout, pred);
  }

  std::mutex mutex;
  std::condition_variable cv;
  std::vector<bool> finished;
  std::vector<int> learned;
  int bulkReads = 0;
  int usbFailures = 0;
  int connectionsLost = 0;
  int heartbeatsLost = 0;
  int hostBusy = 0;

 private:
  template <class F>
  void Note(F&& f) {
    {
      std::lock_guard lock(mutex);
      f();
    }
    cv.notify_all();
  }
};

inline emu::EmulatorOptions EphemeralOptions() {
  emu::EmulatorOptions o;
  o.port = 0;
  return o;
}

// Command codes the emulator received, in order.
inline std::vector<uint8_t> Codes(emu::DeviceCore& core) { return core.LoggedCodes(); }

// Polls until pred holds; for state that has no event.
inline bool Eventually(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (pred()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return pred();
}

}  // namespace nr::test
