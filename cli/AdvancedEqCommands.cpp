// nrctl adv-eq: the advanced EQ of the outputs, its bypass switch and its reset.
#include <algorithm>
#include <memory>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "DeviceLink.h"
#include "WriteTarget.h"
#include "ToolCommands.h"
#include "outputs/AdvancedEq.h"

namespace nr::cli {
namespace {

using Json = nlohmann::ordered_json;

std::string TypeName(int type) {
  static constexpr const char* kNames[] = {"off", "PEQ", "LP", "HP", "LS", "HS"};
  return type >= 0 && type <= 5 ? kNames[type] : "type " + std::to_string(type);
}

void WriteAdvancedEq(std::ostream& out, const DeviceState& s, const ChannelList& channels, bool json) {
  Json all = Json::array();
  for (int channel : channels) {
    const bool bypassed = AdvancedEqBypassed(s, channel);
    Json bands = Json::array();
    if (!json) out << "CH" << channel + 1 << ": bypass " << (bypassed ? "on" : "off") << "\n";
    for (int b = 0; b < kAdvancedEqBands; ++b) {
      const EqBand band = s.Band(AdvancedEqSet(channel), b);
      char text[96];
      std::snprintf(text, sizeof text, "  band %d: %s %d Hz, %+.1f dB, Q %.2f\n", b + 1, TypeName(band.type).c_str(),
                    band.freq, static_cast<double>(band.gainDb), static_cast<double>(band.q));
      if (!json) out << text;
      bands.push_back({{"type", TypeName(band.type)}, {"hz", band.freq}, {"db", band.gainDb}, {"q", band.q}});
    }
    all.push_back({{"channel", channel + 1}, {"bypass", bypassed}, {"bands", bands}});
  }
  if (json) out << all.dump(2) << "\n";
}

int RunAdvancedEq(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--bypass", true}, {"--reset", false}, {"--linked", false}, {"--json", false}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 1, 1);
  ChannelList channels = ParseChannelList(args.positional[0], "the channel");
  std::sort(channels.begin(), channels.end());  // printed and changed in channel order
  std::optional<bool> bypass;
  if (const std::string* v = args.Value("--bypass")) bypass = ParseOnOff(*v, "--bypass");

  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, "adv-eq");
  WriteTarget& link = *target;
  if (const int status = link.Open(true)) return status;
  if (args.Has("--linked")) {
    const DeviceState s = link.Model().Snapshot();
    ChannelList all;
    for (int channel : channels) {
      const ChannelList linked = LinkedChannels(s, channel, LinkOptions{});
      all.insert(all.end(), linked.begin(), linked.end());
    }
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    channels = all;
  }
  if (bypass) SetAdvancedEqBypass(link.Session(), channels, *bypass);
  if (args.Has("--reset")) ResetAdvancedEq(link.Session(), channels);
  if (const int status = link.Finish()) return status;
  WriteAdvancedEq(ctx.out, link.Model().Snapshot(), channels, args.Has("--json"));
  return kExitOk;
}

}  // namespace

void RegisterAdvancedEqCommands(CommandTable& table) {
  table.Add(Command{
      "adv-eq",
      "show the advanced EQ of output channels, switch its bypass, reset it",
      "CH[,CH...] [--bypass on|off] [--reset] [--linked] [--json]",
      "CH is an output channel 1..8 (several separated by commas). Prints each channel's advanced\n"
      "EQ bypass and its eight bands after the changes asked for.\n"
      "  --bypass on|off  as the window's EQ BYPASS box: the channel EQ bypass of every channel\n"
      "                   first, then the advanced EQ bypass of every channel\n"
      "  --reset          flat peaking bands at 62 .. 8000 Hz, 0 dB, Q 1.41\n"
      "  --linked         also the channels the output page links with CH by speaker position\n"
      "                   (front, side and back pairs; SUB and CEN never link)\n"
      "Bands are edited with 'nrctl eq' on sets 16..23 (set 16 + channel - 1).\n"
      "Exit status: 0 done, 1 link failure, 2 usage, 3 file refused.\n" +
          FileTargetNote(),
      RunAdvancedEq,
      true,
  });
}

}  // namespace nr::cli
