#include "SmartHomeCommands.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>

#include "DeviceLink.h"
#include "DeviceWrites.h"
#include "LineInput.h"
#include "TerminalText.h"
#include "shell/UserDirs.h"
#include "smarthome/KeyFile.h"
#include "smarthome/PlugPairing.h"
#include "smarthome/Scenes.h"
#include "smarthome/SmartHome.h"
#include "smarthome/ZWaveFrames.h"
#include "shell/PathText.h"

namespace nr::cli {
namespace {

using namespace std::chrono_literals;
using Json = nlohmann::json;

constexpr auto kConfirmTimeout = 10s;  // the controller confirms a set within this time
constexpr long long kDefaultPressSeconds = 60;
constexpr long long kDefaultLearnSeconds = 30;

const std::string kSmartNote =
    "\n"
    "Connects over USB unless --net is given and reads the device's plug list first. Exit status:\n"
    "0 done, 1 link or controller failure (no answer, refused, time-out), 2 usage.\n";

// Infrared plug reports.
constexpr int kKeyReady = 2;
constexpr int kKeyLearned = 3;
constexpr int kKeyCheckError = 4;
constexpr int kKeyTimeout = 5;
constexpr int kKeySent = 6;
constexpr int kKeyNotSent = 7;

std::string TypeName(int type) {
  switch (type) {
    case kPlugSwitch: return "switch";
    case kPlugDimmer: return "dimmer";
    default: return "other";
  }
}

// Names come from the device's plug records and the key files: they reach the terminal escaped.
std::string PlugName(const SmartHome& smart, int node) { return TerminalSafe(Utf16ToUtf8(smart.Record(node).name)); }

int ParseNode(std::string_view text) { return static_cast<int>(ParseIntegerArg(text, "NODE", kFirstPlugNode, kMaxNode)); }

// A key's number as `plug keys` lists it, 1..32; the plug's slot is one less.
int ParseKeySlot(std::string_view text, std::string_view what) {
  return static_cast<int>(ParseIntegerArg(text, what, 1, kKeySlots)) - 1;
}

std::chrono::milliseconds ParseTimeout(const CommandArgs& args, long long fallback) {
  const auto it = args.options.find("--timeout");
  const long long seconds = it == args.options.end() ? fallback : ParseIntegerArg(it->second, "--timeout", 1, 3600);
  return std::chrono::seconds(seconds);
}

KeyFiles KeyFolderOf(const CommandArgs& args) {
  const auto it = args.options.find("--keys");
  return KeyFiles(it == args.options.end() ? DefaultKeyFolder() : PathFromUtf8(it->second));
}

// A plug name as stored: at most 11 characters, with a note when it had to be cut.
std::u16string StoredName(const CommandContext& ctx, std::string_view command, std::string_view text) {
  std::u16string name = Utf8ToUtf16(text);
  if (name.empty()) throw UsageError("the name must not be empty");
  if (name.size() > static_cast<size_t>(kPlugNameMax)) {
    name = TruncateUnits(name, kPlugNameMax);
    ctx.err << "nrctl " << command << ": the name is cut to " << kPlugNameMax << " characters: " << Utf16ToUtf8(name)
            << "\n";
  }
  return name;
}

// Connects and reads the node list and the plug records. kExitOk, or a failure already printed.
int OpenSmartHome(DeviceLink& link) {
  if (const int status = link.Open()) return status;
  if (link.Conn().Smart().Synchronise()) return kExitOk;
  const bool noController = link.Model().Snapshot().info.ModuleName() == "WX490II";
  link.Finish();
  return link.Fail(noController ? "this model has no smart-home controller"
                                : "the smart-home controller did not answer; it may not be ready yet, try again");
}

int RequirePlug(DeviceLink& link, int node) {
  if (link.Conn().Smart().NodePresent(node)) return kExitOk;
  link.Finish();
  return link.Fail("there is no plug " + std::to_string(node) + " in the network");
}

enum class Awaited { kDone, kTimedOut, kLinkLost };

// Reads reports until `handle` says it is done, the time is up, or the link is lost: a device
// that vanishes while the user is asked to press a button ends the wait at once, not after it.
Awaited AwaitReports(DeviceLink& link, uint64_t& cursor, std::chrono::milliseconds timeout,
                     const std::function<bool(const PlugReport&)>& handle) {
  constexpr auto kLinkCheck = 100ms;  // how soon a lost link is noticed
  SmartHome& smart = link.Conn().Smart();
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (!link.Alive()) return Awaited::kLinkLost;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left <= 0ms) return Awaited::kTimedOut;
    const std::optional<PlugReport> report = smart.NextReport(cursor, std::min<std::chrono::milliseconds>(left, kLinkCheck));
    if (report && handle(*report)) return Awaited::kDone;
  }
}

int LostWhileWaiting(DeviceLink& link) { return link.Fail("lost the connection while waiting for the plug"); }

// ---- plug ----

int RunPlugList(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--json", false}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 0, 0);
  DeviceLink link(ctx, "plug list");
  if (const int status = OpenSmartHome(link)) return status;
  const std::vector<PlugInfo> plugs = link.Conn().Smart().Plugs();
  if (args.Has("--json")) {
    Json list = Json::array();
    for (const PlugInfo& p : plugs)
      list.push_back({{"node", p.node}, {"type", TypeName(p.record.type)}, {"name", Utf16ToUtf8(p.record.name)}});
    ctx.out << list.dump(2) << "\n";
  } else {
    for (const PlugInfo& p : plugs)
      ctx.out << p.node << "\t" << TypeName(p.record.type) << "\t" << TerminalSafe(Utf16ToUtf8(p.record.name)) << "\n";
  }
  return link.Finish();
}

int RunPlugSet(const CommandContext& ctx, int node, int value, const std::string& what) {
  DeviceLink link(ctx, "plug");
  if (const int status = OpenSmartHome(link)) return status;
  if (const int status = RequirePlug(link, node)) return status;
  SmartHome& smart = link.Conn().Smart();
  uint64_t cursor = smart.ReportCursor();
  smart.SetPlug(node, value);
  int callbackStatus = -1;
  const Awaited awaited = AwaitReports(link, cursor, kConfirmTimeout, [&](const PlugReport& r) {
    if (r.function != zwave::kSendData || r.callback != zwave::kCallbackSet) return false;
    callbackStatus = r.status;
    return true;
  });
  if (awaited == Awaited::kLinkLost) return LostWhileWaiting(link);
  const int closed = link.Finish();
  if (awaited != Awaited::kDone) return link.Fail("the controller did not confirm the command in time");
  if (callbackStatus != 0) return link.Fail("plug " + std::to_string(node) + " did not acknowledge (set timeout)");
  ctx.out << "plug " << node << " (" << PlugName(smart, node) << "): " << what << "\n";
  return closed;
}

// Adding starts with a removal (the plug leaves any network it was in), then the plug is added;
// the user presses the plug's button in each phase.
int RunPlugAdd(const CommandContext& ctx, const CommandArgs& args) {
  ExpectPositionals(args, 3, 3);
  const std::string& kind = args.positional[1];
  if (kind != "switch" && kind != "dimmer") throw UsageError("the type must be switch or dimmer, not '" + kind + "'");
  const PlugRecord record{kind == "switch" ? kPlugSwitch : kPlugDimmer, StoredName(ctx, "plug add", args.positional[2])};
  const auto timeout = ParseTimeout(args, kDefaultPressSeconds);
  const KeyFiles keys = KeyFolderOf(args);

  DeviceLink link(ctx, "plug add");
  if (const int status = OpenSmartHome(link)) return status;
  SmartHome& smart = link.Conn().Smart();
  uint64_t cursor = smart.ReportCursor();
  PlugPairing pairing(smart, keys);
  pairing.StartAdding(record);
  ctx.err << "Press and hold the new plug's button for 3 seconds (first confirmation)...\n";
  int added = 0;
  std::string failure;
  const Awaited awaited = AwaitReports(link, cursor, timeout, [&](const PlugReport& r) {
    const PairingUpdate update = pairing.OnReport(r);
    switch (update.step) {
      case PairingStep::kRemoved:
        ctx.err << "Press and hold the plug's button for 3 seconds again (second confirmation)...\n";
        return false;
      case PairingStep::kPlugFound:
        ctx.err << "Confirmed, please wait...\n";
        return false;
      case PairingStep::kRemoveFailed:
        failure = "the plug could not be reset, please retry";
        return true;
      case PairingStep::kAddFailed:
        failure = "adding failed, please retry";
        return true;
      case PairingStep::kAdded:
        added = update.node;
        return true;
      default:
        return false;
    }
  });
  if (awaited == Awaited::kLinkLost) return LostWhileWaiting(link);
  if (awaited == Awaited::kTimedOut) {
    pairing.Abort();
    failure = "no plug was pressed in time; adding stopped";
  }
  const int closed = link.Finish();
  if (!failure.empty()) return link.Fail(failure);
  // The plug's record was written last: the plug counts as added once the device has taken it.
  if (closed == kExitOk) ctx.out << "added plug " << added << ": " << kind << " " << Utf16ToUtf8(record.name) << "\n";
  return closed;
}

int RunPlugRemove(const CommandContext& ctx, const CommandArgs& args) {
  ExpectPositionals(args, 1, 1);
  const auto timeout = ParseTimeout(args, kDefaultPressSeconds);
  const KeyFiles keys = KeyFolderOf(args);
  DeviceLink link(ctx, "plug remove");
  if (const int status = OpenSmartHome(link)) return status;
  SmartHome& smart = link.Conn().Smart();
  uint64_t cursor = smart.ReportCursor();
  PlugPairing pairing(smart, keys);
  pairing.StartRemoving();
  ctx.err << "Press and hold the button of the plug to remove for 3 seconds...\n";
  int removed = -1;
  bool failed = false;
  const Awaited awaited = AwaitReports(link, cursor, timeout, [&](const PlugReport& r) {
    const PairingUpdate update = pairing.OnReport(r, false);
    if (update.step == PairingStep::kRemoveFailed) failed = true;
    if (update.step == PairingStep::kRemoved) removed = update.node;
    return failed || removed >= 0;
  });
  if (awaited == Awaited::kLinkLost) return LostWhileWaiting(link);
  const bool ended = awaited == Awaited::kDone;
  if (!ended) pairing.Abort();
  const int closed = link.Finish();
  if (!ended) return link.Fail("no plug was pressed in time; removing stopped");
  if (failed) return link.Fail("removing failed, please retry");
  if (removed > 0)
    ctx.out << "removed plug " << removed << "\n";
  else
    ctx.out << "the pressed plug belonged to no network; nothing was removed\n";
  return closed;
}

int RunPlugRename(const CommandContext& ctx, const CommandArgs& args) {
  ExpectPositionals(args, 3, 3);
  const int node = ParseNode(args.positional[1]);
  const std::u16string name = StoredName(ctx, "plug rename", args.positional[2]);
  DeviceLink link(ctx, "plug rename");
  if (const int status = OpenSmartHome(link)) return status;
  if (const int status = RequirePlug(link, node)) return status;
  SmartHome& smart = link.Conn().Smart();
  PlugRecord record = smart.Record(node);
  record.name = name;
  smart.WritePlugRecord(node, record);
  const int closed = link.Finish();
  if (closed == kExitOk) ctx.out << "plug " << node << " renamed: " << Utf16ToUtf8(name) << "\n";
  return closed;
}

int ListKeys(const CommandContext& ctx, const KeyFiles& keys, int node) {
  if (!keys.EnsureFolder()) {
    ctx.err << "nrctl plug keys: cannot create the key folder " << Utf8OfPath(keys.Folder()) << "\n";
    return kExitFailure;
  }
  keys.EnsureFile(node);
  const auto slots = keys.Read(node);
  if (!slots) {
    ctx.err << "nrctl plug keys: " << Utf8OfPath(keys.FilePath(node)) << " is not a key file\n";
    return kExitRefused;
  }
  // Numbered as the options take them: key N is the one whose Index is N - 1, wherever the file
  // holds it.
  for (const KeySlot& key : *slots)
    ctx.out << static_cast<long long>(key.index) + 1 << "\t" << TerminalSafe(key.name) << "\t"
            << (key.Learned() ? "learned" : "not learned") << "\n";
  return kExitOk;
}

// Learns or sends one key through the plug and follows its reports.
int RunKeyOperation(const CommandContext& ctx, const KeyFiles& keys, int node, int slot, bool learn,
                    std::chrono::milliseconds timeout) {
  DeviceLink link(ctx, "plug keys");
  if (const int status = OpenSmartHome(link)) return status;
  if (const int status = RequirePlug(link, node)) return status;
  keys.EnsureFolder();
  keys.EnsureFile(node);
  SmartHome& smart = link.Conn().Smart();
  uint64_t cursor = smart.ReportCursor();
  smart.SetPlug(node, (learn ? kLearnKeyBase : kSendKeyBase) + slot);
  std::string failure;
  const Awaited awaited = AwaitReports(link, cursor, timeout, [&](const PlugReport& r) {
    if (r.function == zwave::kSendData && r.status != 0) {
      failure = "the plug did not acknowledge (set timeout)";
      return true;
    }
    if (r.function != zwave::kApplicationCommand || r.node != node) return false;
    switch (r.value) {
      case kKeyReady:
        if (learn) ctx.err << "Ready: press the key on the remote control now...\n";
        return false;
      case kKeyLearned:
        return true;
      case kKeyCheckError: failure = "check error, learn the key again"; return true;
      case kKeyTimeout: failure = "no key was received in time"; return true;
      case kKeySent: return true;
      case kKeyNotSent: failure = "sending the key failed"; return true;
      default: return false;
    }
  });
  if (awaited == Awaited::kLinkLost) {
    if (learn) keys.SetStatus(node, slot, 0);
    return LostWhileWaiting(link);
  }
  if (awaited == Awaited::kTimedOut) {
    smart.Abort(zwave::kSendData);
    failure = learn ? "no key was learned in time; learning stopped" : "the plug did not report in time";
  }
  if (learn) keys.SetStatus(node, slot, failure.empty() ? 1 : 0);
  const int closed = link.Finish();
  if (!failure.empty()) return link.Fail(failure);
  ctx.out << (learn ? "learned key " : "sent key ") << slot + 1 << " (" << TerminalSafe(keys.Name(node, slot)) << ") of plug " << node
          << "\n";
  return closed;
}

int RunPlugKeys(const CommandContext& ctx, const CommandArgs& args) {
  ExpectPositionals(args, 2, 3);
  const int node = ParseNode(args.positional[1]);
  const KeyFiles keys = KeyFolderOf(args);
  const int actions = args.Has("--learn") + args.Has("--send") + args.Has("--rename") + args.Has("--clear");
  if (actions > 1) throw UsageError("give only one of --learn, --send, --rename and --clear");
  if (args.Has("--rename") != (args.positional.size() == 3))
    throw UsageError(args.Has("--rename") ? "--rename SLOT needs the new NAME" : "unexpected argument '" + args.positional.back() + "'");
  if (actions == 0) return ListKeys(ctx, keys, node);
  if (args.Has("--learn") || args.Has("--send")) {
    const bool learn = args.Has("--learn");
    const int slot = ParseKeySlot(args.options.find(learn ? "--learn" : "--send")->second, learn ? "--learn" : "--send");
    return RunKeyOperation(ctx, keys, node, slot, learn, ParseTimeout(args, kDefaultLearnSeconds));
  }
  // Renaming and clearing change the key file only.
  const bool rename = args.Has("--rename");
  const int slot = ParseKeySlot(args.options.find(rename ? "--rename" : "--clear")->second, rename ? "--rename" : "--clear");
  if (rename && args.positional[2].empty()) throw UsageError("the key name must not be empty");
  keys.EnsureFolder();
  keys.EnsureFile(node);
  const bool done = rename ? keys.SetName(node, slot, args.positional[2]) : keys.SetStatus(node, slot, 0);
  if (!done) {
    ctx.err << "nrctl plug keys: " << Utf8OfPath(keys.FilePath(node)) << " could not be changed\n";
    return kExitRefused;
  }
  ctx.out << "key " << slot + 1 << " of plug " << node << ": " << (rename ? args.positional[2] : "not learned") << "\n";
  return kExitOk;
}

int RunPlug(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--json", false},  {"--timeout", true}, {"--keys", true},
                                            {"--learn", true},  {"--send", true},    {"--rename", true},
                                            {"--clear", true}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  if (args.positional.empty()) throw UsageError("which plug command? list, add, remove, on, off, dim, rename or keys");
  const std::string& what = args.positional[0];
  if (what == "list") return RunPlugList(ctx, words.subspan(1));
  if (what == "add") return RunPlugAdd(ctx, args);
  if (what == "remove") return RunPlugRemove(ctx, args);
  if (what == "rename") return RunPlugRename(ctx, args);
  if (what == "keys") return RunPlugKeys(ctx, args);
  if (what == "on" || what == "off") {
    ExpectPositionals(args, 2, 2);
    return RunPlugSet(ctx, ParseNode(args.positional[1]), what == "on" ? kSwitchOn : kPlugOff, what);
  }
  if (what == "dim") {
    ExpectPositionals(args, 3, 3);
    const int level = static_cast<int>(ParseIntegerArg(args.positional[2], "LEVEL", 0, kPlugFullOn));
    return RunPlugSet(ctx, ParseNode(args.positional[1]), level, "level " + std::to_string(level));
  }
  throw UsageError("unknown plug command '" + what + "'");
}

// ---- scene ----

std::string StepLine(const SmartHome& smart, const KeyFiles& keys, SceneStep step) {
  const KeyNameLookup keyName = [&](int node, int slot) { return TerminalSafe(keys.Name(node, slot)); };
  if (step.node == kHdmiStep) return "hdmi";
  if (step.node == kDelayStep) return "delay " + std::to_string(step.value);
  std::string line = std::to_string(step.node) + " " + std::to_string(step.value) + "\t# ";
  if (step.node == kControllerNode) return line + "the controller, not a plug: skipped";
  if (step.node < kFirstPlugNode || step.node > kMaxNode) return line + "not a plug: skipped";
  if (!smart.NodePresent(step.node)) return line + "not in the network: skipped";
  if (!IsSceneValue(step.value)) return line + PlugName(smart, step.node) + ": " + std::to_string(step.value) + ", not a scene value";
  if (step.value >= kSendKeyBase && step.value < kLearnKeyBase) {
    const int slot = step.value - kSendKeyBase;
    const std::string name = keyName(step.node, slot);
    return line + PlugName(smart, step.node) + ": key " + std::to_string(slot + 1) + (name.empty() ? "" : " (" + name + ")");
  }
  return line + PlugName(smart, step.node) + ": " + StepValueText(step, 1, keyName);
}

int SceneArg(const CommandArgs& args) {
  const std::optional<int> scene = ParseSceneName(args.positional[1]);
  if (!scene) throw UsageError("the scene is 0..5 or tv, movie, karaoke, music, poweron, poweroff");
  return *scene;
}

int RunSceneShow(const CommandContext& ctx, const CommandArgs& args) {
  ExpectPositionals(args, 2, 2);
  const int scene = SceneArg(args);
  const KeyFiles keys = KeyFolderOf(args);
  DeviceLink link(ctx, "scene show");
  if (const int status = OpenSmartHome(link)) return status;
  const SmartHome& smart = link.Conn().Smart();
  const Scene steps = smart.GetScene(scene);
  ctx.out << "# scene " << scene << " (" << SceneNameOf(scene).en << ")\n";
  for (const SceneStep& step : steps)
    if (!step.Empty()) ctx.out << StepLine(smart, keys, step) << "\n";
  return link.Finish();
}

int RunSceneRun(const CommandContext& ctx, const CommandArgs& args) {
  ExpectPositionals(args, 2, 2);
  const int scene = SceneArg(args);
  const KeyFiles keys = KeyFolderOf(args);
  DeviceLink link(ctx, "scene run");
  if (const int status = OpenSmartHome(link)) return status;
  SmartHome& smart = link.Conn().Smart();
  uint64_t cursor = smart.ReportCursor();
  const int unanswered = smart.RunScene(scene, [&](int slot, SceneStep step) {
    ctx.err << "step " << slot + 1 << ": " << StepLine(smart, keys, step) << "\n";
  });
  int refused = 0;
  while (const auto report = smart.NextReport(cursor, 0ms))
    refused += report->function == zwave::kSendData && report->status != 0;
  const int closed = link.Finish();
  if (unanswered + refused > 0)
    return link.Fail(std::to_string(unanswered + refused) + " step(s) were not acknowledged by their plug");
  if (closed == kExitOk) ctx.out << "scene " << scene << " (" << SceneNameOf(scene).en << ") done\n";
  return closed;
}

int RunSceneSave(const CommandContext& ctx, const CommandArgs& args) {
  ExpectPositionals(args, 2, 2);
  const int scene = SceneArg(args);
  SceneList list;
  int lineNumber = 0;
  std::string line;
  for (LineRead read; (read = ReadScriptLine(ctx.in, line)) != LineRead::kEnd;) {
    ++lineNumber;
    if (read == LineRead::kTooLong) throw UsageError(TooLongLineText(lineNumber));
    std::string error;
    const std::optional<SceneStep> step = ParseStepLine(line, error);
    if (!error.empty()) throw UsageError("line " + std::to_string(lineNumber) + ": " + error);
    if (step && list.Append(*step) == SceneList::Result::kFull)
      throw UsageError("line " + std::to_string(lineNumber) + ": a scene holds at most 28 steps");
  }
  DeviceLink link(ctx, "scene save");
  if (const int status = link.Open()) return status;
  link.Conn().Smart().SaveScene(scene, list.ToScene());
  const int closed = link.Finish();
  if (closed == kExitOk)
    ctx.out << "scene " << scene << " (" << SceneNameOf(scene).en << "): " << list.Rows() << " step(s) saved\n";
  return closed;
}

int RunScene(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--keys", true}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  if (args.positional.empty()) throw UsageError("which scene command? show, run or save");
  const std::string& what = args.positional[0];
  if (what == "show") return RunSceneShow(ctx, args);
  if (what == "run") return RunSceneRun(ctx, args);
  if (what == "save") return RunSceneSave(ctx, args);
  throw UsageError("unknown scene command '" + what + "'");
}

std::string Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::filesystem::path DefaultKeyFolder() { return DocumentsFolder() / "490" / "Plug"; }

std::optional<int> ParseSceneName(std::string_view text) {
  static const char* const kNames[] = {"tv", "movie", "karaoke", "music", "poweron", "poweroff"};
  for (int k = 0; k < kSceneCount; ++k)
    if (text == std::to_string(k) || text == kNames[k]) return k;
  return std::nullopt;
}

std::optional<SceneStep> ParseStepLine(std::string_view line, std::string& error) {
  error.clear();
  const std::string content = Trim(line.substr(0, line.find('#')));
  if (content.empty()) return std::nullopt;
  std::istringstream in(content);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  try {
    if (words[0] == "hdmi" && words.size() == 1) return SceneStep{kHdmiStep, 0};
    if (words[0] == "delay" && words.size() == 2)
      return SceneStep{kDelayStep, static_cast<uint8_t>(ParseIntegerArg(words[1], "the delay", 1, 255))};
    const int node = static_cast<int>(ParseIntegerArg(words[0], "the node", kFirstPlugNode, kMaxNode));
    int value = -1;
    if (words.size() == 2 && words[1] == "on") value = kPlugFullOn;
    if (words.size() == 2 && words[1] == "off") value = kPlugOff;
    if (words.size() == 3 && words[1] == "key")
      value = kSendKeyBase + static_cast<int>(ParseIntegerArg(words[2], "the key", 1, kKeySlots)) - 1;
    if (words.size() == 2 && value < 0) value = static_cast<int>(ParseNumberArg(words[1], "the value", 0, 255));
    if (value < 0) {
      error = "expected 'NODE VALUE', 'NODE key SLOT', 'delay SECONDS' or 'hdmi', not '" + content + "'";
      return std::nullopt;
    }
    if (!IsSceneValue(value)) {
      error = "the value " + std::to_string(value) +
              " is not a scene value: 0 off, 1..98 a dimmer level, 99 on, 128..191 a learned key";
      return std::nullopt;
    }
    return SceneStep{static_cast<uint8_t>(node), static_cast<uint8_t>(value)};
  } catch (const UsageError& e) {
    error = e.what();
    return std::nullopt;
  }
}

void RegisterSmartHomeCommands(CommandTable& table) {
  table.Add(Command{
      "plug",
      "list, add, remove, switch, dim and rename smart plugs; learn and send their infrared keys",
      "list [--json] | add switch|dimmer NAME | remove | on NODE | off NODE | dim NODE LEVEL |\n"
      "       rename NODE NAME | keys NODE [--learn SLOT | --send SLOT | --rename SLOT NAME | --clear SLOT]",
      "list prints one plug a line: node, type (switch, dimmer, other) and name, tab-separated.\n"
      "add and remove wait for the user to press the plug's button (adding asks twice: the plug is\n"
      "first reset, then added); --timeout S gives up after S seconds (default 60). Names keep at most\n"
      "11 characters.\n"
      "on sends the value FF, off 00, dim LEVEL (0..99); each waits for the controller's confirmation\n"
      "and fails (status 1) when it does not come or the plug does not acknowledge.\n"
      "keys lists the plug's key file (1..32, name, learned or not); --learn SLOT learns a key from a\n"
      "remote control pointed at the plug, --send SLOT sends a learned key; --rename and --clear change\n"
      "the key file only. --keys DIR uses another key folder than the application's\n"
      "(<documents>/490/Plug).\n"
      "Progress of the waits goes to stderr.\n" +
          kSmartNote,
      RunPlug,
  });
  table.Add(Command{
      "scene",
      "show, run or save a smart-home scene",
      "show K | run K | save K < STEPS",
      "K is 0..5 or tv, movie, karaoke, music, poweron, poweroff.\n"
      "show prints the scene's steps in the form save reads, with the plug's name and value as a\n"
      "comment. run carries the steps out one by one (empty slots and absent plugs are skipped),\n"
      "printing each step on stderr; status 1 when a plug did not answer. save reads up to 28 steps\n"
      "from standard input, one a line: 'NODE VALUE' (0 off, 99 on or full level, 1..98 a dimmer\n"
      "level, 128..191 learned key 1..64; also 'on' and 'off'), 'NODE key SLOT' (send learned key\n"
      "1..32), 'delay SECONDS' or 'hdmi'; '#' starts a comment. A bad line (any other value, too) is\n"
      "a usage error and nothing is saved.\n" +
          kSmartNote,
      RunScene,
  });
}

}  // namespace nr::cli
