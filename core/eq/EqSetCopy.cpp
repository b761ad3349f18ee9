#include "eq/EqSetCopy.h"

#include <algorithm>
#include <cstring>

#include "eq/BandWrites.h"
#include "link/EqLayout.h"

namespace nr {
namespace {

constexpr int kChannelFirst = 7;
constexpr int kChannelLast = 14;
constexpr int kChannelCopyRecords = 13;  // nine bands, then the crossover's partner sections

bool IsChannelSet(int set) { return set >= kChannelFirst && set <= kChannelLast; }
bool ValidSet(int set) { return set >= 0 && set < kEqSetCount; }

// The record EQ keeps its bands beside the image; every other set in the EQ table.
EqBandBytes ReadRecord(const DeviceState& state, int set, int band) {
  if (set == kRecordEqSet) return state.recordEq[static_cast<size_t>(band)];
  EqBandBytes record{};
  std::memcpy(record.data(), &state.eqTable[static_cast<size_t>(EqBandOffset(set, band))], record.size());
  return record;
}

void WriteRecord(DeviceState& state, int set, int band, const EqBandBytes& record) {
  if (set == kRecordEqSet) {
    state.recordEq[static_cast<size_t>(band)] = record;
    return;
  }
  std::memcpy(&state.eqTable[static_cast<size_t>(EqBandOffset(set, band))], record.data(), record.size());
}

}  // namespace

int OwnedEqRecords(int set) {
  if (set == kRecordEqSet) return kRecordEqBands;
  if (!ValidSet(set)) return 0;
  return EqSetInfo(set).slotCount;
}

int EqCopyCount(int set) {
  if (set == 0 || set == 1) return 15;
  if (set >= 2 && set <= 5) return 7;
  if (set == 6) return 10;
  if (IsChannelSet(set)) return 9;
  if (set == kRecordEqSet) return kRecordEqBands;
  if (set >= 16 && set <= 23) return 8;
  return 0;
}

int EqCopyRecords(int src, int dst) {
  const int count = IsChannelSet(src) ? kChannelCopyRecords : std::min(EqCopyCount(src), EqCopyCount(dst));
  return std::min({count, OwnedEqRecords(dst), OwnedEqRecords(src), CopiedEqSet::kMaxRecords});
}

int GQ_CopyEQ(DeviceSession& session, int src, int dst) {
  if (!ValidSet(src)) {
    Trace(session.Tracer(), "GQ_CopyEQ src over range");
    return 0;
  }
  if (!ValidSet(dst)) {
    Trace(session.Tracer(), "GQ_CopyEQ dst over range");
    return 0;
  }
  CopiedEqSet copy;
  copy.Copy(session.Model().Snapshot(), src);
  return copy.Paste(session, dst) ? 1 : 0;
}

void ReapplyEqSet(DeviceSession& session, int set) {
  const int bands = std::min(EqSetInfo(set).bands, CopiedEqSet::kMaxRecords);
  std::array<EqBand, CopiedEqSet::kMaxRecords> stored{};
  session.Model().Read([&](const DeviceState& state) {
    for (int b = 0; b < bands; ++b) stored[static_cast<size_t>(b)] = state.Band(set, b);
  });
  for (int b = 0; b < bands; ++b) {
    const EqBand& band = stored[static_cast<size_t>(b)];
    SetEqBand(session, set, b, band.type, band.freq, band.gainDb, band.q);
  }
}

bool CopiedEqSet::Copy(const DeviceState& state, int set) {
  if (!ValidSet(set)) return false;
  const int count = std::min(OwnedEqRecords(set), kMaxRecords);
  for (int b = 0; b < count; ++b) records_[static_cast<size_t>(b)] = ReadRecord(state, set, b);
  source_ = set;
  return true;
}

bool CopiedEqSet::Paste(DeviceSession& session, int dst) const {
  if (Empty() || !ValidSet(dst)) return false;
  const int count = EqCopyRecords(source_, dst);
  session.Model().Update([&](DeviceState& state) {
    for (int b = 0; b < count; ++b) WriteRecord(state, dst, b, records_[static_cast<size_t>(b)]);
  });
  ReapplyEqSet(session, dst);
  return true;
}

}  // namespace nr
