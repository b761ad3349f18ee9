#include "shell/EditSnapshot.h"

#include <algorithm>
#include <cstring>

#include "eq/BandWrites.h"
#include "eq/Biquad.h"
#include "inputs/LiveControls.h"
#include "inputs/SoundField.h"
#include "link/EqLayout.h"
#include "shell/MachineSettings.h"

namespace nr {
namespace {

constexpr int kSlots = kEqAreaSize / kEqBandBytes;

struct SlotOwner {
  int set = -1;
  int band = -1;
};

// The EQ set and band each of the 253 band slots belongs to.
const std::array<SlotOwner, kSlots>& SlotOwners() {
  static const std::array<SlotOwner, kSlots> owners = [] {
    std::array<SlotOwner, kSlots> table{};
    for (int set = 0; set < kEqSetCount; ++set) {
      const EqSetLayout layout = EqSetInfo(set);
      for (int band = 0; band < layout.slotCount; ++band)
        if (const int slot = layout.firstSlot + band; slot >= 0 && slot < kSlots) table[static_cast<size_t>(slot)] = {set, band};
    }
    return table;
  }();
  return owners;
}

bool Differs(const uint8_t* a, const uint8_t* b, int size) { return std::memcmp(a, b, static_cast<size_t>(size)) != 0; }

// A band slot: the coefficients designed from the record, then the record itself.
void RestoreBandSlot(DeviceSession& session, int slot, const EqBandBytes& record) {
  const int offset = slot * kEqBandBytes;
  const SlotOwner owner = SlotOwners()[static_cast<size_t>(slot)];
  if (owner.set >= 0) {
    const EqSetLayout layout = EqSetInfo(owner.set);
    const EqBand band = DecodeEqBand(record);
    WriteBiquad(session, layout.module, layout.firstIndex + owner.band,
                DeviceCoefficients(DesignBiquad(band.type, band.gainDb, band.freq, band.q)));
  }
  session.Model().Update([&](DeviceState& s) {
    std::memcpy(&s.eqTable[static_cast<size_t>(offset)], record.data(), record.size());
    std::memcpy(&s.image[static_cast<size_t>(offset)], record.data(), record.size());
  });
  session.WriteImageBytes(offset, record);
}

// Part of the sound-field area, which lives in both the EQ table and the image.
void RestoreArea(DeviceSession& session, const EditSnapshot& to, int offset, int size) {
  const uint8_t* bytes = &to.eqTable[static_cast<size_t>(offset)];
  session.Model().Update([&](DeviceState& s) {
    std::memcpy(&s.eqTable[static_cast<size_t>(offset)], bytes, static_cast<size_t>(size));
    std::memcpy(&s.image[static_cast<size_t>(offset)], bytes, static_cast<size_t>(size));
  });
  session.WriteImageBytes(offset, std::span<const uint8_t>(bytes, static_cast<size_t>(size)));
}

void RestoreAreas(DeviceSession& session, const EditSnapshot& from, const EditSnapshot& to) {
  for (int slot = 0; slot < kSlots; ++slot) {
    const size_t offset = static_cast<size_t>(slot * kEqBandBytes);
    if (!Differs(&from.eqTable[offset], &to.eqTable[offset], kEqBandBytes)) continue;
    EqBandBytes record{};
    std::memcpy(record.data(), &to.eqTable[offset], record.size());
    RestoreBandSlot(session, slot, record);
  }
  for (const auto& [offset, size] : {std::pair{kSoundFieldLevelsOffset, kSoundFieldLevelsSize},
                                    std::pair{kRoomRecordOffset, kRoomRecordSize}}) {
    if (Differs(&from.eqTable[static_cast<size_t>(offset)], &to.eqTable[static_cast<size_t>(offset)], size))
      RestoreArea(session, to, offset, size);
  }
  if (from.eqTable[kLocatedSpeakerOffset] != to.eqTable[kLocatedSpeakerOffset]) Locate(session, to.eqTable[kLocatedSpeakerOffset]);
}

void RestoreRecords(DeviceSession& session, const EditSnapshot& from, const EditSnapshot& to) {
  for (const ParamRow& row : ParamRows()) {
    if (!row.hasImageWord) continue;
    const size_t at = static_cast<size_t>(row.WordOffset());
    const int size = 4 * row.words;
    if (Differs(&from.image[at], &to.image[at], size))
      session.WriteParamBlock(row.module, row.index, std::span<const uint8_t>(&to.image[at], static_cast<size_t>(size)));
  }
  if (from.derived.pitch != to.derived.pitch) SetPitch(session, to.derived.pitch);
}

void RestoreRecordEq(DeviceSession& session, const EditSnapshot& from, const EditSnapshot& to) {
  const std::array<Payload, kRecordEqBands> writes = RecordEqWrites(to.recordEq);
  for (size_t b = 0; b < to.recordEq.size(); ++b) {
    if (from.recordEq[b] == to.recordEq[b]) continue;
    session.Send(writes[b]);
    session.Model().Update([&](DeviceState& s) { s.recordEq[b] = to.recordEq[b]; });
  }
}

// The values the screen shows beside the records: only those that differ.
template <class T>
void Follow(T& value, const T& from, const T& to) {
  if (!(from == to)) value = to;
}

void RestoreShownValues(DeviceModel& model, const EditSnapshot& from, const EditSnapshot& to) {
  model.Update([&](DeviceState& s) {
    for (size_t r = 0; r < s.values.size(); ++r) Follow(s.values[r], from.values[r], to.values[r]);
    DerivedValues& d = s.derived;
    for (size_t u = 0; u < d.compressors.size(); ++u) Follow(d.compressors[u], from.derived.compressors[u], to.derived.compressors[u]);
    for (size_t c = 0; c < d.channelDelay.size(); ++c) Follow(d.channelDelay[c], from.derived.channelDelay[c], to.derived.channelDelay[c]);
    for (size_t m = 0; m < d.fbcShift.size(); ++m) Follow(d.fbcShift[m], from.derived.fbcShift[m], to.derived.fbcShift[m]);
    Follow(d.musicDynamics, from.derived.musicDynamics, to.derived.musicDynamics);
    Follow(d.pitch, from.derived.pitch, to.derived.pitch);
    Follow(d.room, from.derived.room, to.derived.room);
  });
}

}  // namespace

EditSnapshot TakeEditSnapshot(const DeviceState& s) {
  return EditSnapshot{s.image, s.eqTable, s.recordEq, s.values, s.derived, s.machine};
}

bool SameEdits(const EditSnapshot& a, const EditSnapshot& b) {
  const auto same = [&](int from, int to) {
    return std::equal(a.eqTable.begin() + from, a.eqTable.begin() + to, b.eqTable.begin() + from);
  };
  const bool areas = same(0, kLevelFeatureOffset) && same(kLevelFeatureOffset + 4, kEqTableSize);
  const bool records = std::equal(a.image.begin() + kRecordListOffset, a.image.end(), b.image.begin() + kRecordListOffset);
  DerivedValues da = a.derived;
  da.levelFeature = b.derived.levelFeature;
  return areas && records && a.recordEq == b.recordEq && a.values == b.values && da == b.derived && a.machine == b.machine;
}

void RestoreEdits(DeviceSession& session, const EditSnapshot& from, const EditSnapshot& to) {
  RestoreAreas(session, from, to);
  RestoreRecords(session, from, to);
  RestoreRecordEq(session, from, to);
  RestoreShownValues(session.Model(), from, to);
  if (from.machine != to.machine) {
    session.Model().Update([&](DeviceState& s) { s.machineEdit = to.machine; });
    ApplyMachineSettings(session);
  }
}

}  // namespace nr
