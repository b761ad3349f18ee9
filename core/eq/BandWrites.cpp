#include "eq/BandWrites.h"

#include <cmath>
#include <cstring>

#include "eq/Biquad.h"
#include "link/EqBandCodec.h"
#include "link/Commands.h"
#include "link/EqLayout.h"

namespace nr {
namespace {

constexpr float kResetQ = 1.41f;

template <size_t N>
int At(const int (&freqs)[N], int band) {
  return freqs[band < 0 ? 0 : (band < static_cast<int>(N) ? band : static_cast<int>(N) - 1)];
}

}  // namespace

int ResetFrequency(int set, int band) {
  static constexpr int kMic[15] = {25, 40, 63, 100, 160, 250, 400, 630, 1000, 1600, 2500, 4000, 6300, 10000, 16000};
  static constexpr int kEffect[7] = {50, 100, 200, 400, 800, 1600, 3200};
  static constexpr int kMusic[10] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
  static constexpr int kOutput[13] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000, 16000, 16000, 16000};
  static constexpr int kRecord[5] = {50, 100, 200, 400, 800};
  static constexpr int kAdvanced[8] = {62, 125, 250, 500, 1000, 2000, 4000, 8000};
  if (set == 0 || set == 1) return At(kMic, band);
  if (set >= 2 && set <= 5) return At(kEffect, band);
  if (set == 6) return At(kMusic, band);
  if (set == kRecordEqSet) return At(kRecord, band);
  if (set >= 16 && set <= 23) return At(kAdvanced, band);
  return At(kOutput, band);
}

void WriteBiquad(DeviceSession& session, int module, int index, const std::array<float, 5>& coefficients) {
  session.Send(BuildWriteBiquad(module, index, coefficients));
}

std::array<Payload, kRecordEqBands> RecordEqWrites(const RecordEq& bands) {
  const EqSetLayout layout = EqSetInfo(kRecordEqSet);
  std::array<Payload, kRecordEqBands> writes;
  for (int b = 0; b < kRecordEqBands; ++b) {
    const EqBand band = DecodeEqBand(bands[static_cast<size_t>(b)]);
    const BiquadCoeffs c = DesignBiquad(band.type, band.gainDb, band.freq, band.q);
    writes[static_cast<size_t>(b)] = BuildWriteBiquad(layout.module, layout.firstIndex + b, DeviceCoefficients(c));
  }
  return writes;
}

void StoreEqBand(DeviceSession& session, int set, int band, int type, int freq, float gainDb, float q) {
  // The frequency goes through a float on its way into the record, as the device's peers do.
  const int storedFreq = static_cast<int>(static_cast<float>(freq));
  const EqBandBytes record = EncodeEqBand(gainDb, storedFreq, q, type);
  if (set == kRecordEqSet) {
    if (band < 0 || band >= kRecordEqBands) return;
    session.Model().Update([&](DeviceState& s) { s.recordEq[static_cast<size_t>(band)] = record; });
    return;
  }
  const int offset = EqBandOffset(set, band);
  if (offset < 0 || offset + kEqBandBytes > kEqAreaSize) return;  // no slot: never touch another record
  session.Model().Update([&](DeviceState& s) {
    std::memcpy(&s.eqTable[static_cast<size_t>(offset)], record.data(), record.size());
  });
  session.WriteImageBytes(offset, record);
}

void SetEqBand(DeviceSession& session, int set, int band, int type, int freq, float gainDb, float q,
               float extraGainDb) {
  BiquadCoeffs c = DesignBiquad(type, gainDb, freq, q);
  if (extraGainDb != 0.0f) {
    const double g = std::pow(10.0, extraGainDb / 20.0);
    c.b0 *= g;
    c.b1 *= g;
    c.b2 *= g;
  }
  const EqSetLayout layout = EqSetInfo(set);
  WriteBiquad(session, layout.module, layout.firstIndex + band, DeviceCoefficients(c));
  StoreEqBand(session, set, band, type, freq, gainDb, q);
}

void ResetEqSet(DeviceSession& session, int set) {
  const int bands = EqSetInfo(set).bands;
  for (int band = 0; band < bands; ++band) SetEqBand(session, set, band, kPeaking, ResetFrequency(set, band), 0.0f, kResetQ);
}

void ResetOutputEqSet(DeviceSession& session, int set) {
  static constexpr int kTypes[13] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 18, 20, 1, 1};
  static constexpr int kFreqs[13] = {31, 62, 250, 500, 1000, 2000, 4000, 8000, 16000, 100, 100, 100, 100};
  for (int band = 0; band < 13; ++band) SetEqBand(session, set, band, kTypes[band], kFreqs[band], 0.0f, kResetQ);
}

}  // namespace nr
