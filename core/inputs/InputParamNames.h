#pragma once
// The input pages' parameters and the live controls by name, for scripts and nrctl:
// "mic1.volume", "mic2.channel", "fbc.a", "reverb.b.time", "echo.a.right-delay",
// "mic-a.eq-bypass", "volume.music", "mute.echo", "noise-gate", "pitch". Each name reads and
// writes through the same operation as the control that sets it.
#include <span>
#include <string>
#include <string_view>

#include "inputs/IntRange.h"
#include "link/DeviceSession.h"

namespace nr {

// How a value reads as text: a number, a channel (0 "A", 1 "B") or a switch (0 "off", 1 "on").
enum class InputValueText { kNumber, kChannel, kSwitch };

struct InputParamName {
  enum class Kind { kMicVolume, kMicGate, kMicChannel, kFbc, kEffect, kEqBypass, kLiveVolume, kLiveMute, kPitch };
  std::string name;
  Kind kind;
  int unit;   // the microphone, channel, effect kind, EQ or live control
  int which;  // the effect's slider; 0 otherwise
  IntRange range;
  InputValueText text;
  const char* unitName;  // "%", "ms", "Hz" or ""
};

// Every name, in the order the pages show them.
std::span<const InputParamName> InputParamNames();
const InputParamName* FindInputParam(std::string_view name);

int ReadInputParam(const DeviceState& state, const InputParamName& param);
// Writes a value (taken into the range first) as its control does. For a live volume the value
// stored may be lower, held at the machine's maximum; ReadInputParam tells.
void WriteInputParam(DeviceSession& session, const InputParamName& param, int value);

// "A", "on", "-3" as the value is written ("off" for a feedback canceller at level 1); and the reverse, false for a text the parameter does
// not take (a number outside the range included).
std::string InputValueString(const InputParamName& param, int value);
bool ParseInputValue(const InputParamName& param, std::string_view text, int& value);

}  // namespace nr
