#include "outputs/OutputChannels.h"

#include "eq/BandWrites.h"
#include "link/EqLayout.h"
#include "outputs/Compressor.h"
#include "outputs/Delay.h"

namespace nr {
namespace {

constexpr int kChannelEqBands = 13;  // bands 0..12; 13 and 14 belong to the delay split
constexpr int kSounding = 100;
constexpr int kPhaseNormal = 100;
constexpr int kPhaseInverted = -100;

int Value(const DeviceState& s, int channel, int index) { return s.IntValue(OutputModule(channel), index); }

bool SameBand(const EqBand& a, const EqBand& b) {
  return a.type == b.type && a.freq == b.freq && a.gainDb == b.gainDb && a.q == b.q;
}

bool SameCompressor(const DynamicsSettings& a, const DynamicsSettings& b) {
  return a.threshold == b.threshold && a.ratio == b.ratio && a.attackMs == b.attackMs && a.releaseMs == b.releaseMs;
}

}  // namespace

bool PairOfPosition(int position, LinkPair& pair) {
  switch (position) {
    case kPosFrontLeft:
    case kPosFrontRight:
      pair = LinkPair::kFront;
      return true;
    case kPosSideLeft:
    case kPosSideRight:
      pair = LinkPair::kSide;
      return true;
    case kPosBackLeft:
    case kPosBackRight:
      pair = LinkPair::kBack;
      return true;
    default:
      return false;
  }
}

bool LinkOptions::On(LinkPair pair) const {
  switch (pair) {
    case LinkPair::kFront: return front;
    case LinkPair::kSide: return side;
    case LinkPair::kBack: return back;
  }
  return false;
}

void LinkOptions::Set(LinkPair pair, bool on) {
  switch (pair) {
    case LinkPair::kFront: front = on; break;
    case LinkPair::kSide: side = on; break;
    case LinkPair::kBack: back = on; break;
  }
}

LinkOptions LinkOptions::FromBytes(std::span<const uint8_t> bytes) {
  LinkOptions o;
  for (int i = 0; i < kLinkPairs && i < static_cast<int>(bytes.size()); ++i)
    o.Set(static_cast<LinkPair>(i), bytes[static_cast<size_t>(i)] != 0);
  return o;
}

void LinkOptions::ToBytes(std::span<uint8_t> bytes) const {
  for (int i = 0; i < kLinkPairs && i < static_cast<int>(bytes.size()); ++i)
    bytes[static_cast<size_t>(i)] = On(static_cast<LinkPair>(i)) ? 1 : 0;
}

ChannelList LinkedChannels(const DeviceState& s, int channel, const LinkOptions& options) {
  if (!ValidChannel(channel)) return {};
  const int position = SpeakerPositionOf(s, channel);
  LinkPair pair{};
  if (!PairOfPosition(position, pair) || !options.On(pair)) return {channel};
  ChannelList linked;
  for (int other = 0; other < kOutputCount; ++other) {
    const int p = SpeakerPositionOf(s, other);
    if (other == channel || p == position || p == PartnerPosition(position)) linked.push_back(other);
  }
  return linked;
}

ChannelList LinkedChannels(const DeviceModel& model, int channel, const LinkOptions& options) {
  return model.Read([&](const DeviceState& s) { return LinkedChannels(s, channel, options); });
}

ChannelList PairChannels(const DeviceState& s, LinkPair pair) {
  ChannelList channels;
  for (int channel = 0; channel < kOutputCount; ++channel) {
    LinkPair of{};
    if (PairOfPosition(SpeakerPositionOf(s, channel), of) && of == pair) channels.push_back(channel);
  }
  return channels;
}

ChannelList ChannelsDifferingInPair(const DeviceState& s, LinkPair pair) {
  const ChannelList channels = PairChannels(s, pair);
  ChannelList differing;
  for (size_t i = 1; i < channels.size(); ++i)
    if (!ChannelsEqual(s, channels.front(), channels[i])) differing.push_back(channels[i]);
  return differing;
}

bool ChannelsEqual(const DeviceState& s, int a, int b) {
  for (int send = 0; send < kSendCount; ++send)
    if (OutputSend(s, a, send) != OutputSend(s, b, send)) return false;
  if (Value(s, a, outidx::kEqBypass) != Value(s, b, outidx::kEqBypass)) return false;
  if (ChannelDelayMode(s, a) != ChannelDelayMode(s, b)) return false;
  if (DelayOn(s, a) != DelayOn(s, b)) return false;
  if (DelaySplitIndex(s, a) != DelaySplitIndex(s, b)) return false;
  if (DelayMs(s, a) != DelayMs(s, b)) return false;
  if (!SameCompressor(CompressorSettings(s, a), CompressorSettings(s, b))) return false;
  if (CompressorOn(s, a) != CompressorOn(s, b)) return false;
  for (int band = 0; band < kChannelEqBands; ++band)
    if (!SameBand(s.Band(OutputEqSet(a), band), s.Band(OutputEqSet(b), band))) return false;
  return true;
}

void CopyChannel(DeviceSession& session, int from, int to) {
  if (!ValidChannel(from) || !ValidChannel(to) || from == to) return;
  const DeviceState s = session.Model().Snapshot();
  const int toModule = OutputModule(to);
  for (int send = 0; send < kSendCount; ++send)
    if (OutputSend(s, from, send) != OutputSend(s, to, send))
      session.SetParam(toModule, outidx::kSendFirst + send, OutputSend(s, from, send));
  if (Value(s, from, outidx::kEqBypass) != Value(s, to, outidx::kEqBypass))
    session.SetParam(toModule, outidx::kEqBypass, Value(s, from, outidx::kEqBypass));
  if (DelayOn(s, from) != DelayOn(s, to)) SetDelayOn(session, to, DelayOn(s, from));
  if (DelaySplitIndex(s, from) != DelaySplitIndex(s, to)) SetDelaySplitFrequency(session, to, DelaySplitIndex(s, from));
  if (ChannelDelayMode(s, from) != ChannelDelayMode(s, to)) SetDelaySplitMode(session, to, ChannelDelayMode(s, from));
  if (DelayMs(s, from) != DelayMs(s, to)) session.SetParam(toModule, outidx::kDelay, DelayMs(s, from));
  const DynamicsSettings compressor = CompressorSettings(s, from);
  if (!SameCompressor(compressor, CompressorSettings(s, to))) WriteCompressor(session, to, compressor);
  if (CompressorOn(s, from) != CompressorOn(s, to)) SetCompressorOn(session, to, CompressorOn(s, from));
  for (int band = 0; band < kChannelEqBands; ++band) {
    const EqBand b = s.Band(OutputEqSet(from), band);
    if (!SameBand(b, s.Band(OutputEqSet(to), band))) SetEqBand(session, OutputEqSet(to), band, b.type, b.freq, b.gainDb, b.q);
  }
}

int OutputSend(const DeviceState& s, int channel, int send) { return Value(s, channel, outidx::kSendFirst + send); }
bool OutputMuted(const DeviceState& s, int channel) { return Value(s, channel, outidx::kLevel) == 0; }
bool OutputPhaseInverted(const DeviceState& s, int channel) { return Value(s, channel, outidx::kPhase) < 0; }
int SpeakerPositionOf(const DeviceState& s, int channel) { return Value(s, channel, outidx::kPosition); }
bool OutputEqBypassed(const DeviceState& s, int channel) { return Value(s, channel, outidx::kEqBypass) != 0; }

void SetOutputSend(DeviceSession& session, int channel, const LinkOptions& options, int send, int percent) {
  if (send < 0 || send >= kSendCount) return;
  for (int c : LinkedChannels(session.Model(), channel, options))
    session.SetParam(OutputModule(c), outidx::kSendFirst + send, percent);
}

void SetOutputMute(DeviceSession& session, int channel, bool muted) {
  if (ValidChannel(channel)) session.SetParam(OutputModule(channel), outidx::kLevel, muted ? 0 : kSounding);
}

void SetOutputPhase(DeviceSession& session, int channel, bool inverted) {
  if (ValidChannel(channel))
    session.SetParam(OutputModule(channel), outidx::kPhase, inverted ? kPhaseInverted : kPhaseNormal);
}

void SetSpeakerPosition(DeviceSession& session, int channel, int position) {
  if (ValidChannel(channel) && position >= 0 && position < kPositionCount)
    session.SetParam(OutputModule(channel), outidx::kPosition, position);
}

void SetOutputEqBypass(DeviceSession& session, int channel, const LinkOptions& options, bool bypass) {
  for (int c : LinkedChannels(session.Model(), channel, options))
    session.SetParam(OutputModule(c), outidx::kEqBypass, bypass ? 1 : 0);
}

int ResetOutputEq(DeviceSession& session, int channel, const LinkOptions& options) {
  const ChannelList linked = LinkedChannels(session.Model(), channel, options);
  for (int c : linked) {
    const bool sub = session.Model().Read([&](const DeviceState& s) { return SpeakerPositionOf(s, c) == kPosSub; });
    if (sub)
      ResetOutputEqSet(session, OutputEqSet(c));
    else
      ResetEqSet(session, OutputEqSet(c));
  }
  return static_cast<int>(linked.size());
}

void WriteLinkedBands(DeviceSession& session, int channel, const LinkOptions& options, std::span<const BandWrite> bands) {
  for (int c : LinkedChannels(session.Model(), channel, options))
    for (const BandWrite& b : bands) SetEqBand(session, OutputEqSet(c), b.band, b.type, b.freq, b.gainDb, b.q);
}

}  // namespace nr
