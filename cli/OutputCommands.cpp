#include "OutputCommands.h"

#include <algorithm>
#include <memory>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>
#include <sstream>
#include <vector>

#include "DeviceLink.h"
#include "WriteTarget.h"
#include "inputs/SoundField.h"
#include "outputs/Compressor.h"
#include "outputs/Delay.h"
#include "outputs/OutputChannels.h"
#include "outputs/RecordOutput.h"

namespace nr::cli {
namespace {

// Every command here reads the device once, applies its changes through the same operations as
// the output pages, and prints what it changed once every write has been answered (a command
// that fails prints nothing on stdout). Arguments are checked before connecting.

const std::string kConnectionNote =
    "\n"
    "Reads the whole device first (as info does), applies the changes, and waits until every write\n"
    "has been answered. Exit status: 0 done, 1 link failure, 2 usage (nothing is sent).\n";

constexpr const char* kSendNames[kSendCount] = {"direct", "reverb", "echo", "music"};

std::string Format(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string OutputName(int channel) { return "output " + std::to_string(channel + 1); }

int ParseChannel(std::string_view text) { return static_cast<int>(ParseIntegerArg(text, "CH", 1, kOutputCount)) - 1; }

// Exactly one of two flags, or neither.
std::optional<bool> EitherFlag(const CommandArgs& args, std::string_view yes, std::string_view no) {
  if (args.Has(yes) && args.Has(no)) throw UsageError("give " + std::string(yes) + " or " + std::string(no) + ", not both");
  if (args.Has(yes)) return true;
  if (args.Has(no)) return false;
  return std::nullopt;
}

std::string Signed(float metres) { return Format("%+.1f", metres); }

// ---- output ---------------------------------------------------------------------------------

struct OutputRequest {
  ChannelList channels;
  std::optional<int> position;
  std::array<std::optional<int>, kSendCount> sends{};
  std::optional<bool> mute, inverted, eqBypass;
  bool eqReset = false;

  bool Changes() const {
    bool any = position || mute || inverted || eqBypass || eqReset;
    for (const auto& s : sends) any = any || s.has_value();
    return any;
  }
};

OutputRequest ParseOutput(std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--position", true}, {"--direct", true},    {"--reverb", true},
                                            {"--echo", true},     {"--music", true},     {"--mute", true},
                                            {"--phase", true},    {"--eq-bypass", true}, {"--eq-reset", false}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 1, 1);
  OutputRequest r;
  r.channels = ParseChannelList(args.positional[0], "CH");
  if (const std::string* p = args.Value("--position")) {
    r.position = PositionFromName(*p);
    if (*r.position < 0) throw UsageError("--position is one of L, R, SL, SR, SUB, CEN, SBL, SBR, not " + Quoted(*p));
  }
  for (int send = 0; send < kSendCount; ++send)
    if (const std::string* v = args.Value(std::string("--") + kSendNames[send]))
      r.sends[static_cast<size_t>(send)] = static_cast<int>(ParseIntegerArg(*v, std::string("--") + kSendNames[send] + " (percent)", 0, 100));
  if (const std::string* v = args.Value("--mute")) r.mute = ParseOnOff(*v, "--mute");
  if (const std::string* v = args.Value("--phase")) {
    if (*v != "normal" && *v != "inverted") throw UsageError("--phase is normal or inverted, not " + Quoted(*v));
    r.inverted = *v == "inverted";
  }
  if (const std::string* v = args.Value("--eq-bypass")) r.eqBypass = ParseOnOff(*v, "--eq-bypass");
  r.eqReset = args.Has("--eq-reset");
  return r;
}

void WriteOutputSummary(std::ostream& out, const DeviceState& s, int c) {
  out << OutputName(c) << ": position " << PositionName(SpeakerPositionOf(s, c));
  for (int send = 0; send < kSendCount; ++send) out << ", " << kSendNames[send] << " " << OutputSend(s, c, send) << " %";
  out << ", mute " << (OutputMuted(s, c) ? "on" : "off") << ", phase " << (OutputPhaseInverted(s, c) ? "inverted" : "normal")
      << ", EQ bypass " << (OutputEqBypassed(s, c) ? "on" : "off") << "\n";
}

int RunOutput(const CommandContext& ctx, std::span<const std::string> words) {
  const OutputRequest r = ParseOutput(words);
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, "output");
  WriteTarget& link = *target;
  if (const int status = link.Open(true)) return status;
  DeviceSession& session = link.Session();
  const LinkOptions none = LinkOptions::Unlinked();  // the channels named, and only those
  std::ostringstream out;
  for (int c : r.channels) {
    const std::string name = OutputName(c);
    if (r.position) {
      SetSpeakerPosition(session, c, *r.position);
      out << name << ": position " << PositionName(*r.position) << "\n";
    }
    for (int send = 0; send < kSendCount; ++send) {
      if (const auto v = r.sends[static_cast<size_t>(send)]) {
        SetOutputSend(session, c, none, send, *v);
        out << name << ": " << kSendNames[send] << " send " << *v << " %\n";
      }
    }
    if (r.mute) {
      SetOutputMute(session, c, *r.mute);
      out << name << ": mute " << (*r.mute ? "on" : "off") << "\n";
    }
    if (r.inverted) {
      SetOutputPhase(session, c, *r.inverted);
      out << name << ": phase " << (*r.inverted ? "inverted" : "normal") << "\n";
    }
    if (r.eqBypass) {
      SetOutputEqBypass(session, c, none, *r.eqBypass);
      out << name << ": EQ bypass " << (*r.eqBypass ? "on" : "off") << "\n";
    }
    if (r.eqReset) {
      ResetOutputEq(session, c, none);
      const bool sub = link.Model().Read([&](const DeviceState& s) { return SpeakerPositionOf(s, c) == kPosSub; });
      out << name << ": EQ reset " << (sub ? "(SUB: 24 dB/octave low-pass at 100 Hz)" : "(flat)") << "\n";
    }
    if (!r.Changes()) WriteOutputSummary(out, link.Model().Snapshot(), c);
  }
  if (const int status = link.Finish()) return status;
  ctx.out << out.str();
  return kExitOk;
}

// ---- comp -----------------------------------------------------------------------------------

struct CompRequest {
  int unit = 0;
  std::array<std::optional<float>, kCompressorSliders> values{};
  std::optional<bool> on;
};

CompRequest ParseComp(std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--threshold", true}, {"--ratio", true}, {"--attack", true},
                                            {"--release", true},   {"--on", false},   {"--off", false}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 1, 1);
  CompRequest r;
  r.unit = args.positional[0] == "rec" ? kRecordUnit : ParseChannel(args.positional[0]);
  struct Field {
    const char* option;
    const char* what;
    double scale;  // slider positions per unit: the ratio's slider steps in tenths
  };
  static constexpr Field kFields[kCompressorSliders] = {
      {"--threshold", "--threshold (dB)", 1}, {"--ratio", "--ratio", 10}, {"--attack", "--attack (ms)", 1}, {"--release", "--release (ms)", 1}};
  for (int i = 0; i < kCompressorSliders; ++i) {
    const Field& f = kFields[i];
    if (const std::string* v = args.Value(f.option)) {
      const double value = ParseFiniteArg(*v, f.what);
      const SliderRange range = CompressorSliderRange(static_cast<CompressorSlider>(i));
      const double min = range.min / f.scale, max = range.max / f.scale;
      if (value < min || value > max)
        throw UsageError(std::string(f.what) + " must be between " + Format("%g", min) + " and " + Format("%g", max) +
                         ", not " + Quoted(*v));
      // WriteCompressor puts it on the sliders' grid: sent, kept and printed rounded once.
      r.values[static_cast<size_t>(i)] = static_cast<float>(value);
    }
  }
  r.on = EitherFlag(args, "--on", "--off");
  return r;
}

void WriteCompressorLine(std::ostream& out, const DeviceState& s, int unit) {
  const DynamicsSettings d = CompressorSettings(s, unit);
  out << (unit == kRecordUnit ? std::string("record output") : OutputName(unit)) << " compressor: threshold "
      << Format("%.0f", d.threshold) << " dB, ratio " << Format("%.1f", d.ratio) << ":1, attack "
      << Format("%.0f", d.attackMs) << " ms, release " << Format("%.0f", d.releaseMs) << " ms, "
      << (CompressorOn(s, unit) ? "on" : "off") << "\n";
}

int RunComp(const CommandContext& ctx, std::span<const std::string> words) {
  const CompRequest r = ParseComp(words);
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, "comp");
  WriteTarget& link = *target;
  if (const int status = link.Open(true)) return status;
  DeviceSession& session = link.Session();
  DynamicsSettings d = link.Model().Read([&](const DeviceState& s) { return CompressorSettings(s, r.unit); });
  bool changed = false;
  float* fields[kCompressorSliders] = {&d.threshold, &d.ratio, &d.attackMs, &d.releaseMs};
  for (int i = 0; i < kCompressorSliders; ++i) {
    if (const auto v = r.values[static_cast<size_t>(i)]) {
      *fields[i] = *v;
      changed = true;
    }
  }
  if (changed) WriteCompressor(session, r.unit, d);
  if (r.on) SetCompressorOn(session, r.unit, *r.on);
  if (const int status = link.Finish()) return status;
  WriteCompressorLine(ctx.out, link.Model().Snapshot(), r.unit);
  return kExitOk;
}

// ---- delay ----------------------------------------------------------------------------------

struct DelayRequest {
  int channel = 0;
  std::optional<int> tenths;
  std::optional<bool> on;
  std::optional<bool> channelDelay;
  std::optional<int> splitIndex;
};

DelayRequest ParseDelay(std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {
      {"--ms", true}, {"--on", false}, {"--off", false}, {"--mode", true}, {"--split-hz", true}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 1, 1);
  DelayRequest r;
  r.channel = ParseChannel(args.positional[0]);
  if (const std::string* v = args.Value("--ms")) {
    const double ms = ParseFiniteArg(*v, "--ms");
    const long tenths = std::lround(ms * 10.0);
    if (tenths < kDelayMinTenths || tenths > kDelayMaxTenths)
      throw UsageError("--ms must be between 1.4 and 100.0, not " + Quoted(*v));
    r.tenths = static_cast<int>(tenths);
  }
  r.on = EitherFlag(args, "--on", "--off");
  if (const std::string* v = args.Value("--mode")) {
    if (*v != "split" && *v != "channel") throw UsageError("--mode is split or channel, not " + Quoted(*v));
    r.channelDelay = *v == "channel";
  }
  if (const std::string* v = args.Value("--split-hz")) {
    const int index = SplitIndexOf(static_cast<int>(ParseIntegerArg(*v, "--split-hz", 0, 100000)));
    if (index < 0) throw UsageError("--split-hz is one of 500, 600, ..., 3000, not " + Quoted(*v));
    r.splitIndex = index;
  }
  return r;
}

int RunDelay(const CommandContext& ctx, std::span<const std::string> words) {
  const DelayRequest r = ParseDelay(words);
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, "delay");
  WriteTarget& link = *target;
  if (const int status = link.Open(true)) return status;
  DeviceSession& session = link.Session();
  if (r.on) SetDelayOn(session, r.channel, *r.on);
  if (r.channelDelay) SetDelaySplitMode(session, r.channel, *r.channelDelay);
  if (r.splitIndex) SetDelaySplitFrequency(session, r.channel, *r.splitIndex);
  if (r.tenths) SetDelayTenths(session, r.channel, *r.tenths);
  if (const int status = link.Finish()) return status;
  const DeviceState s = link.Model().Snapshot();
  const int split = SplitFrequency(DelaySplitIndex(s, r.channel));
  ctx.out << OutputName(r.channel) << " delay: " << Format("%.1f", DelayTenths(DelayMs(s, r.channel)) / 10.0) << " ms, "
          << (DelayOn(s, r.channel) ? "on" : "off") << ", "
          << (ChannelDelayMode(s, r.channel) ? "whole channel (split frequency " + std::to_string(split) + " Hz kept)"
                                             : "above " + std::to_string(split) + " Hz")
          << "\n";
  return kExitOk;
}

// ---- room -----------------------------------------------------------------------------------

struct RoomRequest {
  bool reset = false;
  std::optional<std::pair<int, int>> size;
  std::optional<std::pair<float, float>> listener;
  std::vector<std::pair<int, std::pair<float, float>>> speakers;
  std::optional<int> locate;  // output channel 0..7, or -1 for none
};

RoomRequest ParseRoom(std::span<const std::string> words) {
  static constexpr ValuesOptionSpec kOptions[] = {{"--reset", 0, false},    {"--size", 2, false},
                                                  {"--listener", 2, false}, {"--speaker", 3, true},
                                                  {"--locate", 1, false}};
  const OptionList args = ParseOptionList(words, kOptions);
  if (!args.positional.empty()) throw UsageError("unexpected argument " + Quoted(args.positional[0]));
  const auto metres = [](const std::string& text, std::string_view what) {
    const double v = ParseFiniteArg(text, what);
    if (std::fabs(v) > 100.0) throw UsageError(std::string(what) + " is far outside any room: " + Quoted(text));
    return static_cast<float>(v);
  };
  RoomRequest r;
  for (const OptionUse& use : args.uses) {
    const std::vector<std::string>& v = use.values;
    if (use.name == "--reset") {
      r.reset = true;
    } else if (use.name == "--size") {
      // The room the sound-field page offers; a size outside it is refused, not quietly clamped.
      r.size = {static_cast<int>(ParseIntegerArg(v[0], "--size W (m)", kRoomMinSize, kRoomMaxSize)),
                static_cast<int>(ParseIntegerArg(v[1], "--size L (m)", kRoomMinSize, kRoomMaxSize))};
    } else if (use.name == "--listener") {
      r.listener = {metres(v[0], "--listener X"), metres(v[1], "--listener Y")};
    } else if (use.name == "--speaker") {
      const int n = static_cast<int>(ParseIntegerArg(v[0], "--speaker N", 1, kSpeakerCount)) - 1;
      r.speakers.push_back({n, {metres(v[1], "--speaker X"), metres(v[2], "--speaker Y")}});
    } else if (use.name == "--locate") {
      r.locate = v[0] == "none" ? -1 : ParseChannel(v[0]);
    }
  }
  return r;
}

void WriteRoom(std::ostream& out, const DeviceState& s) {
  static constexpr const char* kSpeakerNames[kSpeakerCount] = {"L", "CEN", "R", "SBL", "SUB", "SBR", "SL", "SR"};
  const RoomModel& room = s.derived.room;
  out << "room: " << room.width << " m x " << room.length << " m\n"
      << "listener: " << Signed(room.listenerX) << ", " << Signed(room.listenerY) << " m\n";
  for (int n = 0; n < kSpeakerCount; ++n)
    out << "speaker " << (n + 1) << " (" << kSpeakerNames[n] << "): " << Signed(room.speakerX[static_cast<size_t>(n)])
        << ", " << Signed(room.speakerY[static_cast<size_t>(n)]) << " m\n";
  const int located = ChannelAtPosition(s, LocatedCode(s));
  out << "located: " << (LocatedCode(s) == kLocateNone || located < 0 ? std::string("none") : OutputName(located)) << "\n";
  for (int c = 0; c < kOutputCount; ++c)
    out << OutputName(c) << " (" << PositionName(SpeakerPositionOf(s, c)) << "): "
        << Format("%+.2f", SoundFieldLevel(s, c)) << " dB\n";
}

int RunRoom(const CommandContext& ctx, std::span<const std::string> words) {
  const RoomRequest r = ParseRoom(words);
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, "room");
  WriteTarget& link = *target;
  if (const int status = link.Open(true)) return status;
  DeviceSession& session = link.Session();
  if (r.reset) ResetSoundField(session);
  if (r.size) SetRoomSize(session, r.size->first, r.size->second);
  if (r.listener) MoveListener(session, r.listener->first, r.listener->second);
  for (const auto& [n, xy] : r.speakers) MoveSpeaker(session, n, xy.first, xy.second);
  if (r.locate) {
    const int code = *r.locate < 0 ? kLocateNone
                                   : link.Model().Read([&](const DeviceState& s) { return SpeakerPositionOf(s, *r.locate); });
    Locate(session, code);
  }
  if (const int status = link.Finish()) return status;
  WriteRoom(ctx.out, link.Model().Snapshot());
  return kExitOk;
}

}  // namespace

void RegisterOutputCommands(CommandTable& table) {
  table.Add(Command{
      "output",
      "set the position, sends, mute, phase and EQ of output channels",
      "CH[,CH...] [--position L|R|SL|SR|SUB|CEN|SBL|SBR] [--direct V] [--reverb V] [--echo V] [--music V] "
      "[--mute on|off] [--phase normal|inverted] [--eq-bypass on|off] [--eq-reset]",
      "  CH            output channels 1..8, comma-separated; each is changed on its own (the\n"
      "                application's pair links do not apply)\n"
      "  --position    the loudspeaker the channel drives\n"
      "  --direct V, --reverb V, --echo V, --music V   sends into the channel, percent 0..100\n"
      "  --mute, --phase, --eq-bypass   the channel's switches\n"
      "  --eq-reset    flattens the channel EQ; a channel at SUB gets the 100 Hz low-pass instead\n"
      "The position is applied first, so --position SUB --eq-reset resets with the SUB table.\n"
      "Prints one line per change; without options, one summary line per channel.\n" +
          kConnectionNote + FileTargetNote(),
      RunOutput,
      true,
  });
  table.Add(Command{
      "comp",
      "set the compressor of an output or of the record output",
      "CH|rec [--threshold DB] [--ratio R] [--attack MS] [--release MS] [--on|--off]",
      "  CH            output channel 1..8, or rec for the record output\n"
      "  --threshold   -60 .. 0 dB       --ratio     1 .. 30 (ratio to 1)\n"
      "  --attack      1 .. 100 ms       --release   1 .. 1000 ms\n"
      "  --on, --off   the compressor switch\n"
      "Values take the sliders' grid, rounded half away from zero: whole dB, tenths of the ratio,\n"
      "whole milliseconds (--threshold -20.5 is sent as -21 dB).\n"
      "Settings not given keep the compressor's current ones. Prints the compressor afterwards.\n" +
          kConnectionNote + FileTargetNote(),
      RunComp,
      true,
  });
  table.Add(Command{
      "delay",
      "set the delay of an output channel",
      "CH [--ms X] [--on|--off] [--mode split|channel] [--split-hz F]",
      "  CH           output channel 1..8\n"
      "  --ms X       delay time, 1.4 .. 100.0 ms in tenths\n"
      "  --on, --off  the delay switch\n"
      "  --mode       split delays only above the split frequency, channel the whole channel\n"
      "  --split-hz   split frequency 500, 600, ..., 3000 Hz (kept in whole-channel mode)\n"
      "Prints the channel's delay afterwards.\n" +
          kConnectionNote + FileTargetNote(),
      RunDelay,
      true,
  });
  table.Add(Command{
      "room",
      "place the listener and loudspeakers of the sound field",
      "[--size W L] [--listener X Y] [--speaker N X Y]... [--locate CH|none] [--reset]",
      "  --size W L        room width and length in whole metres, 1 .. 10 (else status 2)\n"
      "  --listener X Y    listener position in metres from the room's centre (X right, Y front)\n"
      "  --speaker N X Y   loudspeaker N (1 L, 2 CEN, 3 R, 4 SBL, 5 SUB, 6 SBR, 7 SL, 8 SR); repeatable\n"
      "  --locate CH|none  make the device identify the loudspeaker of output CH, or stop\n"
      "  --reset           zero levels and the factory room, before anything else given\n"
      "Positions outside the room are moved to its edge. Every move sets the level of the output\n"
      "carrying that loudspeaker (+3 dB at the listener, 3 dB less per metre). Prints the room and,\n"
      "per output channel, the level it now carries.\n" +
          kConnectionNote + FileTargetNote(),
      RunRoom,
      true,
  });
}

}  // namespace nr::cli
