#pragma once
// What a user's edits change in the device state, and the writes that take the device from one
// such state to another. Undo and redo are built on it: a snapshot before and after each gesture,
// and restoring one sends exactly the parts that differ, through the same writes the pages make
// (band coefficients and records, sound-field area, parameter records, the pitch, the record
// EQ's coefficients, the machine settings), so the device follows the screen.
#include "link/DeviceSession.h"

namespace nr {

struct EditSnapshot {
  ParamImage image{};  // the parameter records; the EQ and sound-field area are the EQ table's
  EqTable eqTable{};
  RecordEq recordEq{};
  std::array<ParamValue, kParamRows> values{};
  DerivedValues derived{};
  MachineSettings machine{};  // as applied to the device; the dialog's edit copy is its own
};

EditSnapshot TakeEditSnapshot(const DeviceState& state);

// The user's values are the same in both. What only the device writes (the level feature it
// reports) does not count.
bool SameEdits(const EditSnapshot& a, const EditSnapshot& b);

// Takes the device and the model from `from` to `to` where the two differ, and only there: a
// change made since `from` by anything else stays as it is.
void RestoreEdits(DeviceSession& session, const EditSnapshot& from, const EditSnapshot& to);

}  // namespace nr
