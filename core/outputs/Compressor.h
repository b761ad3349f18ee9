#pragma once
// The compressors of the eight outputs (units 0..7) and of the record output (unit 8): the four
// settings as the pages show them, the slider rules, the block write and the on/off switch.
//
// Settings decoded from the device's block come back with the rounding of its coefficients
// (attack 0.999999 ms, release 99.9968 ms, ratio 29.99998 for the factory block). They are shown
// and re-sent rounded to the units the sliders step in, so a factory 1 ms attack is re-sent as
// 1 ms and never truncated to an instant 0 ms attack.
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"
#include "outputs/OutputChannels.h"

namespace nr {

inline constexpr int kRecordUnit = 8;  // the record output's compressor

enum class CompressorSlider : int { kThreshold = 0, kRatio = 1, kAttack = 2, kRelease = 3 };
inline constexpr int kCompressorSliders = 4;

struct SliderRange {
  int min;
  int max;
};
// Threshold -60..0 dB, ratio 10..300 (tenths), attack 1..100 ms, release 1..1000 ms.
SliderRange CompressorSliderRange(CompressorSlider slider);

// Whole dB, tenths of the ratio, whole milliseconds (half away from zero).
DynamicsSettings RoundedCompressor(const DynamicsSettings& d);
// Limited to what the sliders offer; the ratio never goes below 1:1.
DynamicsSettings ClampedCompressor(const DynamicsSettings& d);

// The unit's settings as shown and re-sent: decoded from its block, rounded.
DynamicsSettings CompressorSettings(const DeviceState& s, int unit);
bool CompressorOn(const DeviceState& s, int unit);

// Slider position of a setting (ratio x 10), limited to the slider's range.
int CompressorSliderPosition(const DynamicsSettings& d, CompressorSlider slider);
// The settings with one slider's value replaced: threshold = v dB, ratio = v / 10 (in double
// precision, kept as a float), attack = v ms, release = v ms.
DynamicsSettings WithCompressorSlider(DynamicsSettings d, CompressorSlider slider, int position);

// Label texts: "%.0fdB", "%.1f:1", "%.0fms".
const char* CompressorLabelFormat(CompressorSlider slider);
float CompressorValue(const DynamicsSettings& d, CompressorSlider slider);

// Writes the unit's block and keeps the settings, each first rounded to its slider's grid and
// limited to its range: a threshold of -20.5 dB is sent, kept and shown as -21 dB.
void WriteCompressor(DeviceSession& session, int unit, const DynamicsSettings& d);
// The unit's switch: 0 on, 1 off (the factory state).
void SetCompressorOn(DeviceSession& session, int unit, bool on);

// The output page's section: the same on every linked channel.
void WriteLinkedCompressor(DeviceSession& session, int channel, const LinkOptions& options, const DynamicsSettings& d);
void SetLinkedCompressorOn(DeviceSession& session, int channel, const LinkOptions& options, bool on);

}  // namespace nr
