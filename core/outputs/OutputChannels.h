#pragma once
// The eight output channels: their sends, mute, phase, speaker position and channel EQ, and the
// pair links that make an edit of one front, side or back channel reach its partner as well.
// Every function here is shared by the output page, nrctl and the tests; nothing here knows Qt.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "link/EqBandCodec.h"
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"

namespace nr {

// Output channel n (0..7) is DSP module 5 + n; its channel EQ is set 7 + n.
inline constexpr int OutputModule(int channel) { return 5 + channel; }
inline constexpr int OutputEqSet(int channel) { return 7 + channel; }
inline constexpr bool ValidChannel(int channel) { return channel >= 0 && channel < kOutputCount; }

// Parameter indices of an output channel.
namespace outidx {
inline constexpr int kEqBypass = 0x0F;
inline constexpr int kPosition = 0x10;
inline constexpr int kSplitPair = 0x11;
inline constexpr int kDelay = 0x12;
inline constexpr int kDelayOff = 0x13;
inline constexpr int kSendFirst = 0x14;  // direct, reverb, echo, music
inline constexpr int kSoundFieldVolume = 0x18;
inline constexpr int kPhase = 0x19;
inline constexpr int kLevel = 0x1A;  // 100 sounding, 0 muted
inline constexpr int kCompressor = 0x1B;
inline constexpr int kCompressorOff = 0x1C;
inline constexpr int kDistanceFilter = 0x1D;
}  // namespace outidx

// The four sends that feed an output (and the record output).
enum Send : int { kSendDirect = 0, kSendReverb = 1, kSendEcho = 2, kSendMusic = 3, kSendCount = 4 };

// Speaker positions 0..7. Front, side and back positions form pairs (the lowest bit flipped);
// SUB and CEN stand alone.
enum SpeakerPosition : int {
  kPosFrontLeft = 0,
  kPosFrontRight = 1,
  kPosSideLeft = 2,
  kPosSideRight = 3,
  kPosSub = 4,
  kPosCenter = 5,
  kPosBackLeft = 6,
  kPosBackRight = 7,
  kPositionCount = 8,
};
inline constexpr int PartnerPosition(int position) { return position ^ 1; }
// Short names of positions 0..7 as scripts and reports write them: L, R, SL, SR, SUB, CEN, SBL,
// SBR ("?" outside); the reverse gives -1 for a name that is none of them.
std::string_view PositionName(int position);
int PositionFromName(std::string_view name);

enum class LinkPair : int { kFront = 0, kSide = 1, kBack = 2 };
inline constexpr int kLinkPairs = 3;

// Which pair a position belongs to; false for SUB, CEN and anything out of range.
bool PairOfPosition(int position, LinkPair& pair);

// The three pair links of the output page. They are application settings, kept in the first
// three bytes of the stored options (nonzero = on); all on by default.
struct LinkOptions {
  bool front = true;
  bool side = true;
  bool back = true;

  bool On(LinkPair pair) const;
  void Set(LinkPair pair, bool on);

  static LinkOptions Unlinked() { return {false, false, false}; }
  // From stored option bytes; fewer than three bytes leaves the missing links at their default.
  static LinkOptions FromBytes(std::span<const uint8_t> bytes);
  // Writes the three flags (1 or 0) into the first three bytes; shorter spans take what fits.
  void ToBytes(std::span<uint8_t> bytes) const;
  bool operator==(const LinkOptions&) const = default;
};

using ChannelList = std::vector<int>;

// The channels an edit of `channel` reaches, in channel order: the channel itself and, while the
// link of its pair is on, every channel whose position is its position or the partner position.
// Evaluated from the positions as they are now, so call it at every edit.
ChannelList LinkedChannels(const DeviceState& s, int channel, const LinkOptions& options);
ChannelList LinkedChannels(const DeviceModel& model, int channel, const LinkOptions& options);

// Channels whose position belongs to the pair, in channel order.
ChannelList PairChannels(const DeviceState& s, LinkPair pair);
// When a link is switched on: the channels of the pair that differ from the pair's first
// channel (empty when there is nothing to make equal).
ChannelList ChannelsDifferingInPair(const DeviceState& s, LinkPair pair);

// True when everything a pair link keeps together is the same on both channels: sends, EQ
// bypass, delay split mode and frequency, delay switch and time, compressor and its switch, and
// the thirteen channel-EQ bands.
bool ChannelsEqual(const DeviceState& s, int a, int b);

// Makes `to` equal to `from`: sends every item that differs, in the order sends, EQ bypass,
// delay switch, split frequency, split mode, delay time, compressor, compressor switch, then the
// differing channel-EQ bands.
void CopyChannel(DeviceSession& session, int from, int to);

// Values as the output page shows them.
int OutputSend(const DeviceState& s, int channel, int send);  // percent
bool OutputMuted(const DeviceState& s, int channel);
bool OutputPhaseInverted(const DeviceState& s, int channel);
int SpeakerPositionOf(const DeviceState& s, int channel);
bool OutputEqBypassed(const DeviceState& s, int channel);

// Writes. Those that take link options act on every linked channel; mute, phase and position act
// on the channel alone.
void SetOutputSend(DeviceSession& session, int channel, const LinkOptions& options, int send, int percent);
void SetOutputMute(DeviceSession& session, int channel, bool muted);
void SetOutputPhase(DeviceSession& session, int channel, bool inverted);
void SetSpeakerPosition(DeviceSession& session, int channel, int position);
void SetOutputEqBypass(DeviceSession& session, int channel, const LinkOptions& options, bool bypass);
// Flattens the channel EQ of every linked channel: the SUB table (100 Hz low-pass) for a channel
// at position SUB, flat peaking bands otherwise. Returns how many channels were reset.
int ResetOutputEq(DeviceSession& session, int channel, const LinkOptions& options);

// One band as the channel EQ editor hands it over (a crossover band comes with its partners).
struct BandWrite {
  int band = 0;
  int type = 1;
  int freq = 1000;
  float gainDb = 0.0f;
  float q = 1.41f;
};
// Writes the bands to the channel EQ of every linked channel, channel by channel.
void WriteLinkedBands(DeviceSession& session, int channel, const LinkOptions& options, std::span<const BandWrite> bands);

}  // namespace nr
