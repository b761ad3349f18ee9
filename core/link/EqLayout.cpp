#include "link/EqLayout.h"

#include <array>
#include <cstddef>

namespace nr {
namespace {

constexpr int kMicFreqs[15] = {25, 40, 63, 100, 160, 250, 400, 630, 998, 1600, 2500, 4000, 6300, 10000, 16000};
constexpr int kEffectFreqs[6] = {61, 125, 250, 500, 1000, 2300};
constexpr int kMusicFreqs[10] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
constexpr int kOutputFreqs[13] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000, 16000, 16000, 16000};
constexpr int kRecordFreqs[5] = {50, 100, 200, 400, 800};
constexpr int kAdvancedFreqs[8] = {62, 125, 250, 500, 1000, 2000, 4000, 8000};

constexpr float kDefaultQ = 1.414f;
constexpr float kFilterQ = 0.707f;

EqBand Peaking(int freq, float q = kDefaultQ) { return EqBand{0.0f, freq, q, 1}; }

template <std::size_t N>
int FreqAt(const int (&freqs)[N], int band) {
  return band >= 0 && band < static_cast<int>(N) ? freqs[band] : freqs[N - 1];
}

}  // namespace

EqSetLayout EqSetInfo(int set) {
  static constexpr std::array<EqSetLayout, 7> kFirst{{
      {15, 15, 0, 1, 0x12},
      {15, 15, 15, 1, 0x29},
      {7, 7, 30, 2, 0x00},
      {7, 7, 37, 2, 0x11},
      {7, 7, 44, 3, 0x00},
      {7, 7, 51, 3, 0x0C},
      {10, 11, 58, 4, 0x00},  // slot 68 is the music page's maximum-bass low-pass
  }};
  if (set >= 0 && set <= 6) return kFirst[static_cast<std::size_t>(set)];
  if (set >= 7 && set <= 14) return {13, 15, 15 * set - 36, set - 2, 0x00};  // 13, 14: delay split
  if (set == kRecordEqSet) return {kRecordEqBands, 0, -1, 13, 0x00};
  if (set >= 16 && set <= 23) return {8, 8, 8 * set + 61, set - 11, 0x1E};
  return {13, 0, 0, 0, 0x00};
}

int EqBandOffset(int set, int band) {
  if (set == kRecordEqSet) return -1;
  if (set < 0 || set >= kEqSetCount) return 7 * band;
  return 7 * (EqSetInfo(set).firstSlot + band);
}

EqBand DefaultEqBand(int set, int band) {
  if (set == 0 || set == 1) return Peaking(FreqAt(kMicFreqs, band));
  if (set >= 2 && set <= 5) {
    if (band == 6) return EqBand{-9.0f, 4464, kFilterQ, 5};
    return Peaking(FreqAt(kEffectFreqs, band));
  }
  if (set == 6) {
    if (band == 10) return EqBand{0.0f, 100, kFilterQ, 2};
    return Peaking(FreqAt(kMusicFreqs, band));
  }
  if (set >= 7 && set <= 14) {
    if (band == 13) return Peaking(500, kFilterQ);
    if (band == 14) return Peaking(1000, kFilterQ);
    if (set == 11 && band >= 9 && band <= 12) {
      constexpr int kTypes[4] = {18, 20, 1, 1};
      return EqBand{0.0f, 100, kFilterQ, kTypes[band - 9]};
    }
    return Peaking(FreqAt(kOutputFreqs, band));
  }
  if (set == kRecordEqSet) return Peaking(FreqAt(kRecordFreqs, band), 1.41f);
  return Peaking(FreqAt(kAdvancedFreqs, band));
}

}  // namespace nr
