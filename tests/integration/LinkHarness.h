#pragma once
// A connection and an emulator side by side, and the waiting helpers the link tests share.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "emu/Emulator.h"
#include "session/Connection.h"
#include "link/FrameCodec.h"
#include "support/TestSockets.h"

namespace nr::test {

using namespace std::chrono_literals;

// Records what the link reports, and lets a test wait for it.
class EventRecorder : public LinkEvents {
 public:
  void TransferFinished(const TransferResult& result) override { Note([&] { finished.push_back(result); }); }
  void BulkReadRequested() override { Note([&] { ++bulkReads; }); }
  void RemoteKeyLearned(int code) override { Note([&] { learned.push_back(code); }); }
  void UsbReadFailed() override { Note([&] { ++usbFailures; }); }
  void ConnectionLost() override { Note([&] { ++connectionsLost; }); }
  void HeartbeatLost() override { Note([&] { ++heartbeatsLost; }); }
  void HostBusy() override { Note([&] { ++hostBusy; }); }
  void ErrorReport(const std::string& text) override { Note([&] { errors.push_back(text); }); }
  void ZWaveChannelPayload(std::span<const uint8_t> bytes) override {
    Note([&] { zwave.emplace_back(bytes.begin(), bytes.end()); });
  }

  // Waits until pred (called under the lock) holds, at most timeout.
  bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout = 10s) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, timeout, pred);
  }

  std::mutex mutex;
  std::condition_variable cv;
  std::vector<TransferResult> finished;
  std::vector<int> learned;
  int bulkReads = 0;
  int usbFailures = 0;
  int connectionsLost = 0;
  int heartbeatsLost = 0;
  int hostBusy = 0;
  std::vector<std::string> errors;
  std::vector<std::vector<uint8_t>> zwave;

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

// A network peer the test scripts byte by byte, for what the emulator never does by itself.
class ScriptedPeer {
 public:
  ScriptedPeer() { listener_ = ListenOnLoopback(0, 1, port_); }
  ~ScriptedPeer() {
    if (client_ != kNoSocket) CloseSocket(client_);
    CloseSocket(listener_);
  }
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  uint16_t Port() const { return port_; }
  bool Accept() {
    client_ = AcceptWithin(listener_, 5000);
    return client_ != kNoSocket;
  }
  // Sends the bytes in one call, as one burst on the wire.
  bool Send(std::span<const uint8_t> bytes) {
    return SendSome(client_, bytes) == static_cast<long>(bytes.size());
  }
  bool SendFrame(std::span<const uint8_t> prefixedPayload) { return Send(BuildNetFrame(prefixedPayload).span()); }

  // The payloads (channel prefix first) of the frames the PC sends, until count have come, timeout
  // has passed or the PC has closed the connection.
  std::vector<std::vector<uint8_t>> ReceivePayloads(size_t count, std::chrono::milliseconds timeout) {
    struct Collector : FrameHandler {
      std::vector<std::vector<uint8_t>> payloads;
      void OnPayload(std::span<const uint8_t> payload) override { payloads.emplace_back(payload.begin(), payload.end()); }
    } collector;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    uint8_t chunk[kNetBufferSize];
    while (collector.payloads.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || WaitReadable(client_, static_cast<int>(left.count())) != 1) break;
      const long n = ReceiveSome(client_, chunk);
      if (n <= 0) {
        closed_ = true;
        break;
      }
      rx_.Feed(std::span<const uint8_t>(chunk, static_cast<size_t>(n)), collector);
    }
    return collector.payloads;
  }
  bool Closed() const { return closed_; }

 private:
  SocketHandle listener_ = kNoSocket;
  SocketHandle client_ = kNoSocket;
  uint16_t port_ = 0;
  RxReassembler rx_;
  bool closed_ = false;
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
