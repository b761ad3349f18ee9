#include "inputs/InputParams.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "inputs/EffectEncoders.h"

namespace nr {
namespace {

constexpr int kMicModule = 1;
constexpr int kEchoModule = 2;
constexpr int kReverbModule = 3;

constexpr std::array<InputEq, kMusicSubPages> kSubPageEqs{{
    {0, 15, {1, 0x21}},
    {1, 15, {1, 0x38}},
    {6, 10, {4, 0x0B}},
}};

constexpr std::array<InputEq, kEffectKinds> kEffectEqs{{
    {4, 7, {3, 0x07}},
    {5, 7, {3, 0x13}},
    {2, 7, {2, 0x07}},
    {3, 7, {2, 0x18}},
}};

// The records of one channel's reverb and echo; channel B's follow channel A's. The reverb time
// and the echo decay are each kept in two records that always take the same value.
struct ReverbRecords {
  int level, predelay, time, time2;
};
struct EchoRecords {
  int level, predelay, time, decay, decay2, rightPredelayPercent, rightDelayPercent;
};
constexpr std::array<ReverbRecords, 2> kReverb{{{0x08, 0x09, 0x0A, 0x0B}, {0x14, 0x15, 0x16, 0x17}}};
constexpr std::array<EchoRecords, 2> kEcho{{{0x08, 0x09, 0x0D, 0x0E, 0x10, 0x0B, 0x0C},
                                            {0x19, 0x1A, 0x1E, 0x1F, 0x21, 0x1C, 0x1D}}};

constexpr std::array<IntRange, kEffectParams> kEffectRanges{{{0, 100}, {2, 200}, {0, 100}, {20, 90}, {0, 50}, {-50, 50}}};
constexpr IntRange kEchoTimeRange{128, 260};

size_t Slot(int i, size_t count) { return static_cast<size_t>(std::clamp(i, 0, static_cast<int>(count) - 1)); }
size_t MicSlot(int mic) { return Slot(mic, kMicInputs); }
size_t ChannelSlot(MicChannel channel) { return channel == MicChannel::kA ? 0 : 1; }

// A time or predelay kept as float milliseconds, as its slider holds it.
int WholeMs(float ms) { return std::isfinite(ms) ? static_cast<int>(std::trunc(std::clamp(ms, -1e6f, 1e6f))) : 0; }

}  // namespace

InputEq SubPageEq(MusicSubPage page) { return kSubPageEqs[Slot(static_cast<int>(page), kMusicSubPages)]; }
InputEq EffectEq(EffectKind kind) { return kEffectEqs[Slot(static_cast<int>(kind), kEffectKinds)]; }

bool EqBypassed(const DeviceState& state, const InputEq& eq) { return state.IntValue(eq.bypass.module, eq.bypass.index) != 0; }

void SetEqBypassed(DeviceSession& session, const InputEq& eq, bool bypassed) {
  session.SetParam(eq.bypass.module, eq.bypass.index, bypassed ? 1 : 0);
}

// ---- microphone inputs --------------------------------------------------------------------------

ParamRef MicVolumeParam(int mic) { return {kMicModule, 0x04 + static_cast<int>(MicSlot(mic))}; }
ParamRef MicGateParam(int mic) { return {kMicModule, 0x08 + static_cast<int>(MicSlot(mic))}; }
ParamRef MicRouteParam(int mic, MicChannel channel) {
  return {kMicModule, (channel == MicChannel::kA ? 0x22 : 0x39) + static_cast<int>(MicSlot(mic))};
}

void SetMicVolume(DeviceSession& session, int mic, int percent) {
  const ParamRef p = MicVolumeParam(mic);
  session.SetParam(p.module, p.index, kMicLevelRange.Clamp(percent));
}

void SetMicGate(DeviceSession& session, int mic, int percent) {
  const ParamRef p = MicGateParam(mic);
  session.SetParam(p.module, p.index, kMicLevelRange.Clamp(percent));
}

void SetMicChannel(DeviceSession& session, int mic, MicChannel channel) {
  const ParamRef a = MicRouteParam(mic, MicChannel::kA);
  const ParamRef b = MicRouteParam(mic, MicChannel::kB);
  session.SetParam(a.module, a.index, channel == MicChannel::kA ? 100 : 0);
  session.SetParam(b.module, b.index, channel == MicChannel::kA ? 0 : 100);
}

int MicVolume(const DeviceState& state, int mic) {
  const ParamRef p = MicVolumeParam(mic);
  return kMicLevelRange.Clamp(state.IntValue(p.module, p.index));
}

int MicGate(const DeviceState& state, int mic) {
  const ParamRef p = MicGateParam(mic);
  return kMicLevelRange.Clamp(state.IntValue(p.module, p.index));
}

MicChannel MicChannelOf(const DeviceState& state, int mic) {
  const ParamRef a = MicRouteParam(mic, MicChannel::kA);
  return state.IntValue(a.module, a.index) != 0 ? MicChannel::kA : MicChannel::kB;
}

int FbcLevel(const DeviceState& state, MicChannel channel) {
  return std::clamp(state.derived.fbcShift[ChannelSlot(channel)], kFbcLevelMin, kFbcLevelMax);
}

// ---- effects ------------------------------------------------------------------------------------

bool HasEffectParam(EffectKind kind, EffectParam param) { return IsEcho(kind) || param <= EffectParam::kTime; }

IntRange EffectParamRange(EffectKind kind, EffectParam param) {
  if (param == EffectParam::kTime && IsEcho(kind)) return kEchoTimeRange;
  return kEffectRanges[Slot(static_cast<int>(param), kEffectParams)];
}

void SetEffectParam(DeviceSession& session, EffectKind kind, EffectParam param, int value) {
  if (!HasEffectParam(kind, param)) return;
  value = EffectParamRange(kind, param).Clamp(value);
  const MicChannel channel = ChannelOf(kind);
  const int ch = static_cast<int>(ChannelSlot(channel));
  if (!IsEcho(kind)) {
    const ReverbRecords& r = kReverb[static_cast<size_t>(ch)];
    switch (param) {
      case EffectParam::kLevel: session.SetParam(kReverbModule, r.level, value); break;
      case EffectParam::kPredelay: session.SetParam(kReverbModule, r.predelay, static_cast<float>(value)); break;
      default:
        session.SetParam(kReverbModule, r.time, value);
        session.SetParam(kReverbModule, r.time2, value);
        break;
    }
    return;
  }
  const EchoRecords& e = kEcho[static_cast<size_t>(ch)];
  switch (param) {
    case EffectParam::kLevel: session.SetParam(kEchoModule, e.level, value); break;
    case EffectParam::kPredelay: session.SetParam(kEchoModule, e.predelay, static_cast<float>(value)); break;
    case EffectParam::kTime: {
      // The right channel's times are fractions of the echo time: send them again for the new one.
      session.SetParam(kEchoModule, e.time, static_cast<float>(value));
      const auto [predelay, delay] = session.Model().Read([&](const DeviceState& s) {
        return std::pair{s.IntValue(kEchoModule, e.rightPredelayPercent), s.IntValue(kEchoModule, e.rightDelayPercent)};
      });
      SetEchoRightPredelay(session, ch, predelay);
      SetEchoRightDelay(session, ch, delay);
      break;
    }
    case EffectParam::kDecay:
      session.SetParam(kEchoModule, e.decay, value);
      session.SetParam(kEchoModule, e.decay2, value);
      break;
    case EffectParam::kRightPredelay: SetEchoRightPredelay(session, ch, value); break;
    case EffectParam::kRightDelay: SetEchoRightDelay(session, ch, value); break;
  }
}

int EffectParamValue(const DeviceState& state, EffectKind kind, EffectParam param) {
  if (!HasEffectParam(kind, param)) return 0;
  const size_t ch = ChannelSlot(ChannelOf(kind));
  if (!IsEcho(kind)) {
    const ReverbRecords& r = kReverb[ch];
    switch (param) {
      case EffectParam::kLevel: return state.IntValue(kReverbModule, r.level);
      case EffectParam::kPredelay: return WholeMs(state.FloatValue(kReverbModule, r.predelay));
      default: return state.IntValue(kReverbModule, r.time);
    }
  }
  const EchoRecords& e = kEcho[ch];
  switch (param) {
    case EffectParam::kLevel: return state.IntValue(kEchoModule, e.level);
    case EffectParam::kPredelay: return WholeMs(state.FloatValue(kEchoModule, e.predelay));
    case EffectParam::kTime: return WholeMs(state.FloatValue(kEchoModule, e.time));
    case EffectParam::kDecay: return state.IntValue(kEchoModule, e.decay);
    case EffectParam::kRightPredelay: return state.IntValue(kEchoModule, e.rightPredelayPercent);
    case EffectParam::kRightDelay: return state.IntValue(kEchoModule, e.rightDelayPercent);
  }
  return 0;
}

double ReverbTimeMs(int value) { return value * 49.6 + 40.0; }

}  // namespace nr
