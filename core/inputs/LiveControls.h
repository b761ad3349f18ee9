#pragma once
// The live controls of the main window: five volumes with their mutes, the music noise gate and
// the music pitch. The microphone and music volumes never go above the maxima of the machine
// settings.
#include "inputs/InputParams.h"

namespace nr {

enum class LiveControl { kMic = 0, kEffect, kReverb, kEcho, kMusic, kNoiseGate };
inline constexpr int kLiveControls = 6;

struct LiveControlSpec {
  ParamRef value;
  ParamRef mute;        // module 0: the control has no mute
  IntRange range;
  int limitByte;        // the machine-settings byte that caps it, or -1
  bool warnsWhenMuted;  // moving it while muted deserves a word to the user
  bool HasMute() const { return mute.module != 0; }
};
const LiveControlSpec& LiveSpec(LiveControl control);

struct LiveVolumeResult {
  int value = 0;             // what was stored and sent
  bool heldAtLimit = false;  // the position asked for was above the machine's maximum
  bool muted = false;        // the control warns when muted and is muted now
};

// Stores and sends a position, clamped to the control's range and to its machine maximum.
LiveVolumeResult SetLiveVolume(DeviceSession& session, LiveControl control, int position);
// The highest position the control takes now.
int LiveLimit(const DeviceState& state, LiveControl control);
int LiveValue(const DeviceState& state, LiveControl control);

// A mute is on when its stored value is 0 (the gain through it is 0 %).
bool LiveMuted(const DeviceState& state, LiveControl control);
void SetLiveMute(DeviceSession& session, LiveControl control, bool muted);
// Mutes an unmuted control and the reverse; returns whether it is muted now. Nothing for the
// noise gate, which has no mute.
bool ToggleLiveMute(DeviceSession& session, LiveControl control);

// Music pitch -5..+5: kept in the model and sent as one block word whose low byte is pitch + 5.
inline constexpr IntRange kPitchRange{-5, 5};
void SetPitch(DeviceSession& session, int pitch);

}  // namespace nr
