#include "inputs/Features.h"

#include <cmath>

#include "eq/BandWrites.h"

namespace nr {
namespace {

constexpr int kAutoSubModule = 1;
constexpr int kAutoSubSwitchIndex = 0x0C;
constexpr int kAutoSubLevelIndex = 0x0D;
constexpr int kMusicModule = 4;
constexpr int kAutoLevelOffIndex = 0x0F;
constexpr int kMaxBassDelayIndex = 0x22;
constexpr int kMaxBassGainIndex = 0x23;
constexpr int kLowPass = 2;
constexpr float kMaxBassQ = 0.707f;

int Round(float value) { return static_cast<int>(std::lround(value)); }

const ExciterBandSpec& Spec(ExciterBand band) { return ExciterBands()[static_cast<size_t>(band)]; }

// The automatic-level values as the dialog holds them: whole units (the ratio in tenths).
struct LevelValues {
  int threshold, ratio, attack, release;
};

LevelValues CurrentLevelValues(const DynamicsSettings& d) {
  return {kAutoLevelThresholdRange.Clamp(Round(d.threshold)), kAutoLevelRatioRange.Clamp(Round(d.ratio * 10.0f)),
          kAutoLevelAttackRange.Clamp(Round(d.attackMs)), kAutoLevelReleaseRange.Clamp(Round(d.releaseMs))};
}

}  // namespace

const std::array<ExciterBandSpec, kExciterBands>& ExciterBands() {
  static constexpr std::array<ExciterBandSpec, kExciterBands> kBands{{
      {0x00, 0x01, {70, 450}, 4, 0.707f, "L"},
      {0x02, 0x03, {800, 5000}, 1, 1.41f, "M"},
      {0x04, 0x05, {3200, 18000}, 5, 0.707f, "H"},
  }};
  return kBands;
}

void SetExciterOn(DeviceSession& session, bool on) { session.SetParam(kExciterModule, kExciterSwitchIndex, on ? 1 : 0); }

void SetExciterEqOn(DeviceSession& session, bool on) {
  session.SetParam(kExciterModule, kExciterEqSwitchIndex, on ? 1 : 0);
}

void SetExciterFrequency(DeviceSession& session, ExciterBand band, int hz) {
  const ExciterBandSpec& spec = Spec(band);
  session.SetParam(kExciterModule, spec.frequencyIndex, static_cast<float>(spec.frequency.Clamp(hz)));
}

void SetExciterGain(DeviceSession& session, ExciterBand band, int db) {
  session.SetParam(kExciterModule, Spec(band).gainIndex, static_cast<float>(kExciterGainRange.Clamp(db)));
}

void SetHarmonic(DeviceSession& session, Harmonic which, int percent) {
  session.SetParam(kExciterModule, static_cast<int>(which), kPercentRange.Clamp(percent));
}

void SetMaxBassFrequency(DeviceSession& session, int hz) {
  SetEqBand(session, kMaxBassSet, kMaxBassBand, kLowPass, kMaxBassFrequencyRange.Clamp(hz), 0.0f, kMaxBassQ);
}

void SetMaxBassDelay(DeviceSession& session, int ms) {
  session.SetParam(kMusicModule, kMaxBassDelayIndex, static_cast<float>(kMaxBassDelayRange.Clamp(ms)));
}

void SetMaxBassGain(DeviceSession& session, int percent) {
  session.SetParam(kMusicModule, kMaxBassGainIndex, kMaxBassGainRange.Clamp(percent));
}

void SetAutoSub(DeviceSession& session, bool on) { session.SetParam(kAutoSubModule, kAutoSubSwitchIndex, on ? 1 : 0); }

void SetAutoSubLevel(DeviceSession& session, int percent) {
  session.SetParam(kAutoSubModule, kAutoSubLevelIndex, kPercentRange.Clamp(percent));
}

void SetAutoMusicLevel(DeviceSession& session, bool on) {
  session.SetParam(kMusicModule, kAutoLevelOffIndex, on ? 0 : 1);
}

void SetAutoLevelValue(DeviceSession& session, AutoLevelValue which, int value) {
  LevelValues v = CurrentLevelValues(session.Model().Read([](const DeviceState& s) { return s.derived.musicDynamics; }));
  switch (which) {
    case AutoLevelValue::kThreshold:
      v.threshold = kAutoLevelThresholdRange.Clamp(value);
      break;
    case AutoLevelValue::kRatio:
      v.ratio = kAutoLevelRatioRange.Clamp(value);
      break;
    case AutoLevelValue::kAttack:
      v.attack = kAutoLevelAttackRange.Clamp(value);
      break;
    case AutoLevelValue::kRelease:
      v.release = kAutoLevelReleaseRange.Clamp(value);
      break;
  }
  DynamicsSettings d;
  d.threshold = static_cast<float>(v.threshold);
  d.ratio = static_cast<float>(v.ratio / 10.0);
  d.attackMs = static_cast<float>(v.attack);
  d.releaseMs = static_cast<float>(v.release);
  session.WriteMusicDynamics(d);
}

FeatureSettings ReadFeatures(const DeviceState& s) {
  FeatureSettings f;
  f.exciterOn = s.IntValue(kExciterModule, kExciterSwitchIndex) != 0;
  f.exciterEqOn = s.IntValue(kExciterModule, kExciterEqSwitchIndex) != 0;
  for (size_t b = 0; b < kExciterBands; ++b) {
    const ExciterBandSpec& spec = ExciterBands()[b];
    f.exciterFrequency[b] = spec.frequency.Clamp(Round(s.FloatValue(kExciterModule, spec.frequencyIndex)));
    f.exciterGain[b] = kExciterGainRange.Clamp(Round(s.FloatValue(kExciterModule, spec.gainIndex)));
  }
  f.harmonicGain = kPercentRange.Clamp(s.IntValue(kExciterModule, static_cast<int>(Harmonic::kGain)));
  f.harmonicOrder = kPercentRange.Clamp(s.IntValue(kExciterModule, static_cast<int>(Harmonic::kOrder)));
  f.harmonicMix = kPercentRange.Clamp(s.IntValue(kExciterModule, static_cast<int>(Harmonic::kMix)));
  f.maxBassFrequency = kMaxBassFrequencyRange.Clamp(s.Band(kMaxBassSet, kMaxBassBand).freq);
  f.maxBassDelay = kMaxBassDelayRange.Clamp(Round(s.FloatValue(kMusicModule, kMaxBassDelayIndex)));
  f.maxBassGain = kMaxBassGainRange.Clamp(s.IntValue(kMusicModule, kMaxBassGainIndex));
  f.autoSubOn = s.IntValue(kAutoSubModule, kAutoSubSwitchIndex) != 0;
  f.autoSubLevel = kPercentRange.Clamp(s.IntValue(kAutoSubModule, kAutoSubLevelIndex));
  f.autoLevelOn = s.IntValue(kMusicModule, kAutoLevelOffIndex) == 0;
  const LevelValues v = CurrentLevelValues(s.derived.musicDynamics);
  f.autoLevelThreshold = v.threshold;
  f.autoLevelRatio = v.ratio;
  f.autoLevelAttack = v.attack;
  f.autoLevelRelease = v.release;
  return f;
}

std::array<EqBand, kExciterBands> ExciterEqBands(const FeatureSettings& features) {
  std::array<EqBand, kExciterBands> bands{};
  for (size_t b = 0; b < kExciterBands; ++b) {
    const ExciterBandSpec& spec = ExciterBands()[b];
    bands[b] = EqBand{static_cast<float>(features.exciterGain[b]), features.exciterFrequency[b], spec.q, spec.type};
  }
  return bands;
}

}  // namespace nr
