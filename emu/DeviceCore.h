#pragma once
// The emulated device itself: one received command payload in, the device's answers out. It
// keeps the parameter image, the four mode slots, machine settings, the remote-code table and
// the Z-Wave configuration memory, and does no I/O: the transports frame what it returns.
// Thread-safe; every method may be called from any thread.
#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "emu/EmulatorOptions.h"
#include "emu/LiveStatus.h"
#include "emu/ZWaveModule.h"
#include "link/DeviceState.h"
#include "link/ImageLayout.h"

namespace nr::emu {

using Bytes = std::vector<uint8_t>;

struct DeviceIdentity {
  std::string module = "NR490";
  std::string mcuVersion = "2018-09-10";
  std::string dspVersion = "2018-08-27";
  uint8_t version = 24;
  std::vector<uint8_t> capability;  // sent after the version and a zero byte; at most 6 used

  static DeviceIdentity From(const EmulatorOptions& options);
};

// A payload as it arrived, for tests that assert what reached the device.
struct ReceivedPayload {
  Clock::time_point at;
  uint8_t channel = 0x81;  // 0x81 device command, 0x80 Z-Wave pass-through
  Bytes bytes;             // command code first, no channel prefix
};

struct CoreResult {
  std::vector<Bytes> replies;  // code first, no channel prefix / report identifier
  bool endSession = false;     // the PC said goodbye (0x8A)
};

inline constexpr int kModeSlots = 4;
inline constexpr int kRemoteFunctions = 25;
inline constexpr int kZWaveMemorySize = 6860;  // plug records and scenes
inline constexpr uint8_t kRemoteId = 0x80;  // identification byte of the emulated remote

// Code the emulated remote sends for function 1..25 (0 outside).
uint8_t RemoteKeyCode(int function);

class DeviceCore {
 public:
  using SessionId = uint64_t;
  static constexpr size_t kLogCapacity = 65536;  // oldest entries go first in long runs

  explicit DeviceCore(DeviceIdentity identity = {}, Millis learnDelay = Millis(700), ZWaveOptions zwave = {});
  DeviceCore(const DeviceCore&) = delete;
  DeviceCore& operator=(const DeviceCore&) = delete;

  // A transport calls this for every client or opened handle, so that a learned key is
  // reported to the one that asked for it.
  SessionId OpenSession();
  // Forgets the session; a learn it started is abandoned.
  void CloseSession(SessionId session);

  // Carries out one command (code first; trailing zero padding is fine) and returns the
  // immediate answers. Every payload is logged.
  CoreResult Handle(std::span<const uint8_t> payload, SessionId session = 0,
                    Clock::time_point now = Clock::now());
  // Logs a payload without acting on it (a device told to be silent).
  void Record(uint8_t channel, std::span<const uint8_t> payload, Clock::time_point now = Clock::now());
  // A Serial API frame that arrived on the network's Z-Wave channel: logged and handed to the
  // controller, whose immediate answers come back as replies 12.
  CoreResult HandleZWave(std::span<const uint8_t> frame, SessionId session = 0, Clock::time_point now = Clock::now());

  // Unsolicited reports that have come due for the session (the learned remote key, the Z-Wave
  // controller's callbacks for the session that last spoke to it).
  std::vector<Bytes> TakeDue(SessionId session, Clock::time_point now = Clock::now());
  // When the next unsolicited report for the session comes due, if one is pending.
  std::optional<Clock::time_point> NextDue(SessionId session) const;

  // Inspection, for tests and the demo.
  ParamImage Image() const;
  ParamImage Slot(int mode) const;
  int CurrentMode() const;
  MachineSettings Settings() const;
  RemoteCodes Remote() const;
  std::vector<uint8_t> ZWaveMemory() const;
  std::vector<int> ZWaveNodes() const;
  bool ZWaveIdle() const;  // the controller neither adds nor removes, nor waits to be stopped
  int PlugValue(int node) const;
  bool PlugKeyLearned(int node, int slot) const;
  bool Learning() const;
  StatusBytes Status(Clock::time_point now = Clock::now()) const;
  Clock::time_point Epoch() const { return epoch_; }
  DeviceIdentity Identity() const;

  std::vector<ReceivedPayload> Log() const;
  void ClearLog();
  // Code bytes of the logged device commands, in order: a compact view for assertions.
  std::vector<uint8_t> LoggedCodes() const;

  // Configuration.
  void SetCapability(std::span<const uint8_t> bytes);
  void SetInputFormat(uint8_t format);

 private:
  struct PendingLearn {
    SessionId session = 0;
    int function = 0;
    Clock::time_point due;
  };

  void RecordLocked(uint8_t channel, std::span<const uint8_t> payload, Clock::time_point now);
  void Dispatch(std::span<const uint8_t> p, SessionId session, Clock::time_point now, CoreResult& out);
  bool WriteDspWords(std::span<const uint8_t> p);
  bool WriteBlock(std::span<const uint8_t> p, std::span<uint8_t> memory);
  Bytes ReadBlock(uint8_t code, std::span<const uint8_t> p, std::span<const uint8_t> memory) const;
  StatusBytes StatusLocked(Clock::time_point now) const;
  Bytes TextReply(uint8_t code, const std::string& text) const;
  void FactoryReset();
  void FeedZWave(std::span<const uint8_t> frame, SessionId session, Clock::time_point now, CoreResult& out);

  mutable std::mutex mutex_;
  const Clock::time_point epoch_;
  const Millis learnDelay_;
  DeviceIdentity identity_;
  uint8_t inputFormat_ = 7;  // DTS-HD
  ParamImage image_{};
  ParamImage factory_{};
  std::array<ParamImage, kModeSlots> slots_{};
  int mode_ = 0;
  MachineSettings settings_{};
  RemoteCodes remote_{};
  std::vector<uint8_t> zwave_;
  ZWaveModule zwaveModule_;
  SessionId zwaveSession_ = 0;  // the session the controller's callbacks go to
  std::optional<PendingLearn> learn_;
  SessionId nextSession_ = 1;
  std::deque<ReceivedPayload> log_;
};

}  // namespace nr::emu
