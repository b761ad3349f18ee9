#pragma once
// What a band may hold: the limits the band editor keeps every band within, which every other
// writer of bands (nrctl, lists, tools) checks against too, so no front end can store a band the
// editor could not show or set.
#include <string>

namespace nr {

inline constexpr float kBandGainMinDb = -15.0f;
inline constexpr float kBandGainMaxDb = 15.0f;
inline constexpr int kBandFreqMinHz = 20;
inline constexpr int kBandFreqMaxHz = 20000;
inline constexpr float kBandQMin = 0.1f;
inline constexpr float kPeakingQMax = 30.0f;  // a peaking band
inline constexpr float kFilterQMax = 2.0f;    // every other type: pass filters, shelves, sections

// The largest Q a band of this type takes.
float BandQMax(int type);

// Bands hold whole hertz. A frequency from a drag or a typed decimal is rounded to the nearest
// one, so the hertz a band shows is the hertz its record keeps and its section is designed at.
int WholeHertz(double frequency);

// Why a band cannot be written ("gain 600 dB is outside -15..15 dB"), or empty when it can.
std::string BandOutOfRange(int type, int freq, float gainDb, float q);

}  // namespace nr
