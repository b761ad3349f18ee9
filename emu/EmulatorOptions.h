#pragma once
// How the emulated device behaves on its transports: identity, where it listens, and the faults
// it can be told to show so that the PC's time-outs, retries and parsers can be exercised.
#include <bitset>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/HidBackend.h"
#include "link/Trace.h"

namespace nr::emu {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

// ---- The Z-Wave controller and its plugs ----
enum class PlugKind { kSwitch, kDimmer, kInfrared };

struct EmulatedPlug {
  int node = 0;  // 2..232
  PlugKind kind = PlugKind::kSwitch;
  std::string name;  // stored in the plug's record; the PC shows it
  bool operator==(const EmulatedPlug&) const = default;
};

// A lamp on a switch plug, a dimmed ceiling light and a TV set behind an infrared plug.
std::vector<EmulatedPlug> DefaultPlugs();

struct ZWaveOptions {
  bool enabled = true;                      // false: the device has no controller at all
  std::vector<EmulatedPlug> plugs = DefaultPlugs();
  bool demoScenes = true;                   // power-on and power-off scenes for the default plugs
  Millis pressAfter{1500};                  // the user presses the plug's button this long after add/remove starts
  Millis keyAfter{800};                     // the user points the remote at a learning plug
  int noAckNode = 0;                        // a plug that never acknowledges (0: none)
  int removeNode = 0;                       // the plug pressed while removing (0: one of no network)
};

// "2:switch:Lamp,3:dimmer,4:ir:TV" (the name is optional); "none" for an empty network.
std::optional<std::vector<EmulatedPlug>> ParsePlugSpec(std::string_view spec, std::string& error);

struct EmulatorOptions {
  // Identification the device reports.
  std::string model = "NR490";
  int version = 24;                      // communication version byte of reply 0x7F
  std::vector<uint8_t> capability;       // input-source capability bytes after the version (0..6)

  // Where the network server listens. Port 0 picks any free port (NetServer::Port tells which).
  std::string bindAddress = "127.0.0.1";
  uint16_t port = 30303;

  // Faults, shared by both transports.
  Millis latency{0};                     // every answer leaves this much later, in order
  std::optional<Millis> silentAfter;     // from the start of a session: no answers, no heartbeats
  std::optional<Millis> dropAfter;       // from the start of a session: socket closed / HID fails
  std::bitset<256> noAnswer;             // commands that are carried out but never answered
  bool garbage = false;                  // bogus frames between the real ones (network only)

  // Timing of the device's own activity.
  Millis learnDelay{700};                // from 0x60 to the learned-key report
  Millis heartbeatInterval{1000};

  // Foreign HID interfaces listed next to the device, for discovery tests.
  std::vector<HidDeviceEntry> foreignHidDevices;

  // Each received payload and each sent reply in hex; nullptr for silence. Not owned.
  TraceSink* trace = nullptr;

  // The smart-home controller.
  ZWaveOptions zwave;
};

// Fault decisions that depend on how long a session has run.
class SessionFaults {
 public:
  SessionFaults(const EmulatorOptions& options, Clock::time_point start)
      : options_(&options), start_(start) {}

  bool Silent(Clock::time_point now) const {
    return options_->silentAfter && now - start_ >= *options_->silentAfter;
  }
  bool Dropped(Clock::time_point now) const {
    return options_->dropAfter && now - start_ >= *options_->dropAfter;
  }
  std::optional<Clock::time_point> DropTime() const {
    if (!options_->dropAfter) return std::nullopt;
    return start_ + *options_->dropAfter;
  }
  // Whether an answer to the command with this code may leave the device at all.
  bool Answers(uint8_t command) const { return !options_->noAnswer.test(command); }
  Clock::time_point DueTime(Clock::time_point now) const { return now + options_->latency; }

 private:
  const EmulatorOptions* options_;
  Clock::time_point start_;
};

}  // namespace nr::emu
