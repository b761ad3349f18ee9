#pragma once
// The device's mode slots and the device-wide exchanges around them, each one sequence that the
// application and nrctl both run: loading a slot, restoring a slot's factory contents, storing the
// running parameters into a slot, the status query, the reset, and the remote-table exchange.
//
// Steps that take time (the pause before a slot switch that lets a status answer in flight pass,
// the device's time to store a slot) never run on the thread that asks with Start: a worker runs
// them, in the order asked, and reports each end through LinkEvents::ModeCommandFinished. A
// store's command itself goes out at once. nrctl, which has no window to keep serving, runs the
// same sequences on its own thread with Run.
//
// When the preset counts as kept: a store keeps the screen's values as they were when the store
// command (04) was handed to an open link, and only once it was. Edits made while the device
// stores are not in the slot and stay unkept; a store that found no link keeps nothing. The
// application and nrctl share this rule because they share the sequence.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "link/DeviceSession.h"
#include "link/Link.h"
#include "link/LinkEvents.h"
#include "link/ReplyWaiter.h"
#include "link/WorkerThreads.h"

namespace nr {

inline constexpr int kModeSlots = 4;

struct ModeTimings {
  std::chrono::milliseconds beforeSwitch{50};  // status polling has stopped; a load or restore follows
  std::chrono::milliseconds storeSettle{500};  // the device writes the slot before it is told more
};

// What the device is asked and what its answer must look like: the answer's code and its least
// size (prefix or report id and code included).
enum class DeviceQuery { kStatus, kMachineSettings, kRemoteTable, kMode };

class DeviceModes {
 public:
  DeviceModes(DeviceSession& session, LinkState& state, LinkEvents& events, ModeTimings timings = {});
  ~DeviceModes();
  DeviceModes(const DeviceModes&) = delete;
  DeviceModes& operator=(const DeviceModes&) = delete;

  // The sequence on the calling thread, pauses included. A load or restore is answered by the
  // device with the same code, upon which the connection reads everything again; the end of that
  // read is the end of the switch (LinkEvents::TransferFinished). Slots are 0..3; another slot or
  // no open link: nothing is sent and the model is left alone (sent false).
  ModeCommandResult Run(ModeCommand command, int slot);
  // The same on the worker: what the screen shows at once (the current mode, a cleared status)
  // changes before this returns; the rest follows and ModeCommandFinished says how it went.
  void Start(ModeCommand command, int slot);
  // Stores into the slot the device runs (a saved file keeps the same parameters in the device).
  void StartStoreIntoCurrentSlot();
  // A command started and not yet finished.
  bool Busy() const;

  // The status poll: one query, not waited for, sent only while polling is allowed and a link is
  // open. False when nothing was sent.
  bool PollStatus();
  // The device's reset (68 AA); false without a link.
  bool ResetDevice();
  // The remote table into the model and to the device (63 and the 30 codes).
  void SendRemoteTable(const RemoteCodes& codes);

 private:
  struct Job {
    ModeCommand command = ModeCommand::kLoad;
    int slot = 0;
    ModeCommandResult stored;  // a store: how its sending went
  };
  // The part that changes what the screen shows; false when the command cannot go.
  bool Prepare(ModeCommand command, int slot);
  // What goes at once (a store), then what takes time (the pauses, a switch's command).
  Job Begin(ModeCommand command, int slot);
  ModeCommandResult Finish(const Job& job);
  ModeCommandResult SendStore(int slot);
  void WorkerLoop();
  // Waits, cut short when the object goes away; false then.
  bool Pause(std::chrono::milliseconds time);

  DeviceSession& session_;
  LinkState& state_;
  LinkEvents& events_;
  ModeTimings timings_;

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Job> jobs_;
  bool working_ = false;
  bool stopping_ = false;
  WorkerThreads worker_;  // declared last: joined first
};

// Sends the query at once and waits for its answer, which the model then holds: kAnswered, or
// what went wrong (no answer within the link's answer time-out, a wrong one, the link closed).
ReplyWaiter::Outcome AskDevice(Link& link, DeviceQuery query);

}  // namespace nr
