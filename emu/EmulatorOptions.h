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

// An image chunk (0..69) of a read, or of a write, answered wrongly or not at all, `times` times
// (0: every time).
struct ChunkFault {
  enum class Kind {
    kSkip,    // no answer
    kOffset,  // the answer names the offset one past the one asked for (reads)
    kShort,   // the answer carries 16 bytes fewer than asked for (reads)
    kCode,    // the answer comes with another command code, 0x33
  };
  Kind kind = Kind::kSkip;
  int chunk = 0;
  int times = 0;
  bool write = false;  // the fault hits the chunks of a write (0x31), not of a read (0x30)
};

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
  bool doneWithoutNode = false;             // adding's status 5 and removing's 6 name no node (status 3 does)
  int corruptEvery = 0;                     // every Nth frame to the PC first goes out damaged (0: none)
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
  std::vector<ChunkFault> chunkFaults;
  std::optional<int> errorAtChunk;       // after answering this image chunk, report an error (0A)
  int noticeFlood = 1;                   // notices sent in answer to a mode load or restore

  // Timing of the device's own activity.
  Millis learnDelay{700};                // from 0x60 to the learned-key report
  Millis heartbeatInterval{1000};

  // The device serves one PC at a time, so it lets go of one that has stopped taking part: a
  // session the PC has sent nothing on (not even the heartbeat echo) for this long ends, and so
  // does one whose PC leaves more than maxUnreadBytes of answers unread.
  Millis clientWatchdog{10000};
  size_t maxUnreadBytes = 256 * 1024;

  // Foreign HID interfaces listed next to the device, for discovery tests.
  std::vector<HidDeviceEntry> foreignHidDevices;

  // Each received payload and each sent reply in hex; nullptr for silence. Not owned.
  TraceSink* trace = nullptr;
  // What the operator should hear of even without tracing (a client let go, and why). Not owned.
  TraceSink* notices = nullptr;

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
