#include "venue/PresetCompare.h"

#include <cstdio>
#include <map>

#include "inputs/SoundField.h"
#include "link/EqLayout.h"
#include "outputs/Compressor.h"
#include "outputs/Delay.h"
#include "outputs/OutputChannels.h"
#include "venue/PresetText.h"

namespace nr {
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

std::vector<PageDifferences> CountByPage(const std::vector<PresetDifference>& differences) {
  std::vector<PageDifferences> pages;
  for (const PresetDifference& d : differences) {
    if (pages.empty() || pages.back().page != d.page) pages.push_back({d.page, 0});
    ++pages.back().count;
  }
  return pages;
}

}  // namespace nr
