#pragma once
// The parameters of the microphone and music page and of the echo and reverb page, and the one
// way each is set. Writes that take two records (a microphone's routing, the reverb time, the echo
// decay) or that move others with them (a new echo time re-sends the right channel's words) do so
// here only, so the pages, nrctl and undo send the same bytes. Every write keeps its value within
// its control's range.
#include "inputs/IntRange.h"
#include "link/DeviceSession.h"

namespace nr {

struct ParamRef {
  int module;
  int index;
};

// ---- equalisers of the input pages --------------------------------------------------------------

// An EQ set an input page edits, its band count and its bypass switch.
struct InputEq {
  int set;
  int bands;
  ParamRef bypass;
};

enum class MicChannel { kA = 0, kB = 1 };

// The microphone and music page's sub-pages: mic channel A, mic channel B, music.
enum class MusicSubPage { kMicA = 0, kMicB = 1, kMusic = 2 };
inline constexpr int kMusicSubPages = 3;
InputEq SubPageEq(MusicSubPage page);

// The four effects of the echo and reverb page.
enum class EffectKind { kReverbA = 0, kReverbB = 1, kEchoA = 2, kEchoB = 3 };
inline constexpr int kEffectKinds = 4;
InputEq EffectEq(EffectKind kind);
constexpr bool IsEcho(EffectKind kind) { return kind == EffectKind::kEchoA || kind == EffectKind::kEchoB; }
constexpr MicChannel ChannelOf(EffectKind kind) { return static_cast<int>(kind) % 2 == 0 ? MicChannel::kA : MicChannel::kB; }
constexpr EffectKind ReverbOf(MicChannel channel) { return static_cast<EffectKind>(static_cast<int>(channel)); }
constexpr EffectKind EchoOf(MicChannel channel) { return static_cast<EffectKind>(2 + static_cast<int>(channel)); }

bool EqBypassed(const DeviceState& state, const InputEq& eq);
void SetEqBypassed(DeviceSession& session, const InputEq& eq, bool bypassed);

// ---- microphone inputs 0..3 ---------------------------------------------------------------------

inline constexpr int kMicInputs = 4;
inline constexpr IntRange kMicLevelRange{0, 100};  // volume and noise gate, percent

ParamRef MicVolumeParam(int mic);
ParamRef MicGateParam(int mic);
// The input's gain into mic channel A or B: 100 on the channel it feeds, 0 on the other.
ParamRef MicRouteParam(int mic, MicChannel channel);

void SetMicVolume(DeviceSession& session, int mic, int percent);
void SetMicGate(DeviceSession& session, int mic, int percent);
// Routes the input to one channel: its gain into A, then into B.
void SetMicChannel(DeviceSession& session, int mic, MicChannel channel);

int MicVolume(const DeviceState& state, int mic);
int MicGate(const DeviceState& state, int mic);
// Channel A when the gain into A is non-zero, else B.
MicChannel MicChannelOf(const DeviceState& state, int mic);

// The feedback canceller level of a mic channel (1 off, 2..8 the shift in Hz); it is set with
// SetFbcShift (EffectEncoders).
int FbcLevel(const DeviceState& state, MicChannel channel);

// ---- effects ------------------------------------------------------------------------------------

// The sliders of the effect page; a reverb has the first three.
enum class EffectParam { kLevel = 0, kPredelay, kTime, kDecay, kRightPredelay, kRightDelay };
inline constexpr int kEffectParams = 6;

bool HasEffectParam(EffectKind kind, EffectParam param);
// Level and decay in percent, predelay and echo time in ms, reverb time 0..100 (40..5000 ms),
// the right channel's predelay and delay in percent of the echo time.
IntRange EffectParamRange(EffectKind kind, EffectParam param);
// Sets one slider's value, clamped to its range; nothing for a slider the effect does not have.
void SetEffectParam(DeviceSession& session, EffectKind kind, EffectParam param, int value);
// The value the slider shows (times and predelays in whole milliseconds); 0 for a slider the
// effect does not have.
int EffectParamValue(const DeviceState& state, EffectKind kind, EffectParam param);

// The reverb time a slider value stands for, in milliseconds.
double ReverbTimeMs(int value);

}  // namespace nr
