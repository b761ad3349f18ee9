#include "inputs/LiveControls.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "link/MachineLayout.h"

namespace nr {
namespace {

constexpr IntRange kVolumeRange{0, 99};
constexpr IntRange kNoiseGateRange{0, 100};
constexpr ParamRef kNoMute{0, 0};
constexpr ParamRef kPitch{4, 0x10};

constexpr std::array<LiveControlSpec, kLiveControls> kSpecs{{
    {{1, 14}, {1, 15}, kVolumeRange, machine::kMicMax, true},
    {{1, 16}, {1, 17}, kVolumeRange, -1, false},
    {{3, 24}, {3, 25}, kVolumeRange, -1, true},
    {{2, 34}, {2, 35}, kVolumeRange, -1, true},
    {{4, 12}, {4, 13}, kVolumeRange, machine::kMusicMax, true},
    {{4, 17}, kNoMute, kNoiseGateRange, -1, false},
}};

}  // namespace

const LiveControlSpec& LiveSpec(LiveControl control) {
  return kSpecs[static_cast<size_t>(std::clamp(static_cast<int>(control), 0, kLiveControls - 1))];
}

int LiveLimit(const DeviceState& state, LiveControl control) {
  const LiveControlSpec& spec = LiveSpec(control);
  if (spec.limitByte < 0) return spec.range.max;
  return std::clamp(static_cast<int>(state.machine[static_cast<size_t>(spec.limitByte)]), spec.range.min, spec.range.max);
}

int LiveValue(const DeviceState& state, LiveControl control) {
  const LiveControlSpec& spec = LiveSpec(control);
  return state.IntValue(spec.value.module, spec.value.index);
}

LiveVolumeResult SetLiveVolume(DeviceSession& session, LiveControl control, int position) {
  const LiveControlSpec& spec = LiveSpec(control);
  LiveVolumeResult result;
  const int limit = session.Model().Read([&](const DeviceState& s) { return LiveLimit(s, control); });
  result.heldAtLimit = position > limit;
  result.value = std::clamp(position, spec.range.min, limit);
  session.SetParam(spec.value.module, spec.value.index, result.value);
  if (spec.warnsWhenMuted) result.muted = session.Model().Read([&](const DeviceState& s) { return LiveMuted(s, control); });
  return result;
}

bool LiveMuted(const DeviceState& state, LiveControl control) {
  const LiveControlSpec& spec = LiveSpec(control);
  return spec.HasMute() && state.IntValue(spec.mute.module, spec.mute.index) == 0;
}

void SetLiveMute(DeviceSession& session, LiveControl control, bool muted) {
  const LiveControlSpec& spec = LiveSpec(control);
  if (spec.HasMute()) session.SetParam(spec.mute.module, spec.mute.index, muted ? 0 : 100);
}

bool ToggleLiveMute(DeviceSession& session, LiveControl control) {
  if (!LiveSpec(control).HasMute()) return false;
  const bool muted = !session.Model().Read([&](const DeviceState& s) { return LiveMuted(s, control); });
  SetLiveMute(session, control, muted);
  return muted;
}

void SetPitch(DeviceSession& session, int pitch) {
  pitch = kPitchRange.Clamp(pitch);
  session.Model().Update([&](DeviceState& s) { s.derived.pitch = pitch; });
  const uint8_t word[4] = {0, 0, 0, static_cast<uint8_t>(pitch - kPitchRange.min)};
  session.WriteParamBlock(kPitch.module, kPitch.index, word);
}

}  // namespace nr
