#include "outputs/Delay.h"

#include <algorithm>
#include <cmath>

#include "eq/Biquad.h"
#include "eq/BandWrites.h"
#include "link/Bytes.h"

namespace nr {
namespace {

constexpr float kSplitQ = 0.707f;

}  // namespace

int SplitIndexOf(int frequency) {
  if (frequency < SplitFrequency(0) || frequency > SplitFrequency(kSplitSteps - 1) || frequency % 100 != 0) return -1;
  return (frequency - SplitFrequency(0)) / 100;
}

int DelaySplitIndex(const DeviceState& s, int channel) {
  if (!ValidChannel(channel)) return 0;
  // The frequency passes through a float on the way, as it does when the band is stored.
  const int frequency = static_cast<int>(static_cast<float>(s.Band(OutputEqSet(channel), kSplitBandHigh).freq));
  return std::max(SplitIndexOf(frequency), 0);
}

bool ChannelDelayMode(const DeviceState& s, int channel) {
  return ValidChannel(channel) && s.derived.channelDelay[static_cast<size_t>(channel)];
}

bool DelayOn(const DeviceState& s, int channel) { return s.IntValue(OutputModule(channel), outidx::kDelayOff) == 0; }

float DelayMs(const DeviceState& s, int channel) { return s.FloatValue(OutputModule(channel), outidx::kDelay); }

int DelayTenths(float ms) {
  // Rounded, not truncated: 2.6f is 2.5999999 ms, and a delay read back from the device is its
  // sample count (2.6 ms is 125 samples, 2.604 ms), within 0.011 ms of the tenth it was set to.
  const double tenths = static_cast<double>(ms) * 10.0;
  if (std::isnan(tenths)) return kDelayMinTenths;
  return static_cast<int>(std::clamp(std::round(tenths), double{kDelayMinTenths}, double{kDelayMaxTenths}));
}

void SetDelaySplitFrequency(DeviceSession& session, int channel, int index) {
  if (!ValidChannel(channel) || index < 0 || index >= kSplitSteps) return;
  const bool whole = session.Model().Read([&](const DeviceState& s) { return ChannelDelayMode(s, channel); });
  const int set = OutputEqSet(channel);
  SetEqBand(session, set, kSplitBandHigh, whole ? kPeaking : kHighPass, SplitFrequency(index), 0.0f, kSplitQ);
  SetEqBand(session, set, kSplitBandLow, whole ? kPeaking : kLowPass, SplitFrequency(index) + 500, 0.0f, kSplitQ);
}

void SetDelaySplitMode(DeviceSession& session, int channel, bool channelDelay) {
  if (!ValidChannel(channel)) return;
  session.Model().Update([&](DeviceState& s) { s.derived.channelDelay[static_cast<size_t>(channel)] = channelDelay; });
  uint8_t pair[8];
  PutBE32(pair, FloatBits(1.0f));
  PutBE32(pair + 4, FloatBits(channelDelay ? 0.0f : 1.0f));
  session.WriteParamBlock(OutputModule(channel), outidx::kSplitPair, pair);
  const int index = session.Model().Read([&](const DeviceState& s) { return DelaySplitIndex(s, channel); });
  SetDelaySplitFrequency(session, channel, index);
}

void SetLinkedDelaySplitMode(DeviceSession& session, int channel, const LinkOptions& options, bool channelDelay) {
  for (int c : LinkedChannels(session.Model(), channel, options)) SetDelaySplitMode(session, c, channelDelay);
}

void SetDelayTenths(DeviceSession& session, int channel, int tenths) {
  if (!ValidChannel(channel)) return;
  const int t = std::clamp(tenths, kDelayMinTenths, kDelayMaxTenths);
  session.SetParam(OutputModule(channel), outidx::kDelay, static_cast<float>(t) / 10.0f);
}

void SetDelayOn(DeviceSession& session, int channel, bool on) {
  if (ValidChannel(channel)) session.SetParam(OutputModule(channel), outidx::kDelayOff, on ? 0 : 1);
}

}  // namespace nr
