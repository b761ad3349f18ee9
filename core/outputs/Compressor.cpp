#include "outputs/Compressor.h"

#include <algorithm>
#include <cmath>

#include "link/Dynamics.h"

namespace nr {
namespace {

constexpr SliderRange kRanges[kCompressorSliders] = {{-60, 0}, {10, 300}, {1, 100}, {1, 1000}};

// Half away from zero on a grid of `steps` per unit. Scaling up rather than dividing by 0.1
// keeps a ratio of 4.25 at the half step it is, so it goes up to 4.3 like every other half.
float RoundTo(float value, double steps) {
  if (!std::isfinite(value)) return value;
  const double rounded = std::round(static_cast<double>(value) * steps) / steps;
  return rounded == 0.0 ? 0.0f : static_cast<float>(rounded);  // never -0: it would print as "-0"
}

// The switch parameter of a unit: (module 5..12, 0x1C) or (13, 0x05).
int SwitchModule(int unit) { return unit == kRecordUnit ? 13 : OutputModule(unit); }
int SwitchIndex(int unit) { return unit == kRecordUnit ? 0x05 : outidx::kCompressorOff; }

bool ValidUnit(int unit) { return unit >= 0 && unit < kDynamicsUnits; }

}  // namespace

SliderRange CompressorSliderRange(CompressorSlider slider) { return kRanges[static_cast<int>(slider)]; }

DynamicsSettings RoundedCompressor(const DynamicsSettings& d) {
  return {RoundTo(d.threshold, 1.0), RoundTo(d.ratio, 10.0), RoundTo(d.attackMs, 1.0), RoundTo(d.releaseMs, 1.0)};
}

DynamicsSettings ClampedCompressor(const DynamicsSettings& d) {
  auto clamp = [](float v, CompressorSlider slider, float scale) {
    const SliderRange r = CompressorSliderRange(slider);
    if (std::isnan(v)) return static_cast<float>(r.min) / scale;
    return std::clamp(v, static_cast<float>(r.min) / scale, static_cast<float>(r.max) / scale);
  };
  return {clamp(d.threshold, CompressorSlider::kThreshold, 1.0f), clamp(d.ratio, CompressorSlider::kRatio, 10.0f),
          clamp(d.attackMs, CompressorSlider::kAttack, 1.0f), clamp(d.releaseMs, CompressorSlider::kRelease, 1.0f)};
}

DynamicsSettings CompressorSettings(const DeviceState& s, int unit) {
  if (!ValidUnit(unit)) return {};
  return RoundedCompressor(s.derived.compressors[static_cast<size_t>(unit)]);
}

bool CompressorOn(const DeviceState& s, int unit) {
  return ValidUnit(unit) && s.IntValue(SwitchModule(unit), SwitchIndex(unit)) == 0;
}

float CompressorValue(const DynamicsSettings& d, CompressorSlider slider) {
  switch (slider) {
    case CompressorSlider::kThreshold: return d.threshold;
    case CompressorSlider::kRatio: return d.ratio;
    case CompressorSlider::kAttack: return d.attackMs;
    case CompressorSlider::kRelease: return d.releaseMs;
  }
  return 0.0f;
}

int CompressorSliderPosition(const DynamicsSettings& d, CompressorSlider slider) {
  const SliderRange r = CompressorSliderRange(slider);
  double v = CompressorValue(d, slider);
  if (slider == CompressorSlider::kRatio) v *= 10.0;
  if (std::isnan(v)) return r.min;
  v = std::clamp(std::trunc(v), static_cast<double>(r.min), static_cast<double>(r.max));
  return static_cast<int>(v);
}

DynamicsSettings WithCompressorSlider(DynamicsSettings d, CompressorSlider slider, int position) {
  const auto v = static_cast<float>(position);
  switch (slider) {
    case CompressorSlider::kThreshold: d.threshold = v; break;
    case CompressorSlider::kRatio: d.ratio = static_cast<float>(position / 10.0); break;
    case CompressorSlider::kAttack: d.attackMs = v; break;
    case CompressorSlider::kRelease: d.releaseMs = v; break;
  }
  return d;
}

const char* CompressorLabelFormat(CompressorSlider slider) {
  switch (slider) {
    case CompressorSlider::kThreshold: return "%.0fdB";
    case CompressorSlider::kRatio: return "%.1f:1";
    case CompressorSlider::kAttack:
    case CompressorSlider::kRelease: break;
  }
  return "%.0fms";
}

void WriteCompressor(DeviceSession& session, int unit, const DynamicsSettings& d) {
  // Rounded once, here: what the block carries is what the sliders and labels then show.
  if (ValidUnit(unit)) session.WriteDynamics(unit, ClampedCompressor(RoundedCompressor(d)));
}

void SetCompressorOn(DeviceSession& session, int unit, bool on) {
  if (ValidUnit(unit)) session.SetParam(SwitchModule(unit), SwitchIndex(unit), on ? 0 : 1);
}

void WriteLinkedCompressor(DeviceSession& session, int channel, const LinkOptions& options, const DynamicsSettings& d) {
  for (int c : LinkedChannels(session.Model(), channel, options)) WriteCompressor(session, c, d);
}

void SetLinkedCompressorOn(DeviceSession& session, int channel, const LinkOptions& options, bool on) {
  for (int c : LinkedChannels(session.Model(), channel, options)) SetCompressorOn(session, c, on);
}

}  // namespace nr
