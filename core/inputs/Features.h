#pragma once
// The device features that have no page of their own: the microphone exciter with its three-band
// EQ and harmonics, the music max-bass low-pass path, the automatic SUB decay while someone sings
// and the automatic music input level. Each write keeps its value within the control's range.
#include <array>

#include "link/EqBandCodec.h"
#include "inputs/IntRange.h"
#include "link/DeviceSession.h"

namespace nr {


// Microphone exciter (module 14).
inline constexpr int kExciterModule = 14;
inline constexpr int kExciterSwitchIndex = 0x0B;
inline constexpr int kExciterEqSwitchIndex = 0x0A;
enum class ExciterBand { kLow = 0, kMid = 1, kHigh = 2 };
inline constexpr int kExciterBands = 3;
struct ExciterBandSpec {
  int frequencyIndex;
  int gainIndex;
  IntRange frequency;  // Hz
  int type;            // the filter the exciter EQ display draws for it
  float q;
  const char* name;    // as the display labels the band
};
const std::array<ExciterBandSpec, kExciterBands>& ExciterBands();
inline constexpr IntRange kExciterGainRange{0, 12};  // dB

enum class Harmonic { kGain = 0x06, kOrder = 0x07, kMix = 0x08 };
inline constexpr IntRange kPercentRange{0, 100};

void SetExciterOn(DeviceSession& session, bool on);
void SetExciterEqOn(DeviceSession& session, bool on);
void SetExciterFrequency(DeviceSession& session, ExciterBand band, int hz);
void SetExciterGain(DeviceSession& session, ExciterBand band, int db);
void SetHarmonic(DeviceSession& session, Harmonic which, int percent);

// Music max bass: the low-pass in band 10 of the music EQ set, its delay and its gain.
inline constexpr int kMaxBassSet = 6;
inline constexpr int kMaxBassBand = 10;
inline constexpr IntRange kMaxBassFrequencyRange{20, 300};  // Hz
inline constexpr IntRange kMaxBassDelayRange{0, 20};        // ms
inline constexpr IntRange kMaxBassGainRange{0, 300};        // percent
void SetMaxBassFrequency(DeviceSession& session, int hz);  // a 2nd-order low-pass, Q 0.707
void SetMaxBassDelay(DeviceSession& session, int ms);
void SetMaxBassGain(DeviceSession& session, int percent);

// Automatic SUB decay.
void SetAutoSub(DeviceSession& session, bool on);
void SetAutoSubLevel(DeviceSession& session, int percent);

// Automatic music input level: a switch (the parameter is an off switch) and the dynamics block
// of the music input.
enum class AutoLevelValue { kThreshold, kRatio, kAttack, kRelease };
inline constexpr IntRange kAutoLevelThresholdRange{-60, 0};  // dB
inline constexpr IntRange kAutoLevelRatioRange{10, 300};     // tenths
inline constexpr IntRange kAutoLevelAttackRange{1, 100};     // ms
inline constexpr IntRange kAutoLevelReleaseRange{1, 1000};   // ms
void SetAutoMusicLevel(DeviceSession& session, bool on);
// Replaces one of the four values (the ratio in tenths, the others in their units) and sends the
// whole block with the other three as they are; times are sent in whole milliseconds.
void SetAutoLevelValue(DeviceSession& session, AutoLevelValue which, int value);

// Everything the features dialog shows, read from the model, each value within its range.
struct FeatureSettings {
  bool exciterOn = false;
  bool exciterEqOn = false;
  std::array<int, kExciterBands> exciterFrequency{};
  std::array<int, kExciterBands> exciterGain{};
  int harmonicGain = 0;
  int harmonicOrder = 0;
  int harmonicMix = 0;
  int maxBassFrequency = 0;
  int maxBassDelay = 0;
  int maxBassGain = 0;
  bool autoSubOn = false;
  int autoSubLevel = 0;
  bool autoLevelOn = false;
  int autoLevelThreshold = 0;  // dB
  int autoLevelRatio = 0;      // tenths
  int autoLevelAttack = 0;     // ms
  int autoLevelRelease = 0;    // ms
};
FeatureSettings ReadFeatures(const DeviceState& state);

// The three bands the exciter EQ display draws (low shelf, peaking, high shelf).
std::array<EqBand, kExciterBands> ExciterEqBands(const FeatureSettings& features);

}  // namespace nr
