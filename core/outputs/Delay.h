#pragma once
// Time alignment of the output channels: the delay time and its switch, and the split mode in
// which only the band above a split frequency is delayed. In split mode band 13 of the channel EQ
// is a high-pass at the split frequency f and band 14 a low-pass at f + 500 Hz; in whole-channel
// mode both are flat at the same frequencies, so switching back restores the same split.
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"
#include "outputs/OutputChannels.h"

namespace nr {

inline constexpr int kSplitBandHigh = 13;
inline constexpr int kSplitBandLow = 14;
inline constexpr int kSplitSteps = 26;  // split index 0..25: 500 .. 3000 Hz
inline constexpr int kDelayMinTenths = 14;    // 1.4 ms
inline constexpr int kDelayMaxTenths = 1000;  // 100.0 ms

inline constexpr int SplitFrequency(int index) { return 500 + 100 * index; }
// The index of a split frequency on the 500..3000 grid, or -1 when it is not on it.
int SplitIndexOf(int frequency);

// The split index a channel's band 13 stands at; 0 when its frequency is not on the grid.
int DelaySplitIndex(const DeviceState& s, int channel);
bool ChannelDelayMode(const DeviceState& s, int channel);  // true: whole channel, false: split
bool DelayOn(const DeviceState& s, int channel);
float DelayMs(const DeviceState& s, int channel);
// Tenths of a millisecond as the sliders and labels show them: the nearest tenth within 14 .. 1000,
// so a delay shows as the tenth it was set to, from the model or read back from the device.
int DelayTenths(float ms);

// Bands 13 and 14 at split index 0..25 (outside: nothing is sent), typed for the channel's mode.
void SetDelaySplitFrequency(DeviceSession& session, int channel, int index);
// Stores the mode, writes the mode pair (1.0, then 0.0 for whole channel or 1.0 for split) and
// retypes bands 13 and 14 at the channel's current split index.
void SetDelaySplitMode(DeviceSession& session, int channel, bool channelDelay);
void SetLinkedDelaySplitMode(DeviceSession& session, int channel, const LinkOptions& options, bool channelDelay);
// Delay in tenths of a millisecond, limited to 14 .. 1000; sent as samples at 48 kHz.
void SetDelayTenths(DeviceSession& session, int channel, int tenths);
void SetDelayOn(DeviceSession& session, int channel, bool on);

}  // namespace nr
