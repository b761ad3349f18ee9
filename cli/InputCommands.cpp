// nrctl input, source and features: the microphone inputs, effects and live controls by name,
// the music source with its input levels, and the exciter, max-bass, automatic SUB and automatic
// music level features.
#include <algorithm>
#include <memory>
#include <cctype>
#include <cstdio>
#include <functional>
#include <optional>
#include <nlohmann/json.hpp>
#include <ostream>

#include "DeviceLink.h"
#include "WriteTarget.h"
#include "ToolCommands.h"
#include "inputs/Features.h"
#include "inputs/InputParamNames.h"
#include "inputs/InputSources.h"

namespace nr::cli {
namespace {

using Json = nlohmann::ordered_json;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// ---- input ---------------------------------------------------------------------------------

struct InputChange {
  const InputParamName* param;
  int value;
};

std::string RangeText(const InputParamName& p) {
  switch (p.text) {
    case InputValueText::kChannel: return "A or B";
    case InputValueText::kSwitch: return "on or off";
    case InputValueText::kNumber: break;
  }
  std::string text = std::to_string(p.range.min) + ".." + std::to_string(p.range.max);
  if (*p.unitName) text += std::string(" ") + p.unitName;
  return p.kind == InputParamName::Kind::kFbc ? text + ", 1 or off turning it off" : text;
}

std::vector<InputChange> ParseInputChanges(const std::vector<std::string>& words) {
  if (words.size() % 2 != 0) throw UsageError("'" + words.back() + "' needs a value (NAME VALUE pairs)");
  std::vector<InputChange> changes;
  for (size_t i = 0; i < words.size(); i += 2) {
    const InputParamName* param = FindInputParam(words[i]);
    if (!param) throw UsageError("unknown parameter '" + words[i] + "' (nrctl input --help lists them)");
    int value = 0;
    if (!ParseInputValue(*param, words[i + 1], value))
      throw UsageError(param->name + " takes " + RangeText(*param) + ", not '" + words[i + 1] + "'");
    changes.push_back({param, value});
  }
  return changes;
}

void WriteInputParams(std::ostream& out, const DeviceState& s, bool json) {
  if (json) {
    Json j = Json::object();
    for (const InputParamName& p : InputParamNames()) {
      const int value = ReadInputParam(s, p);
      if (p.text == InputValueText::kNumber)
        j[p.name] = value;
      else
        j[p.name] = InputValueString(p, value);
    }
    out << j.dump(2) << "\n";
    return;
  }
  for (const InputParamName& p : InputParamNames()) {
    const int value = ReadInputParam(s, p);
    const std::string text = InputValueString(p, value);
    const bool number = text == std::to_string(value);
    out << p.name << ": " << text << (number && *p.unitName ? std::string(" ") + p.unitName : std::string()) << "\n";
  }
}

int RunInput(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr ValuesOptionSpec kOptions[] = {{"--json", 0, false}};
  const OptionList args = ParseOptionList(words, kOptions);
  const std::vector<InputChange> changes = ParseInputChanges(args.positional);
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, "input");
  WriteTarget& link = *target;
  // The device keeps the pitch outside its parameter memory, so a mode file has none to change.
  for (const InputChange& change : changes)
    if (!link.Device() && change.param->kind == InputParamName::Kind::kPitch)
      throw UsageError("a mode file keeps no pitch; set it on a device");
  if (const int status = link.Open(true)) return status;
  for (const InputChange& change : changes) WriteInputParam(link.Session(), *change.param, change.value);
  if (const int status = link.Finish()) return status;
  const DeviceState state = link.Model().Snapshot();
  for (size_t i = 0; i < changes.size(); ++i) {
    const InputChange& change = changes[i];
    const bool setAgain = std::any_of(changes.begin() + static_cast<std::ptrdiff_t>(i) + 1, changes.end(),
                                      [&](const InputChange& later) { return later.param == change.param; });
    if (const int kept = ReadInputParam(state, *change.param); !setAgain && kept != change.value)
      ctx.err << change.param->name << ": held at " << InputValueString(*change.param, kept)
              << " (the machine settings' maximum)\n";
  }
  WriteInputParams(ctx.out, state, args.Find("--json") != nullptr);
  return kExitOk;
}

std::string InputNameList() {
  std::string list;
  for (const InputParamName& p : InputParamNames()) {
    std::string line = "  " + p.name;
    line.resize(std::max<size_t>(line.size() + 1, 26), ' ');
    list += line + RangeText(p) + "\n";
  }
  return list;
}

// ---- source ----------------------------------------------------------------------------------

struct SourceRequest {
  std::optional<std::string> select;                     // a number or a caption
  std::vector<std::pair<std::string, int>> levels;       // source (number or caption), percent
  bool json = false;
};

SourceRequest ParseSource(std::span<const std::string> words) {
  static constexpr ValuesOptionSpec kOptions[] = {{"--level", 2, true}, {"--json", 0, false}};
  const OptionList args = ParseOptionList(words, kOptions);
  if (args.positional.size() > 1) throw UsageError("unexpected argument '" + args.positional[1] + "'");
  SourceRequest r;
  if (!args.positional.empty()) r.select = args.positional[0];
  for (const OptionUse& use : args.uses) {
    if (use.name == "--json") r.json = true;
    if (use.name == "--level")
      r.levels.emplace_back(use.values[0], static_cast<int>(ParseIntegerArg(use.values[1], "--level: the level", 0, kSourceLevelMax)));
  }
  return r;
}

std::string OfferedList(const std::vector<SourceRow>& rows) {
  std::string list;
  for (const SourceRow& row : rows) list += (list.empty() ? "" : ", ") + std::to_string(row.source) + " " + row.caption;
  return list;
}

// The offered source a word names (its number or its caption), or nullopt with the reason.
std::optional<int> ResolveSource(const std::string& word, const std::vector<SourceRow>& offered, std::string& reason) {
  int number = -1;
  if (!word.empty() && std::all_of(word.begin(), word.end(), [](unsigned char c) { return std::isdigit(c); }) && word.size() <= 2)
    number = std::stoi(word);
  for (const SourceRow& row : offered)
    if (row.source == number || Lower(row.caption) == Lower(word)) return row.source;
  reason = "the device offers no source '" + word + "' (it offers " + OfferedList(offered) + ")";
  return std::nullopt;
}

void WriteSources(std::ostream& out, const DeviceState& s, bool json) {
  const std::vector<SourceRow> rows = OfferedSources(s);
  const int selected = SelectedSource(s);
  const auto selectedRow = std::find_if(rows.begin(), rows.end(), [&](const SourceRow& r) { return r.source == selected; });
  if (json) {
    Json j;
    j["selected"] = selected;
    Json list = Json::array();
    for (const SourceRow& row : rows)
      list.push_back({{"source", row.source}, {"caption", row.caption}, {"level", SourceLevel(s, row.source)}});
    j["sources"] = list;
    out << j.dump(2) << "\n";
    return;
  }
  out << "selected: " << selected << " "
      << (selectedRow == rows.end() ? std::string("(not a source this device offers)") : selectedRow->caption) << "\n";
  for (const SourceRow& row : rows) out << row.source << " " << row.caption << ": " << SourceLevel(s, row.source) << "%\n";
}

int RunSource(const CommandContext& ctx, std::span<const std::string> words) {
  const SourceRequest request = ParseSource(words);
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, "source");
  WriteTarget& link = *target;
  if (const int status = link.Open(true)) return status;
  const std::vector<SourceRow> offered = OfferedSources(link.Model().Snapshot());
  std::string reason;
  std::optional<int> select;
  std::vector<std::pair<int, int>> levels;
  if (request.select && !(select = ResolveSource(*request.select, offered, reason))) {
    link.Finish();
    return link.Report(kExitUsage, reason);
  }
  for (const auto& [word, level] : request.levels) {
    const std::optional<int> source = ResolveSource(word, offered, reason);
    if (!source) {
      link.Finish();
      return link.Report(kExitUsage, reason);
    }
    levels.emplace_back(*source, level);
  }
  if (select) SelectSource(link.Session(), *select);
  for (const auto& [source, level] : levels) SetSourceLevel(link.Session(), source, level);
  if (const int status = link.Finish()) return status;
  WriteSources(ctx.out, link.Model().Snapshot(), request.json);
  return kExitOk;
}

// ---- features --------------------------------------------------------------------------------

constexpr ValuesOptionSpec kFeatureOptions[] = {
    {"--exciter", 1},         {"--exciter-eq", 1},          {"--low", 2},
    {"--mid", 2},             {"--high", 2},                {"--harmonic", 3},
    {"--max-bass-hz", 1},     {"--max-bass-delay", 1},      {"--max-bass-gain", 1},
    {"--auto-sub", 1},        {"--auto-sub-level", 1},      {"--auto-level", 1},
    {"--auto-level-threshold", 1}, {"--auto-level-ratio", 1}, {"--auto-level-attack", 1},
    {"--auto-level-release", 1},   {"--json", 0},
};

int InRange(const std::string& text, std::string_view what, IntRange range) {
  return static_cast<int>(ParseIntegerArg(text, what, range.min, range.max));
}

// One change, checked when parsed and carried out later through the core operation.
using FeatureChange = std::function<void(DeviceSession&)>;

std::vector<FeatureChange> ParseFeatures(const OptionList& args) {
  std::vector<FeatureChange> changes;
  for (const OptionUse& use : args.uses) {
    const std::string& name = use.name;
    const auto& v = use.values;
    if (name == "--exciter") {
      const bool on = ParseOnOff(v[0], name);
      changes.push_back([on](DeviceSession& s) { SetExciterOn(s, on); });
    } else if (name == "--exciter-eq") {
      const bool on = ParseOnOff(v[0], name);
      changes.push_back([on](DeviceSession& s) { SetExciterEqOn(s, on); });
    } else if (name == "--low" || name == "--mid" || name == "--high") {
      const ExciterBand band = name == "--low" ? ExciterBand::kLow : name == "--mid" ? ExciterBand::kMid : ExciterBand::kHigh;
      const int hz = InRange(v[0], name + ": the frequency", ExciterBands()[static_cast<size_t>(band)].frequency);
      const int db = InRange(v[1], name + ": the gain", kExciterGainRange);
      changes.push_back([band, hz, db](DeviceSession& s) {
        SetExciterFrequency(s, band, hz);
        SetExciterGain(s, band, db);
      });
    } else if (name == "--harmonic") {
      const int gain = InRange(v[0], "--harmonic: the gain", kPercentRange);
      const int order = InRange(v[1], "--harmonic: the order", kPercentRange);
      const int mix = InRange(v[2], "--harmonic: the mix", kPercentRange);
      changes.push_back([=](DeviceSession& s) {
        SetHarmonic(s, Harmonic::kGain, gain);
        SetHarmonic(s, Harmonic::kOrder, order);
        SetHarmonic(s, Harmonic::kMix, mix);
      });
    } else if (name == "--max-bass-hz") {
      const int hz = InRange(v[0], name, kMaxBassFrequencyRange);
      changes.push_back([hz](DeviceSession& s) { SetMaxBassFrequency(s, hz); });
    } else if (name == "--max-bass-delay") {
      const int ms = InRange(v[0], name, kMaxBassDelayRange);
      changes.push_back([ms](DeviceSession& s) { SetMaxBassDelay(s, ms); });
    } else if (name == "--max-bass-gain") {
      const int percent = InRange(v[0], name, kMaxBassGainRange);
      changes.push_back([percent](DeviceSession& s) { SetMaxBassGain(s, percent); });
    } else if (name == "--auto-sub") {
      const bool on = ParseOnOff(v[0], name);
      changes.push_back([on](DeviceSession& s) { SetAutoSub(s, on); });
    } else if (name == "--auto-sub-level") {
      const int percent = InRange(v[0], name, kPercentRange);
      changes.push_back([percent](DeviceSession& s) { SetAutoSubLevel(s, percent); });
    } else if (name == "--auto-level") {
      const bool on = ParseOnOff(v[0], name);
      changes.push_back([on](DeviceSession& s) { SetAutoMusicLevel(s, on); });
    } else if (name == "--auto-level-threshold") {
      const int db = InRange(v[0], name, kAutoLevelThresholdRange);
      changes.push_back([db](DeviceSession& s) { SetAutoLevelValue(s, AutoLevelValue::kThreshold, db); });
    } else if (name == "--auto-level-ratio") {
      const double ratio = ParseFiniteArg(v[0], name);
      const int tenths = static_cast<int>(ratio * 10.0 + (ratio < 0 ? -0.5 : 0.5));
      if (tenths < kAutoLevelRatioRange.min || tenths > kAutoLevelRatioRange.max)
        throw UsageError(name + " must be between 1.0 and 30.0, not '" + v[0] + "'");
      changes.push_back([tenths](DeviceSession& s) { SetAutoLevelValue(s, AutoLevelValue::kRatio, tenths); });
    } else if (name == "--auto-level-attack") {
      const int ms = InRange(v[0], name, kAutoLevelAttackRange);
      changes.push_back([ms](DeviceSession& s) { SetAutoLevelValue(s, AutoLevelValue::kAttack, ms); });
    } else if (name == "--auto-level-release") {
      const int ms = InRange(v[0], name, kAutoLevelReleaseRange);
      changes.push_back([ms](DeviceSession& s) { SetAutoLevelValue(s, AutoLevelValue::kRelease, ms); });
    }
  }
  return changes;
}

std::string Signed(int db) { return (db > 0 ? "+" : "") + std::to_string(db); }

std::string Ratio(int tenths) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f:1", tenths / 10.0);
  return text;
}

void WriteFeatures(std::ostream& out, const FeatureSettings& f, bool json) {
  static constexpr const char* kBandNames[] = {"low", "mid", "high"};
  if (json) {
    Json j;
    j["exciter"] = f.exciterOn;
    j["exciterEq"] = f.exciterEqOn;
    for (size_t b = 0; b < kExciterBands; ++b) j[kBandNames[b]] = {{"hz", f.exciterFrequency[b]}, {"db", f.exciterGain[b]}};
    j["harmonic"] = {{"gain", f.harmonicGain}, {"order", f.harmonicOrder}, {"mix", f.harmonicMix}};
    j["maxBass"] = {{"hz", f.maxBassFrequency}, {"delayMs", f.maxBassDelay}, {"gain", f.maxBassGain}};
    j["autoSub"] = {{"on", f.autoSubOn}, {"level", f.autoSubLevel}};
    j["autoLevel"] = {{"on", f.autoLevelOn},
                      {"thresholdDb", f.autoLevelThreshold},
                      {"ratio", f.autoLevelRatio / 10.0},
                      {"attackMs", f.autoLevelAttack},
                      {"releaseMs", f.autoLevelRelease}};
    out << j.dump(2) << "\n";
    return;
  }
  const auto onOff = [](bool on) { return on ? "on" : "off"; };
  out << "exciter: " << onOff(f.exciterOn) << "\n"
      << "exciter EQ: " << onOff(f.exciterEqOn) << "\n";
  for (size_t b = 0; b < kExciterBands; ++b)
    out << "exciter " << kBandNames[b] << ": " << f.exciterFrequency[b] << " Hz, " << Signed(f.exciterGain[b]) << " dB\n";
  out << "harmonics: gain " << f.harmonicGain << "%, order " << f.harmonicOrder << "%, mix " << f.harmonicMix << "%\n"
      << "max bass: low-pass " << f.maxBassFrequency << " Hz, delay " << f.maxBassDelay << " ms, gain " << f.maxBassGain
      << "%\n"
      << "auto SUB decay: " << onOff(f.autoSubOn) << ", SUB level " << f.autoSubLevel << "%\n"
      << "auto music level: " << onOff(f.autoLevelOn) << ", threshold " << f.autoLevelThreshold << " dB, ratio "
      << Ratio(f.autoLevelRatio) << ", attack " << f.autoLevelAttack << " ms, release " << f.autoLevelRelease << " ms\n";
}

int RunFeatures(const CommandContext& ctx, std::span<const std::string> words) {
  const OptionList args = ParseOptionList(words, kFeatureOptions);
  if (!args.positional.empty()) throw UsageError("unexpected argument '" + args.positional[0] + "'");
  const std::vector<FeatureChange> changes = ParseFeatures(args);
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, "features");
  WriteTarget& link = *target;
  if (const int status = link.Open(true)) return status;
  for (const FeatureChange& change : changes) change(link.Session());
  if (const int status = link.Finish()) return status;
  WriteFeatures(ctx.out, ReadFeatures(link.Model().Snapshot()), args.Find("--json") != nullptr);
  return kExitOk;
}

}  // namespace

void RegisterInputCommands(CommandTable& table) {
  table.Add(Command{
      "input",
      "show or set the microphone inputs, effects, input EQ switches and live controls by name",
      "[NAME VALUE]... [--json]",
      "Reads the device, sets each NAME to VALUE in the order given, as the microphone and music\n"
      "page, the echo and reverb page and the main window's live controls do (a microphone's\n"
      "channel writes both routing gains, an echo time re-sends the right channel's delays), and\n"
      "prints every parameter. A value outside its range exits with status 2 before anything is\n"
      "sent; the microphone and music volumes are held at the machine settings' maxima (said on\n"
      "stderr). The names and what they take:\n" +
          InputNameList() +
          "Exit status: 0 done, 1 link failure, 2 usage, 3 file refused.\n" + FileTargetNote(),
      RunInput,
      true,
  });
  table.Add(Command{
      "source",
      "show the music sources with their input levels, select one, set levels",
      "[K] [--level K V]... [--json]",
      "Reads the device and prints the selected source, then each source the device offers (by\n"
      "its capability record, or the table of its model) with its caption and input level.\n"
      "  K             select this source: its number (0..13) or its caption (\"HDMI1\", \"AUX\")\n"
      "  --level K V   set the input level of source K to V percent (0..100); may be repeated\n"
      "A source the device does not offer exits with status 2 and changes nothing.\n"
      "Exit status: 0 done, 1 link failure, 2 usage, 3 file refused.\n" +
          FileTargetNote(),
      RunSource,
      true,
  });
  table.Add(Command{
      "features",
      "show or change the exciter, max bass, automatic SUB decay and automatic music level",
      "[--exciter on|off] [--exciter-eq on|off] [--low F G] [--mid F G] [--high F G]\n"
      "       [--harmonic GAIN ORDER MIX] [--max-bass-hz F] [--max-bass-delay MS] [--max-bass-gain V]\n"
      "       [--auto-sub on|off] [--auto-sub-level V] [--auto-level on|off] [--auto-level-threshold DB]\n"
      "       [--auto-level-ratio R] [--auto-level-attack MS] [--auto-level-release MS] [--json]",
      "Reads the device, makes the changes asked for as the features window does, and prints every\n"
      "feature. Ranges (a value outside exits with status 2 before anything is sent):\n"
      "  --low F G     exciter low shelf: F 70..450 Hz, G 0..12 dB\n"
      "  --mid F G     exciter peak: F 800..5000 Hz, G 0..12 dB\n"
      "  --high F G    exciter high shelf: F 3200..18000 Hz, G 0..12 dB\n"
      "  --harmonic GAIN ORDER MIX   exciter harmonics, each 0..100 %\n"
      "  --max-bass-hz F             music max-bass low-pass 20..300 Hz\n"
      "  --max-bass-delay MS         0..20 ms;  --max-bass-gain V  0..300 %\n"
      "  --auto-sub-level V          SUB level while someone sings, 0..100 %\n"
      "  --auto-level-threshold DB   -60..0;  --auto-level-ratio R  1.0..30.0\n"
      "  --auto-level-attack MS      1..100;  --auto-level-release MS  1..1000\n"
      "Exit status: 0 done, 1 link failure, 2 usage, 3 file refused.\n" +
          FileTargetNote(),
      RunFeatures,
      true,
  });
}

}  // namespace nr::cli
