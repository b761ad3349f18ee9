#pragma once
// The advanced EQ of the outputs: a second eight-band equaliser per output channel (set 16 + n)
// with a bypass switch of its own. Edits reach the channels the caller lists: the advanced EQ
// window passes the channels linked with the shown one, nrctl the channels it was given.
#include "outputs/OutputChannels.h"

namespace nr {

inline constexpr int AdvancedEqSet(int channel) { return 16 + channel; }
inline constexpr int kAdvancedEqBands = 8;
inline constexpr int kAdvancedEqBypassIndex = 0x26;

bool AdvancedEqBypassed(const DeviceState& s, int channel);

// "EQ BYPASS": first the channel EQ bypass of every listed channel, then the advanced bypass of
// every listed channel, each in list order.
void SetAdvancedEqBypass(DeviceSession& session, const ChannelList& channels, bool bypass);
// Flattens the advanced EQ of every listed channel: peaking bands at 62 .. 8000 Hz, 0 dB, Q 1.41.
void ResetAdvancedEq(DeviceSession& session, const ChannelList& channels);
// One band written to the advanced EQ of every listed channel (the advanced sets have no
// partner sections).
void WriteAdvancedEqBand(DeviceSession& session, const ChannelList& channels, const BandWrite& band);

}  // namespace nr
