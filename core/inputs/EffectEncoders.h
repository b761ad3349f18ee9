#pragma once
// Encoders of the input pages that write raw words: the microphone channels' feedback canceller
// and the echo's right channel, which follows the left channel's echo time.
#include "link/DeviceSession.h"

namespace nr {

inline constexpr int kFbcLevelMin = 1;  // 1: the canceller is off
inline constexpr int kFbcLevelMax = 8;

// Feedback canceller of microphone channel 0 (A) or 1 (B) at level 1..8 (the shift in Hz; 1 turns
// it off and leaves shift and delay as they are). Sends bypass, then shift, then delay.
void SetFbcShift(DeviceSession& session, int channel, int level);

// Right-channel predelay of echo channel 0 (A) or 1 (B): percent 0..50 of the echo time, at
// least 1.35 ms. Right-channel delay: the repeat time changed by -50..+50 percent.
void SetEchoRightPredelay(DeviceSession& session, int channel, int percent);
void SetEchoRightDelay(DeviceSession& session, int channel, int percent);

// The right-channel percentages are stored as a raw signed byte (not the float their value type
// would make) and each comes with a sample word: a write of (2, 0x0B), (2, 0x0C), (2, 0x1C) or
// (2, 0x1D) goes through the encoder above. False, and nothing sent, for any other pair.
bool SetEchoRightPercent(DeviceSession& session, int module, int index, int percent);

// Sample words as the encoders compute them, for the pages' labels and the tests.
uint32_t FbcDelaySamples(int level);
uint32_t EchoRightPredelaySamples(int echoTimeMs, int percent);
uint32_t EchoRightDelaySamples(int echoTimeMs, int percent);

}  // namespace nr
