#pragma once
// The Z-Wave controller module inside the emulated device and the plugs of its network. It speaks
// the Serial API as the PC uses it: node list, set default, send data with its callbacks and the
// plugs' reports, adding and removing nodes with their status sequence. What the user does with
// the plugs (pressing a plug's button, pointing a remote at it) happens by itself after a delay.
// No I/O and no lock: the DeviceCore calls it under its own lock.
#include <bitset>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "emu/EmulatorOptions.h"

namespace nr::emu {

using Bytes = std::vector<uint8_t>;

// Starts every run the same: the emulated network, its plug records and its scenes.
void FillSmartHomeMemory(const ZWaveOptions& options, std::span<uint8_t> memory);

class ZWaveModule {
 public:
  explicit ZWaveModule(ZWaveOptions options);

  // One frame (or a lone ACK) from the PC. Returns what the module sends at once: its ACK and,
  // for requests that have one, the response. Callbacks and reports come due later.
  std::vector<Bytes> Receive(std::span<const uint8_t> frame, Clock::time_point now);
  // Frames that have come due, in order.
  std::vector<Bytes> TakeDue(Clock::time_point now);
  std::optional<Clock::time_point> NextDue() const;

  // Inspection, for tests.
  std::vector<int> Nodes() const;  // the plugs in the network, ascending
  int Value(int node) const;       // the plug's output: 0 off, FF on, or a dimmer level
  bool Learned(int node, int slot) const;

 private:
  enum class Flow { kNone, kAdding, kRemoving };
  struct Plug {
    PlugKind kind = PlugKind::kSwitch;
    int value = 0;
    std::bitset<64> learned;
  };
  struct Event {
    Clock::time_point due;
    Bytes frame;
    Flow flow = Flow::kNone;  // events of an add or remove flow go when that flow is stopped
  };

  void Schedule(Clock::time_point due, Bytes frame, Flow flow = Flow::kNone);
  void CancelFlow(Flow flow);
  Bytes NodeList() const;
  void SendData(std::span<const uint8_t> p, Clock::time_point now);
  void SetPlug(int node, Plug& plug, int value, Clock::time_point now);
  void StartAdding(uint8_t callback, Clock::time_point now);
  void StartRemoving(uint8_t callback, Clock::time_point now);
  int FreeNode() const;

  const ZWaveOptions options_;
  std::map<int, Plug> plugs_;
  std::deque<Event> events_;  // kept in due order
  // Nodes decided when the flow started: what the press will add or remove.
  int addingNode_ = 0;
  int removingNode_ = 0;
};

}  // namespace nr::emu
