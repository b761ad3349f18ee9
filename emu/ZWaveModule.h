#pragma once
// The Z-Wave controller module inside the emulated device and the plugs of its network. It speaks
// the Serial API as the PC uses it: node list, set default, send data with its callbacks and the
// plugs' reports, the send-data abort, adding and removing nodes with their status sequence (the
// node comes with status 3; the controller stays in the mode until the PC stops it, and refuses
// sends meanwhile). Every frame it sends waits for the PC's ACK; one the PC answers NAK or CAN is
// sent again. What the user does with the plugs (pressing a plug's button, pointing a remote at
// it) happens by itself after a delay.
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

  // One frame (or a lone ACK, NAK or CAN) from the PC. Returns what the module sends at once: its
  // ACK and, for requests that have one, the response; for a NAK or CAN, the frame sent again.
  // Callbacks and reports come due later.
  std::vector<Bytes> Receive(std::span<const uint8_t> frame, Clock::time_point now);
  // Frames that have come due, in order.
  std::vector<Bytes> TakeDue(Clock::time_point now);
  std::optional<Clock::time_point> NextDue() const;
  // Another PC speaks to the controller now: what the last one left unanswered is not sent again.
  void PeerChanged();

  // Inspection, for tests.
  std::vector<int> Nodes() const;  // the plugs in the network, ascending
  int Value(int node) const;       // the plug's output: 0 off, FF on, or a dimmer level
  bool Learned(int node, int slot) const;
  bool Idle() const;  // neither adding nor removing, nor waiting to be told to stop

 private:
  enum class Flow { kNone, kAdding, kRemoving, kSending };
  struct Plug {
    PlugKind kind = PlugKind::kSwitch;
    int value = 0;
    std::bitset<64> learned;
  };
  struct Event {
    Clock::time_point due;
    Bytes frame;
    Flow flow = Flow::kNone;  // events of a flow go when that flow is stopped or aborted
    int learnNode = 0;        // a learning report: the plug knows the key once it is sent
    int learnSlot = 0;
  };
  struct Unanswered {
    Bytes frame;  // intact, whatever went out
    Clock::time_point sent;
    int sends = 1;
  };

  std::deque<Event>::iterator Schedule(Clock::time_point due, Bytes frame, Flow flow = Flow::kNone);
  void CancelFlow(Flow flow);
  void StopFlow(Flow flow);
  // A frame to the PC: kept until the PC acknowledges it, and damaged when the fault asks for it.
  Bytes Emit(Bytes frame, Clock::time_point now);
  std::vector<Bytes> Answered(uint8_t answer, Clock::time_point now);
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
  // Adding or removing started and not yet stopped by the PC (it may have finished).
  bool adding_ = false;
  bool removing_ = false;
  std::deque<Unanswered> unanswered_;  // oldest first, as the PC answers them
  int emitted_ = 0;                    // frames sent, for the damaging fault
};

}  // namespace nr::emu
