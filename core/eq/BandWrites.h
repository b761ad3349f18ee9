#pragma once
// The one way an EQ or filter band changes: design the section, send its coefficients, then
// keep the band record in the EQ table and send it to the device's image.
#include <array>

#include "link/DeviceSession.h"

namespace nr {

// Designs the section at 48 kHz and sends it (coefficients first, then the band record).
// extraGainDb scales the section's output; every page passes 0.
void SetEqBand(DeviceSession& session, int set, int band, int type, int freq, float gainDb, float q,
               float extraGainDb = 0.0f);

// 09 00 module index 05 and five floats.
void WriteBiquad(DeviceSession& session, int module, int index, const std::array<float, 5>& coefficients);

// Stores the band record in the EQ table and sends it with 0x85. The record EQ (set 15) has no
// room in the image: its bands are kept in the model's record EQ and nothing goes to the image.
void StoreEqBand(DeviceSession& session, int set, int band, int type, int freq, float gainDb, float q);

// The coefficient write of each record EQ band (set 15), designed from the band records. The
// record EQ has no room in the image, so these follow every preset written to the device.
std::array<Payload, kRecordEqBands> RecordEqWrites(const RecordEq& bands);

// The frequency a reset gives band `band` of a set (bands past the set's end repeat its last).
int ResetFrequency(int set, int band);

// Flattens a set: every band peaking, 0 dB, Q 1.41, at the set's reset frequencies.
void ResetEqSet(DeviceSession& session, int set);
// Flattens an output whose channel kind needs the 4th-order 100 Hz low-pass in bands 9 and 10.
void ResetOutputEqSet(DeviceSession& session, int set);

}  // namespace nr
