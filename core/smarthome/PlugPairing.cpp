#include "smarthome/PlugPairing.h"

namespace nr {

void PlugPairing::StartAdding(const PlugRecord& record) {
  running_ = zwave::kRemoveNode;
  smart_.StartAdding(record);
}

void PlugPairing::StartRemoving() {
  running_ = zwave::kRemoveNode;
  smart_.StartRemoving();
}

PairingUpdate PlugPairing::OnReport(const PlugReport& report, bool stillWaiting) {
  if (report.function == zwave::kRemoveNode) {
    switch (report.status) {
      case zwave::kRemoveDone: {
        // A plug that belonged to no network is reported with no plug node.
        const int node = report.node >= kFirstPlugNode ? report.node : 0;
        if (node != 0) keys_.Remove(node);
        const bool addingNext = smart_.ContinueAfterRemoval(stillWaiting);
        if (addingNext) running_ = zwave::kAddNode;
        return {PairingStep::kRemoved, node, addingNext};
      }
      case zwave::kAddRemoveFailed: return {PairingStep::kRemoveFailed};
      default: return {PairingStep::kPressToRemove};
    }
  }
  if (report.function == zwave::kAddNode) {
    switch (report.status) {
      case zwave::kLearnReady: return {PairingStep::kPressToAdd};
      case zwave::kNodeFound: return {PairingStep::kPlugFound};
      case zwave::kProtocolDone:
        // The controller has taken the plug; it counts as added once the device keeps its record.
        smart_.WritePlugRecord(report.node, smart_.Record(report.node));
        return {PairingStep::kAdded, report.node};
      case zwave::kAddRemoveFailed: return {PairingStep::kAddFailed};
      default: return {};
    }
  }
  return {};
}

}  // namespace nr
