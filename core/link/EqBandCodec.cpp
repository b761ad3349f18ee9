#include "link/EqBandCodec.h"

#include <algorithm>
#include <cmath>

#include "link/Bytes.h"

namespace nr {
namespace {

// Converting a floating value outside the target range to an integer is undefined, so every code
// is clamped to the 16-bit field first. NaN counts as 0.
uint16_t ToCode(double truncated) {
  if (std::isnan(truncated)) return 0;
  return static_cast<uint16_t>(std::clamp(truncated, 0.0, 65535.0));
}

// The Q product is formed in single precision: 1.41f * 1000 must give 1410, not 1409.
uint16_t QCode(float q) {
  const float product = q * 1000.0f;
  return ToCode(std::trunc(static_cast<double>(product)));
}

}  // namespace

EqBandBytes EncodeEqBand(float gainDb, int freq, float q, int type) {
  if (std::isnan(gainDb)) gainDb = 0.0f;
  if (std::isnan(q)) q = 0.0f;
  // +0.05 rounds the editors' tenth-of-a-dB gains to their nearest step. The sum is formed in
  // double and in this order so that every gain keeps the code records have always had.
  const double gainCode = std::trunc((static_cast<double>(gainDb) + 0.05 + 15.0) * 10.0);
  const double freqCode = std::trunc(static_cast<double>(static_cast<float>(freq)));

  EqBandBytes r{};
  PutBE16(&r[0], ToCode(gainCode));
  PutBE16(&r[2], ToCode(freqCode));
  PutBE16(&r[4], QCode(q));
  r[6] = static_cast<uint8_t>(type);
  return r;
}

EqBand DecodeEqBand(const uint8_t* record) {
  EqBand b;
  b.gainDb = static_cast<float>(GetBE16(&record[0]) / 10.0 - 15.0);
  b.freq = GetBE16(&record[2]);
  const uint16_t qCode = GetBE16(&record[4]);
  b.q = static_cast<float>(qCode / 1000.0);
  // The float nearest code/1000 sometimes multiplies back to just under the code (0.251 gives
  // 250.99998), so reading a band and storing it again would lose 0.001 of Q each time. One
  // step up makes every code survive the round trip.
  if (QCode(b.q) < qCode) b.q = std::nextafter(b.q, HUGE_VALF);
  b.type = record[6];
  return b;
}

}  // namespace nr
