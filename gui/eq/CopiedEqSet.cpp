#include "eq/CopiedEqSet.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "eq/BandWrites.h"
#include "eq/EqSetTable.h"
#include "link/DeviceSession.h"

namespace nr::gui {
namespace {

constexpr int kMaxRecords = 15;

// The record EQ keeps its bands beside the image; every other set in the EQ table.
EqBandBytes ReadRecord(const DeviceState& state, int set, int band) {
  EqBandBytes record{};
  if (set == kRecordEqSet) return state.recordEq[static_cast<size_t>(band)];
  const int offset = EqBandOffset(set, band);
  std::memcpy(record.data(), &state.eqTable[static_cast<size_t>(offset)], record.size());
  return record;
}

void WriteRecord(DeviceState& state, int set, int band, const EqBandBytes& record) {
  if (set == kRecordEqSet) {
    state.recordEq[static_cast<size_t>(band)] = record;
    return;
  }
  const int offset = EqBandOffset(set, band);
  std::memcpy(&state.eqTable[static_cast<size_t>(offset)], record.data(), record.size());
}

}  // namespace

CopiedEqSet& CopiedEqSet::Application() {
  static CopiedEqSet copied;
  return copied;
}

int GQ_CopyEQ(DeviceSession& session, int src, int dst) {
  if (src < 0 || src >= kEqSetCount) {
    Trace(session.Tracer(), "GQ_CopyEQ src over range");
    return 0;
  }
  if (dst < 0 || dst >= kEqSetCount) {
    Trace(session.Tracer(), "GQ_CopyEQ dst over range");
    return 0;
  }
  // A channel set brings its crossover band and partners along (13 records).
  int count = EqSetTable::IsChannelSet(src) ? 13 : std::min(EqSetTable::CopyCount(src), EqSetTable::CopyCount(dst));
  count = std::min({count, EqSetTable::OwnedRecords(dst), EqSetTable::OwnedRecords(src), kMaxRecords});

  session.Model().Update([&](DeviceState& state) {
    std::array<EqBandBytes, kMaxRecords> records{};
    for (int b = 0; b < count; ++b) records[static_cast<size_t>(b)] = ReadRecord(state, src, b);
    for (int b = 0; b < count; ++b) WriteRecord(state, dst, b, records[static_cast<size_t>(b)]);
  });
  ReapplyEqSet(session, dst);
  return 1;
}

void ReapplyEqSet(DeviceSession& session, int set) {
  const int bands = std::min(EqSetTable::Bands(set), kMaxRecords);
  std::array<EqBand, kMaxRecords> stored{};
  session.Model().Read([&](const DeviceState& state) {
    for (int b = 0; b < bands; ++b) stored[static_cast<size_t>(b)] = state.Band(set, b);
  });
  for (int b = 0; b < bands; ++b) {
    const EqBand& band = stored[static_cast<size_t>(b)];
    SetEqBand(session, set, b, band.type, band.freq, band.gainDb, band.q);
  }
}

}  // namespace nr::gui
