#pragma once
// A scripted stand-in for the link and the controller behind it: records what the smart home
// sends, and answers on a thread of its own, as the link's reader thread would.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "link/Bytes.h"
#include "link/Commands.h"
#include "smarthome/SmartHome.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::test {

using Bytes = std::vector<uint8_t>;

// 12's content for a frame: the byte count, then the frame.
inline Bytes CountAndFrame(const Bytes& frame) {
  Bytes out{static_cast<uint8_t>(frame.size())};
  out.insert(out.end(), frame.begin(), frame.end());
  return out;
}

inline Bytes Callback(uint8_t function, std::initializer_list<uint8_t> parameters) {
  const Bytes p(parameters);
  return CountAndFrame(BuildSerialFrame(function, p));
}

// A reply the fake sends back: a Z-Wave frame (reply 12) or a memory chunk (reply 14).
struct FakeReply {
  bool memory = false;
  Bytes bytes;
};

class FakeController final : public ZWavePort {
 public:
  // Called for every frame (memory == false) or command the smart home sends; returns replies.
  using Script = std::function<std::vector<FakeReply>(bool memory, const Bytes& sent)>;

  FakeController() : thread_([this] { Run(); }) {}
  ~FakeController() override { Stop(); }

  void Attach(SmartHome* smart) {
    std::lock_guard lock(mutex_);
    smart_ = smart;
  }
  void SetScript(Script script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
  }
  void SetConnected(bool connected) {
    std::lock_guard lock(mutex_);
    connected_ = connected;
  }
  void Stop() {
    {
      std::lock_guard lock(mutex_);
      if (stop_) return;
      stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }

  // Everything sent so far: frames as they are, commands as payloads.
  std::vector<Bytes> Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
  }
  std::vector<Bytes> Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
  }
  void ClearSent() {
    std::lock_guard lock(mutex_);
    frames_.clear();
    commands_.clear();
  }

  int SendFrame(std::span<const uint8_t> frame) override { return Sent(false, frame); }
  int SendCommand(std::span<const uint8_t> payload) override { return Sent(true, payload); }
  bool Connected() const override {
    std::lock_guard lock(mutex_);
    return connected_;
  }
  bool WaitIdle(std::chrono::milliseconds timeout) override {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [this] { return inbox_.empty() && !working_; });
  }

 private:
  int Sent(bool memory, std::span<const uint8_t> bytes) {
    {
      std::lock_guard lock(mutex_);
      if (!connected_) return 0;
      (memory ? commands_ : frames_).emplace_back(bytes.begin(), bytes.end());
      inbox_.push_back({memory, Bytes(bytes.begin(), bytes.end())});
    }
    cv_.notify_all();
    return static_cast<int>(bytes.size());
  }

  void Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      cv_.wait(lock, [this] { return stop_ || !inbox_.empty(); });
      if (stop_) return;
      const FakeReply sent = inbox_.front();
      inbox_.pop_front();
      working_ = true;
      const Script script = script_;
      SmartHome* smart = smart_;
      lock.unlock();
      if (script && smart)
        for (const FakeReply& reply : script(sent.memory, sent.bytes))
          reply.memory ? smart->HandleMemory(reply.bytes) : smart->HandleFrame(reply.bytes);
      lock.lock();
      working_ = false;
      cv_.notify_all();
    }
  }

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<FakeReply> inbox_;
  std::vector<Bytes> frames_;
  std::vector<Bytes> commands_;
  Script script_;
  SmartHome* smart_ = nullptr;
  bool connected_ = true;
  bool working_ = false;
  bool stop_ = false;
  std::thread thread_;  // last: starts once everything above exists
};

}  // namespace nr::test
