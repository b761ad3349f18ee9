#pragma once
// The 7-byte band record kept in the image: gain code, frequency, Q code, filter type.
#include <array>
#include <cstdint>

namespace nr {

inline constexpr int kEqBandBytes = 7;
using EqBandBytes = std::array<uint8_t, kEqBandBytes>;

struct EqBand {
  float gainDb = 0.0f;
  int freq = 1000;
  float q = 1.41f;
  int type = 1;
};

// gain code = trunc((gain + 0.05 + 15) * 10), Q code = trunc(Q * 1000) in single precision;
// values outside the 16-bit range are clamped to it.
EqBandBytes EncodeEqBand(float gainDb, int freq, float q, int type);
inline EqBandBytes EncodeEqBand(const EqBand& b) { return EncodeEqBand(b.gainDb, b.freq, b.q, b.type); }
EqBand DecodeEqBand(const uint8_t* record);
inline EqBand DecodeEqBand(const EqBandBytes& r) { return DecodeEqBand(r.data()); }

}  // namespace nr
