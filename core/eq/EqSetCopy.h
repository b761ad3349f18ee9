#pragma once
// Copying a whole EQ set onto another: how many band records a copy moves, a set-to-set copy
// (`GQ_CopyEQ`), and the copied set of copy and paste, which keeps the records by value so an
// edit made after the copy does not reach the set pasted later.
#include <array>

#include "link/DeviceSession.h"

namespace nr {

// Band records a set owns: its slots in the EQ table, or the record EQ's five; 0 outside 0..23.
int OwnedEqRecords(int set);
// Records a set-to-set copy moves when this set takes part (before the destination's limit).
int EqCopyCount(int set);
// Records a copy from src to dst moves: 13 from an output channel's set (its crossover band and
// partner sections come along), else the smaller copy count; never more than either set owns.
int EqCopyRecords(int src, int dst);

// Copies the band records of set src over those of set dst and sends every band of dst to the
// device again. Returns 1, or 0 (changing nothing, with a trace) when a set is outside 0..23.
int GQ_CopyEQ(DeviceSession& session, int src, int dst);

// Decodes each band record of the set and writes it with SetEqBand (coefficients and record).
void ReapplyEqSet(DeviceSession& session, int set);

// The set of copy and paste, shared by every EQ page of an application.
class CopiedEqSet {
 public:
  static constexpr int kMaxRecords = 15;

  bool Empty() const { return source_ < 0; }
  int Source() const { return source_; }  // -1 when nothing is copied
  // Takes the set's records as they are now. False, leaving the copy as it was, for a set
  // outside 0..23.
  bool Copy(const DeviceState& state, int set);
  void Clear() { source_ = -1; }
  // Writes the copied records over set dst as GQ_CopyEQ would have at the moment of the copy,
  // and sends every band of dst again. False (nothing changed) when empty or dst is outside.
  bool Paste(DeviceSession& session, int dst) const;

 private:
  int source_ = -1;
  std::array<EqBandBytes, kMaxRecords> records_{};
};

}  // namespace nr
