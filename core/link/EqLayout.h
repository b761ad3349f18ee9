#pragma once
// Where the bands of each EQ set live: their slots in the image and their DSP addresses.
#include "link/EqBandCodec.h"

namespace nr {

inline constexpr int kEqSetCount = 24;
inline constexpr int kRecordEqSet = 15;   // the record output's EQ: no room in the image
inline constexpr int kRecordEqBands = 5;

struct EqSetLayout {
  int bands;       // bands the user edits (and that a reset flattens)
  int slotCount;   // image slots reserved for the set (0 for the record EQ)
  int firstSlot;   // -1 for the record EQ
  int module;      // DSP module of the set's sections
  int firstIndex;  // DSP index of band 0
};

// Layout of set 0..23; any other number gets a 13-band set at slot 0 of module 0.
EqSetLayout EqSetInfo(int set);

// Byte offset in the image of the band's record: 7 x (first slot + band); for a set outside
// 0..23 the slot is the band number. The record EQ's bands have no slot (see RecordEq in the model).
int EqBandOffset(int set, int band);

// Factory contents of a band (what the default image holds there, or the record EQ default).
EqBand DefaultEqBand(int set, int band);

}  // namespace nr
