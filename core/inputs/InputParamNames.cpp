#include "inputs/InputParamNames.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "inputs/EffectEncoders.h"
#include "inputs/InputParams.h"
#include "inputs/LiveControls.h"

namespace nr {
namespace {

using Kind = InputParamName::Kind;

constexpr IntRange kSwitchRange{0, 1};
constexpr const char* kChannelLetters[2] = {"a", "b"};
constexpr const char* kEffectSliderNames[kEffectParams] = {"level", "predelay", "time", "decay", "right-predelay", "right-delay"};
constexpr const char* kSubPageNames[kMusicSubPages] = {"mic-a", "mic-b", "music"};
constexpr const char* kLiveNames[kLiveControls] = {"mic", "effect", "reverb", "echo", "music", "noise-gate"};

const char* EffectUnit(EffectKind kind, EffectParam param) {
  switch (param) {
    case EffectParam::kPredelay: return "ms";
    case EffectParam::kTime: return IsEcho(kind) ? "ms" : "";
    default: return "%";
  }
}

std::vector<InputParamName> BuildNames() {
  std::vector<InputParamName> names;
  for (int mic = 0; mic < kMicInputs; ++mic) {
    const std::string prefix = "mic" + std::to_string(mic + 1) + ".";
    names.push_back({prefix + "volume", Kind::kMicVolume, mic, 0, kMicLevelRange, InputValueText::kNumber, "%"});
    names.push_back({prefix + "gate", Kind::kMicGate, mic, 0, kMicLevelRange, InputValueText::kNumber, "%"});
    names.push_back({prefix + "channel", Kind::kMicChannel, mic, 0, {0, 1}, InputValueText::kChannel, ""});
  }
  for (int ch = 0; ch < 2; ++ch)
    names.push_back({std::string("fbc.") + kChannelLetters[ch], Kind::kFbc, ch, 0, {kFbcLevelMin, kFbcLevelMax},
                     InputValueText::kNumber, "Hz"});
  for (int page = 0; page < kMusicSubPages; ++page)
    names.push_back({std::string(kSubPageNames[page]) + ".eq-bypass", Kind::kEqBypass, page, 0, kSwitchRange,
                     InputValueText::kSwitch, ""});
  for (int k = 0; k < kEffectKinds; ++k) {
    const auto kind = static_cast<EffectKind>(k);
    const std::string prefix = std::string(IsEcho(kind) ? "echo." : "reverb.") + kChannelLetters[k % 2] + ".";
    for (int p = 0; p < kEffectParams; ++p) {
      const auto param = static_cast<EffectParam>(p);
      if (!HasEffectParam(kind, param)) continue;
      names.push_back({prefix + kEffectSliderNames[p], Kind::kEffect, k, p, EffectParamRange(kind, param),
                       InputValueText::kNumber, EffectUnit(kind, param)});
    }
    names.push_back({prefix + "eq-bypass", Kind::kEqBypass, kMusicSubPages + k, 0, kSwitchRange, InputValueText::kSwitch, ""});
  }
  for (int c = 0; c < kLiveControls; ++c) {
    const LiveControlSpec& spec = LiveSpec(static_cast<LiveControl>(c));
    const bool gate = static_cast<LiveControl>(c) == LiveControl::kNoiseGate;
    names.push_back({gate ? std::string(kLiveNames[c]) : std::string("volume.") + kLiveNames[c], Kind::kLiveVolume, c, 0,
                     spec.range, InputValueText::kNumber, ""});
  }
  for (int c = 0; c < kLiveControls; ++c)
    if (LiveSpec(static_cast<LiveControl>(c)).HasMute())
      names.push_back({std::string("mute.") + kLiveNames[c], Kind::kLiveMute, c, 0, kSwitchRange, InputValueText::kSwitch, ""});
  names.push_back({"pitch", Kind::kPitch, 0, 0, kPitchRange, InputValueText::kNumber, ""});
  return names;
}

// The sub-pages' EQs first, then the effects'.
InputEq EqOf(int unit) {
  return unit < kMusicSubPages ? SubPageEq(static_cast<MusicSubPage>(unit)) : EffectEq(static_cast<EffectKind>(unit - kMusicSubPages));
}

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

std::span<const InputParamName> InputParamNames() {
  static const std::vector<InputParamName> names = BuildNames();
  return names;
}

const InputParamName* FindInputParam(std::string_view name) {
  const std::string wanted = Lower(name);
  for (const InputParamName& p : InputParamNames())
    if (p.name == wanted) return &p;
  return nullptr;
}

int ReadInputParam(const DeviceState& s, const InputParamName& p) {
  switch (p.kind) {
    case Kind::kMicVolume: return MicVolume(s, p.unit);
    case Kind::kMicGate: return MicGate(s, p.unit);
    case Kind::kMicChannel: return static_cast<int>(MicChannelOf(s, p.unit));
    case Kind::kFbc: return FbcLevel(s, static_cast<MicChannel>(p.unit));
    case Kind::kEffect: return EffectParamValue(s, static_cast<EffectKind>(p.unit), static_cast<EffectParam>(p.which));
    case Kind::kEqBypass: return EqBypassed(s, EqOf(p.unit)) ? 1 : 0;
    case Kind::kLiveVolume: return LiveValue(s, static_cast<LiveControl>(p.unit));
    case Kind::kLiveMute: return LiveMuted(s, static_cast<LiveControl>(p.unit)) ? 1 : 0;
    case Kind::kPitch: return s.derived.pitch;
  }
  return 0;
}

void WriteInputParam(DeviceSession& session, const InputParamName& p, int value) {
  value = p.range.Clamp(value);
  switch (p.kind) {
    case Kind::kMicVolume: SetMicVolume(session, p.unit, value); break;
    case Kind::kMicGate: SetMicGate(session, p.unit, value); break;
    case Kind::kMicChannel: SetMicChannel(session, p.unit, static_cast<MicChannel>(value)); break;
    case Kind::kFbc: SetFbcShift(session, p.unit, value); break;
    case Kind::kEffect: SetEffectParam(session, static_cast<EffectKind>(p.unit), static_cast<EffectParam>(p.which), value); break;
    case Kind::kEqBypass: SetEqBypassed(session, EqOf(p.unit), value != 0); break;
    case Kind::kLiveVolume: SetLiveVolume(session, static_cast<LiveControl>(p.unit), value); break;
    case Kind::kLiveMute: SetLiveMute(session, static_cast<LiveControl>(p.unit), value != 0); break;
    case Kind::kPitch: SetPitch(session, value); break;
  }
}

std::string InputValueString(const InputParamName& p, int value) {
  if (p.kind == Kind::kFbc && value <= kFbcLevelMin) return "off";
  switch (p.text) {
    case InputValueText::kChannel: return value == 0 ? "A" : "B";
    case InputValueText::kSwitch: return value != 0 ? "on" : "off";
    case InputValueText::kNumber: break;
  }
  return std::to_string(value);
}

bool ParseInputValue(const InputParamName& p, std::string_view text, int& value) {
  const std::string word = Lower(text);
  if (p.text == InputValueText::kChannel && (word == "a" || word == "b")) {
    value = word == "a" ? 0 : 1;
    return true;
  }
  if (p.text == InputValueText::kSwitch && (word == "on" || word == "off")) {
    value = word == "on" ? 1 : 0;
    return true;
  }
  if (p.kind == Kind::kFbc && word == "off") {
    value = kFbcLevelMin;
    return true;
  }
  if (p.text != InputValueText::kNumber) return false;
  const char* first = word.data();
  const char* last = word.data() + word.size();
  if (last - first > 1 && *first == '+' && first[1] != '-') ++first;
  int parsed = 0;
  const auto [end, ec] = std::from_chars(first, last, parsed);
  if (first == last || ec != std::errc() || end != last || !p.range.Contains(parsed)) return false;
  value = parsed;
  return true;
}

}  // namespace nr
