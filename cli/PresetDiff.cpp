#include "PresetDiff.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "CommandTable.h"
#include "ModeReport.h"
#include "TerminalText.h"
#include "WriteTarget.h"
#include "inputs/SoundField.h"
#include "link/EqLayout.h"
#include "outputs/Compressor.h"
#include "outputs/Delay.h"
#include "outputs/OutputChannels.h"

namespace nr::cli {
namespace {

constexpr const char* kMicMusic = "Microphones and music";
constexpr const char* kEffects = "Echo and reverb";
constexpr const char* kFeatures = "Features";
constexpr const char* kAdvancedEq = "Advanced EQ";
constexpr const char* kRecord = "Record output";
constexpr const char* kSoundField = "Sound field";
constexpr const char* kOther = "Other parameters";

std::string OutputPage(int channel) { return "Output " + std::to_string(channel + 1); }

// The pages in the order the application shows them.
std::vector<std::string> PageOrder() {
  std::vector<std::string> pages{kMicMusic, kEffects, kFeatures};
  for (int c = 0; c < kOutputCount; ++c) pages.push_back(OutputPage(c));
  pages.insert(pages.end(), {kAdvancedEq, kRecord, kSoundField, kOther});
  return pages;
}

std::string ModulePage(int module) {
  if (module == 1 || module == 4) return kMicMusic;
  if (module == 2 || module == 3) return kEffects;
  if (module >= 5 && module <= 12) return OutputPage(module - 5);
  if (module == 13) return kRecord;
  if (module == 14) return kFeatures;
  return kOther;
}

std::string SetPage(int set) {
  if (set == 0 || set == 1 || set == 6) return kMicMusic;
  if (set >= 2 && set <= 5) return kEffects;
  if (set >= 7 && set <= 14) return OutputPage(set - 7);
  if (set == kRecordEqSet) return kRecord;
  return kAdvancedEq;
}

std::string Hex2(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value & 0xFF));
  return text;
}

std::string TypeName(int type) {
  static constexpr const char* kNames[] = {"all-pass", "PEQ", "LP", "HP", "LS", "HS"};
  return type >= 0 && type <= 5 ? kNames[type] : "section " + std::to_string(type);
}

std::string BandValue(const EqBand& b) {
  return TypeName(b.type) + " " + std::to_string(b.freq) + " Hz, " + ShortestFloat(b.gainDb) + " dB, Q " + ShortestFloat(b.q);
}

std::string Metres(float x, float y) { return "(" + ShortestFloat(x) + ", " + ShortestFloat(y) + ") m"; }

void AddParams(const DeviceState& s, std::vector<PresetItem>& items) {
  const auto& rows = ParamRows();
  for (size_t r = 0; r < rows.size(); ++r) {
    const ParamRow& row = rows[r];
    std::string value;
    if (row.type == ValueType::kBlock) {
      for (int w = 0; w < row.words; ++w) {
        char word[12];
        std::snprintf(word, sizeof word, "%s%08X", w ? " " : "",
                      static_cast<unsigned>(GetBE32(&s.image[static_cast<size_t>(row.WordOffset() + 4 * w)])));
        value += word;
      }
    } else {
      value = ValueText(row.type, s.values[r]);
    }
    items.push_back({ModulePage(row.module), "(" + std::to_string(row.module) + "," + Hex2(row.index) + ")", value});
  }
}

void AddBands(const DeviceState& s, std::vector<PresetItem>& items) {
  for (int set = 0; set < kEqSetCount; ++set)
    for (int band = 0; band < OwnedBands(set); ++band)
      items.push_back({SetPage(set), "set " + std::to_string(set) + " band " + std::to_string(band) + " (" + EqSetTitle(set) + ")",
                       BandValue(s.Band(set, band))});
}

void AddDerived(const DeviceState& s, std::vector<PresetItem>& items) {
  const DerivedValues& d = s.derived;
  items.push_back({kMicMusic, "pitch", std::to_string(d.pitch)});
  items.push_back({kMicMusic, "feedback canceller A", std::to_string(d.fbcShift[0]) + " Hz"});
  items.push_back({kMicMusic, "feedback canceller B", std::to_string(d.fbcShift[1]) + " Hz"});
  items.push_back({kFeatures, "automatic music level", DynamicsText(d.musicDynamics)});
  items.push_back({kFeatures, "level feature", std::to_string(d.levelFeature)});
  for (int c = 0; c < kOutputCount; ++c) {
    const std::string page = OutputPage(c);
    items.push_back({page, "position", std::string(PositionName(SpeakerPositionOf(s, c)))});
    static constexpr const char* kSends[kSendCount] = {"direct", "reverb", "echo", "music"};
    for (int send = 0; send < kSendCount; ++send)
      items.push_back({page, std::string(kSends[send]) + " send", std::to_string(OutputSend(s, c, send)) + " %"});
    items.push_back({page, "mute", OutputMuted(s, c) ? "on" : "off"});
    items.push_back({page, "phase", OutputPhaseInverted(s, c) ? "inverted" : "normal"});
    items.push_back({page, "EQ bypass", OutputEqBypassed(s, c) ? "on" : "off"});
    items.push_back({page, "compressor", DynamicsText(d.compressors[static_cast<size_t>(c)]) +
                                             (CompressorOn(s, c) ? ", on" : ", off")});
    items.push_back({page, "delay", ShortestFloat(DelayMs(s, c)) + " ms, " + (DelayOn(s, c) ? "on" : "off") + ", " +
                                        (ChannelDelayMode(s, c) ? "whole channel" : "split at " + std::to_string(SplitFrequency(DelaySplitIndex(s, c))) + " Hz")});
  }
  items.push_back({kRecord, "compressor", DynamicsText(d.compressors[kRecordUnit])});
  const RoomModel& room = d.room;
  items.push_back({kSoundField, "room", std::to_string(room.width) + " m x " + std::to_string(room.length) + " m"});
  items.push_back({kSoundField, "listener", Metres(room.listenerX, room.listenerY)});
  for (int n = 0; n < kSpeakerCount; ++n)
    items.push_back({kSoundField, "speaker " + std::to_string(n + 1),
                     Metres(room.speakerX[static_cast<size_t>(n)], room.speakerY[static_cast<size_t>(n)])});
  items.push_back({kSoundField, "located", std::to_string(LocatedCode(s))});
  for (int c = 0; c < kOutputCount; ++c)
    items.push_back({kSoundField, "level of output " + std::to_string(c + 1), ShortestFloat(SoundFieldLevel(s, c)) + " dB"});
}

// ---- nrctl diff ------------------------------------------------------------------------------

using Json = nlohmann::ordered_json;

// One side of the comparison: a mode file, read as --file reads it, or the device.
int ReadSide(const CommandContext& ctx, const std::string& operand, DeviceState& state) {
  GlobalOptions options = ctx.options;
  options.file = operand == "device" ? std::string() : operand;
  const CommandContext side{options, ctx.out, ctx.err, ctx.in, ctx.trace};
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(side, "diff");
  if (const int status = target->Open(true)) return status;
  state = target->Model().Snapshot();
  return target->Finish();  // nothing was changed: a file stays untouched, a device gets its goodbye
}

int RunDiff(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--json", false}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 2, 2);
  DeviceState a, b;
  if (const int status = ReadSide(ctx, args.positional[0], a)) return status;
  if (const int status = ReadSide(ctx, args.positional[1], b)) return status;
  const std::vector<PresetDifference> differences = ComparePresets(a, b);

  if (args.Has("--json")) {
    Json list = Json::array();
    for (const PresetDifference& d : differences) list.push_back({{"page", d.page}, {"item", d.name}, {"a", d.a}, {"b", d.b}});
    ctx.out << Json{{"equal", differences.empty()}, {"differences", list}}.dump(2) << "\n";
  } else {
    std::string page;
    for (const PresetDifference& d : differences) {
      if (d.page != page) ctx.out << (page.empty() ? "" : "\n") << (page = d.page) << "\n";
      ctx.out << "  " << d.name << ": " << d.a << " -> " << d.b << "\n";
    }
  }
  return differences.empty() ? kExitOk : kExitFailure;
}

}  // namespace

std::vector<PresetItem> DescribePreset(const DeviceState& state) {
  std::vector<PresetItem> items;
  AddParams(state, items);
  AddBands(state, items);
  AddDerived(state, items);
  return items;
}

std::vector<PresetDifference> ComparePresets(const DeviceState& a, const DeviceState& b) {
  const std::vector<PresetItem> left = DescribePreset(a), right = DescribePreset(b);
  std::map<std::string, std::vector<PresetDifference>> byPage;
  for (size_t i = 0; i < left.size() && i < right.size(); ++i)
    if (left[i].value != right[i].value) byPage[left[i].page].push_back({left[i].page, left[i].name, left[i].value, right[i].value});
  std::vector<PresetDifference> differences;
  for (const std::string& page : PageOrder()) {
    const auto it = byPage.find(page);
    if (it != byPage.end()) differences.insert(differences.end(), it->second.begin(), it->second.end());
  }
  return differences;
}

void RegisterDiffCommand(CommandTable& table) {
  table.Add(Command{
      "diff",
      "compare two presets: mode files, or the device",
      "A B [--json]",
      "A and B are mode files, or the word device for the connected device (read whole, as info\n"
      "reads it). Prints every parameter, EQ band and derived value that differs, grouped by the\n"
      "page that edits it, one line each with both values decoded:\n"
      "  PAGE\n"
      "    ITEM: A -> B\n"
      "for example, under \"Output 1\": \"set 7 band 3 (output 1 EQ): PEQ 250 Hz, 0 dB, Q 1.414 ->\n"
      "PEQ 250 Hz, -3 dB, Q 1.414\". Bands are numbered from 0 as nrctl eq numbers them. The identification in a file's header is\n"
      "not compared. A file is read with the checks of loading it and is never changed.\n"
      "  --json  one object: {\"equal\": true|false, \"differences\": [{page, item, a, b}, ...]}\n"
      "Exit status: 0 equal, 1 different (or a link failure, said on stderr), 2 usage, 3 a file\n"
      "refused.\n",
      RunDiff,
  });
}

}  // namespace nr::cli
