// nrctl machine and nrctl remote learn: the machine-settings record and remote-key learning.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "DeviceLink.h"
#include "StopSignals.h"
#include "ToolCommands.h"
#include "shell/MachineSettings.h"
#include "shell/RemoteTable.h"
#include "shell/PathText.h"

namespace nr::cli {
namespace {

using Json = nlohmann::ordered_json;

constexpr VolumeChannel kChannels[] = {VolumeChannel::kMic, VolumeChannel::kMusic};
constexpr const char* kChannelNames[] = {"mic", "music"};
constexpr double kLongestLearnWait = 24 * 3600.0;  // seconds

// What `nrctl machine` was asked to change; unset items stay as the device has them.
struct MachineRequest {
  std::optional<bool> saveByMode;
  std::optional<int> start[2];  // 0: off
  std::optional<int> max[2];
  std::optional<bool> panelLock, volumeLock, modeLock, hdmiMute;
  std::optional<int> powerOnMode;
  std::optional<SurroundRoute> route;
  bool json = false;

  bool Changes() const {
    return saveByMode || start[0] || start[1] || max[0] || max[1] || panelLock || volumeLock || modeLock ||
           hdmiMute || powerOnMode || route;
  }
};

MachineRequest ParseMachine(std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {
      {"--mic-start", true},  {"--music-start", true}, {"--mic-max", true},   {"--music-max", true},
      {"--panel-lock", true}, {"--volume-lock", true}, {"--mode-lock", true}, {"--save-by", true},
      {"--power-on", true},   {"--hdmi-mute", true},   {"--route", true},     {"--json", false},
  };
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 0, 0);
  MachineRequest r;
  for (int c = 0; c < 2; ++c) {
    const std::string channel = kChannelNames[c];
    if (const std::string* v = args.Value("--" + channel + "-start"))
      r.start[c] = *v == "off" ? 0 : static_cast<int>(ParseIntegerArg(*v, "--" + channel + "-start", 1, machine::kVolumeMax));
    if (const std::string* v = args.Value("--" + channel + "-max"))
      r.max[c] = static_cast<int>(ParseIntegerArg(*v, "--" + channel + "-max", 0, machine::kVolumeMax));
  }
  if (const std::string* v = args.Value("--panel-lock")) r.panelLock = ParseOnOff(*v, "--panel-lock");
  if (const std::string* v = args.Value("--volume-lock")) r.volumeLock = ParseOnOff(*v, "--volume-lock");
  if (const std::string* v = args.Value("--mode-lock")) r.modeLock = ParseOnOff(*v, "--mode-lock");
  if (const std::string* v = args.Value("--hdmi-mute")) r.hdmiMute = ParseOnOff(*v, "--hdmi-mute");
  if (const std::string* v = args.Value("--save-by")) {
    if (*v != "power" && *v != "mode") throw UsageError("--save-by is power or mode, not '" + *v + "'");
    r.saveByMode = *v == "mode";
  }
  if (const std::string* v = args.Value("--power-on")) {
    if (*v == "auto") {
      r.powerOnMode = 0;
    } else if (v->size() == 2 && ((*v)[0] == 'M' || (*v)[0] == 'm') && (*v)[1] >= '1' && (*v)[1] <= '4') {
      r.powerOnMode = (*v)[1] - '0';
    } else {
      throw UsageError("--power-on is auto or M1..M4, not '" + *v + "'");
    }
  }
  if (const std::string* v = args.Value("--route")) {
    if (*v == "sl-sr") r.route = SurroundRoute::kSide;
    else if (*v == "sbl-sbr") r.route = SurroundRoute::kBack;
    else if (*v == "both") r.route = SurroundRoute::kBoth;
    else throw UsageError("--route is sl-sr, sbl-sbr or both, not '" + *v + "'");
  }
  r.json = args.Has("--json");
  return r;
}

std::string PowerOnName(int mode) {
  if (mode == 0) return "auto";
  if (mode >= 1 && mode <= 4) return "M" + std::to_string(mode);
  return "unknown (" + std::to_string(mode) + ")";
}

std::string RouteName(const MachineSettingsView& v, const MachineSettings& s) {
  if (!v.route) return "unknown (" + std::to_string(s[machine::kOutputOptions] >> 4) + ")";
  switch (*v.route) {
    case SurroundRoute::kSide:
      return "SL/SR";
    case SurroundRoute::kBack:
      return "SBL/SBR";
    case SurroundRoute::kBoth:
      return "SL/SR and SBL/SBR";
  }
  return "";
}

std::string OnOff(bool on) { return on ? "on" : "off"; }
std::string StartVolume(int v) { return v == 0 ? "off" : std::to_string(v); }

void WriteMachineSettings(std::ostream& out, const MachineSettings& s, bool json) {
  const MachineSettingsView v = DecodeMachineSettings(s);
  if (json) {
    Json j;
    j["saveBy"] = v.saveByMode ? "mode" : "power";
    j["micStart"] = v.micStart == 0 ? Json(nullptr) : Json(v.micStart);
    j["musicStart"] = v.musicStart == 0 ? Json(nullptr) : Json(v.musicStart);
    j["micMax"] = v.micMax;
    j["musicMax"] = v.musicMax;
    j["panelLock"] = v.panelLock;
    j["volumeLock"] = v.volumeLock;
    j["modeLock"] = v.modeLock;
    j["powerOn"] = PowerOnName(v.powerOnMode);
    j["hdmiMute"] = v.hdmiMute;
    j["route"] = RouteName(v, s);
    Json bytes = Json::array();
    for (uint8_t b : s) bytes.push_back(b);
    j["bytes"] = bytes;
    out << j.dump(2) << "\n";
    return;
  }
  out << "volume save: by " << (v.saveByMode ? "mode" : "power") << "\n"
      << "mic start volume: " << StartVolume(v.micStart) << "\n"
      << "music start volume: " << StartVolume(v.musicStart) << "\n"
      << "mic maximum: " << v.micMax << "\n"
      << "music maximum: " << v.musicMax << "\n"
      << "panel lock: " << OnOff(v.panelLock) << "\n"
      << "volume lock: " << OnOff(v.volumeLock) << "\n"
      << "mode lock: " << OnOff(v.modeLock) << "\n"
      << "power-on mode: " << PowerOnName(v.powerOnMode) << "\n"
      << "hdmi mute: " << OnOff(v.hdmiMute) << "\n"
      << "surround route: " << RouteName(v, s) << "\n";
}

// A start volume must fit under the maximum it will have; checked before anything is sent.
std::string CheckStartVolumes(const MachineRequest& r, const MachineSettings& current) {
  for (int c = 0; c < 2; ++c) {
    if (!r.start[c] || *r.start[c] == 0) continue;
    const int max = r.max[c].value_or(current[static_cast<size_t>(MaxVolumeByte(kChannels[c]))]);
    if (*r.start[c] > max) {
      return std::string("the ") + kChannelNames[c] + " start volume " + std::to_string(*r.start[c]) +
             " is above the " + kChannelNames[c] + " maximum " + std::to_string(max);
    }
  }
  return {};
}

void ApplyMachineRequest(DeviceSession& session, const MachineRequest& r) {
  DeviceModel& model = session.Model();
  model.Update([](DeviceState& s) { s.machineEdit = s.machine; });
  if (r.saveByMode) EditMachineSettings(model, [&](MachineSettings& s) { SetSaveByMode(s, *r.saveByMode); });
  for (int c = 0; c < 2; ++c)
    if (r.max[c]) MoveMaxVolume(session, kChannels[c], *r.max[c]);
  for (int c = 0; c < 2; ++c) {
    if (!r.start[c]) continue;
    if (*r.start[c] == 0)
      EnableStartVolume(session, kChannels[c], false);
    else
      MoveStartVolume(session, kChannels[c], *r.start[c]);
  }
  EditMachineSettings(model, [&](MachineSettings& s) {
    if (r.panelLock) SetPanelLock(s, *r.panelLock);
    if (r.volumeLock) SetVolumeLock(s, *r.volumeLock);
    if (r.modeLock) SetModeLock(s, *r.modeLock);
    if (r.powerOnMode) SetPowerOnMode(s, *r.powerOnMode);
    if (r.hdmiMute) SetHdmiMute(s, *r.hdmiMute);
    if (r.route) SetSurroundRoute(s, *r.route);
  });
  ApplyMachineSettings(session);
}

int RunMachine(const CommandContext& ctx, std::span<const std::string> words) {
  const MachineRequest request = ParseMachine(words);
  DeviceLink link(ctx, "machine");
  if (const int status = link.Open()) return status;
  if (link.QueryAndWait(DeviceQuery::kMachineSettings) != ReplyWaiter::Outcome::kAnswered) {
    if (!link.Alive()) return link.Fail("lost the connection");
    link.GetLink().Close(true);
    return link.Fail("the device did not answer the machine-settings query");
  }
  if (request.Changes()) {
    const MachineSettings current = link.Model().Read([](const DeviceState& s) { return s.machine; });
    if (const std::string refused = CheckStartVolumes(request, current); !refused.empty()) {
      link.Finish();
      return link.Report(kExitUsage, refused);
    }
    ApplyMachineRequest(link.Session(), request);
  }
  const int status = link.Finish();
  if (status != kExitOk) return status;
  WriteMachineSettings(ctx.out, link.Model().Read([](const DeviceState& s) { return s.machine; }), request.json);
  return kExitOk;
}

std::optional<std::chrono::milliseconds> ParseTimeout(const CommandArgs& args) {
  const auto it = args.options.find("--timeout");
  if (it == args.options.end()) return std::nullopt;
  const double seconds = ParseFiniteArg(it->second, "--timeout");
  if (seconds <= 0 || seconds > kLongestLearnWait) throw UsageError("--timeout must be above 0 and at most 86400 seconds");
  return std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0 + 0.5));
}

}  // namespace

std::string RemoteLearnHelp() {
  return "learn N asks the device to learn the key of function N (1..25: 1 Power, 2 Home, 3 Input,\n"
         "4..7 Up, Down, Left, Right, 8 OK, 9 Menu, 10 Mute, 11 Esc, 12/13 Mic Vol+/-, 14/15 Effect\n"
         "Vol+/-, 16/17 Music Vol+/-, 18 Record, 19..22 Mode1..4, 23 UP Tone, 24 Org Tone, 25 Down\n"
         "Tone), waits until the key is pressed on the remote, prints its code in hex (\"C4\") and\n"
         "sends the remote table so the device keeps it. Ctrl-C, or no key within --timeout S\n"
         "seconds, stops the learning (61) and exits with status 1.\n"
         "  --file FILE  start from the table in FILE (a shorter file gives only its own bytes) and\n"
         "               save the table there afterwards; without it the codes of functions 16..25\n"
         "               the device does not report are sent as 0, except the one just learned\n";
}

int RunRemoteLearn(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--timeout", true}, {"--file", true}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 1, 1);
  const int function = static_cast<int>(ParseIntegerArg(args.positional[0], "the function", 1, kRemoteFunctionCount));
  const std::optional<std::chrono::milliseconds> timeout = ParseTimeout(args);
  std::optional<std::filesystem::path> file;
  if (const auto it = args.options.find("--file"); it != args.options.end()) file = PathFromUtf8(it->second);

  DeviceLink link(ctx, "remote");
  // A file that cannot be read is refused before the device is bothered.
  RemoteCodes probe{};
  std::error_code ec;
  if (file && std::filesystem::exists(*file, ec)) {
    if (const FileError error = ReadRemoteFile(*file, probe)) return link.Report(kExitRefused, error.message);
  }

  const StopSignals stop;
  if (const int status = link.Open()) return status;
  if (link.QueryAndWait(DeviceQuery::kRemoteTable) != ReplyWaiter::Outcome::kAnswered) {
    if (!link.Alive()) return link.Fail("lost the connection");
    link.GetLink().Close(true);
    return link.Fail("the device did not answer the remote-table query");
  }
  if (file && std::filesystem::exists(*file, ec)) {
    RemoteCodes table = link.Model().Read([](const DeviceState& s) { return s.remote; });
    if (const FileError error = ReadRemoteFile(*file, table)) {
      link.Finish();
      return link.Report(kExitRefused, error.message);
    }
    link.Model().Update([&](DeviceState& s) { s.remote = table; });
  }

  const RemoteFunction& names = RemoteFunctions()[static_cast<size_t>(function - 1)];
  ctx.err << "nrctl remote: press the " << names.captionEn << " key on the remote (Ctrl-C stops)" << std::endl;
  StartRemoteLearning(link.Session(), function);
  const std::optional<int> code = link.AwaitRemoteKey(timeout, [&] { return stop.Requested(); });
  if (!code) {
    if (!link.Alive()) return link.Fail("lost the connection while learning");
    StopRemoteLearning(link.Session());
    link.Finish();
    return link.Fail(stop.Requested() ? "stopped before a key was learned" : "no key was learned in time");
  }
  char text[4];
  std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(*code) & 0xFFu);
  ctx.out << text << "\n";
  SendRemoteTable(link.Session());
  if (const int status = link.Finish()) return status;
  if (file) {
    const RemoteCodes table = link.Model().Read([](const DeviceState& s) { return s.remote; });
    if (const FileError error = WriteRemoteFile(*file, table)) return link.Report(kExitRefused, error.message);
  }
  return kExitOk;
}

void RegisterMachineCommands(CommandTable& table) {
  table.Add(Command{
      "machine",
      "show or change the machine settings (start and maximum volumes, locks, power-on mode, routing)",
      "[--mic-start V|off] [--music-start V|off] [--mic-max V] [--music-max V] [--panel-lock on|off]\n"
      "       [--volume-lock on|off] [--mode-lock on|off] [--save-by power|mode] [--power-on auto|M1..M4]\n"
      "       [--hdmi-mute on|off] [--route sl-sr|sbl-sbr|both] [--json]",
      "Reads the device's machine settings and prints them. With options, changes them as the\n"
      "machine-settings window does and sends the record (91 and 14 bytes):\n"
      "  --mic-start V, --music-start V  start volume 1..99 (off: none); the live volume follows\n"
      "  --mic-max V, --music-max V      maximum 0..99, also the limit of the live volume; a start\n"
      "                                  volume above it comes down with it\n"
      "  --save-by power|mode            volumes kept over power cycles, or per mode\n"
      "  --power-on auto|M1..M4          the mode the device starts in\n"
      "  --route sl-sr|sbl-sbr|both      where DTS/AC3 surround goes\n"
      "A start volume above its maximum exits with status 2 and changes nothing.\n"
      "Exit status: 0 done, 1 link failure, 2 usage.\n",
      RunMachine,
  });
}

}  // namespace nr::cli
