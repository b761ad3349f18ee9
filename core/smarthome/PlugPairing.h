#pragma once
// Adding and removing a plug, as both front ends run them: the controller's reports of the
// exchange become the steps the user is shown, and what every pairing does on the way happens
// here (a removed plug's key file goes, an adding goes on from its removal to the adding, the
// added plug's record is written to the device). Adding starts with a removal, so a plug that
// was in another network leaves it first; the user presses the plug's button in each phase.
#include "smarthome/KeyFile.h"
#include "smarthome/SmartHome.h"
#include "smarthome/ZWaveFrames.h"

namespace nr {

enum class PairingStep {
  kNone,           // the report is no step of a pairing
  kPressToRemove,  // the controller waits for a plug's button to remove it (an adding's first press)
  kPressToAdd,     // the controller waits for a plug's button to add it (an adding's second press)
  kPlugFound,      // the pressed plug answered; the adding goes on by itself
  kRemoved,        // a plug left its network (node 0: one that belonged to none)
  kAdded,          // the plug is added and its record written
  kRemoveFailed,
  kAddFailed,
};

struct PairingUpdate {
  PairingStep step = PairingStep::kNone;
  int node = 0;             // the plug removed or added
  bool addingNext = false;  // after kRemoved: the adding has started, a second press is awaited
};

class PlugPairing {
 public:
  PlugPairing(SmartHome& smart, const KeyFiles& keys) : smart_(smart), keys_(keys) {}

  // Sends the start of the exchange (a removal first, for adding too).
  void StartAdding(const PlugRecord& record);
  void StartRemoving();

  // One controller report. stillWaiting says whether the user still waits for the exchange: a
  // removal goes on to the adding only then.
  PairingUpdate OnReport(const PlugReport& report, bool stillWaiting = true);

  // The controller function running now (remove node, then add node), which a give-up aborts.
  int Running() const { return running_; }
  void Abort() { smart_.Abort(running_); }

 private:
  SmartHome& smart_;
  const KeyFiles& keys_;
  int running_ = zwave::kRemoveNode;
};

}  // namespace nr
