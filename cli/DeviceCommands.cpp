#include "DeviceCommands.h"

#include <iostream>
#include <ostream>
#include <thread>

#include "DeviceLink.h"
#include "DeviceReport.h"
#include "DeviceWrites.h"
#include "LineInput.h"
#include "ManyHosts.h"
#include "StopSignals.h"
#include "ToolCommands.h"
#include "shell/AtomicFile.h"
#include "shell/ModeFile.h"
#include "shell/PathText.h"

namespace nr::cli {
namespace {

constexpr int kRemoteFileSize = 30;
// A batch keeps at most this many packets waiting, so its writes never run far ahead.
constexpr size_t kBatchWindow = 16;
constexpr std::chrono::milliseconds kMonitorPeriod{500};

const std::string kConnectionNote =
    "\n"
    "Connects over USB unless --net is given, identifies the device and refuses one that speaks\n"
    "another protocol version (exit status 1). Every request waits for its own answer; the\n"
    "goodbye follows the last one. (What the device never answers, such as selecting or storing a\n"
    "slot, waits for nothing.) A device may be slow, but one that leaves a request\n"
    "unanswered for 2 s (three times for the requests of a whole read or write) fails the\n"
    "command. Exit status: 0 done, 1 link failure (no device, refused, no answer, wrong answer,\n"
    "lost, version, an error the device reported), 2 usage, 3 file refused or not written.\n";

void ExpectNoArguments(std::span<const std::string> words) {
  ExpectPositionals(ParseCommandArgs(words, {}), 0, 0);
}

std::string ModeFileReason(const std::string& path, const ModeFileResult& result) {
  // The reasons of files that could not be opened or written name the path themselves.
  if (result.error == ModeFileError::kCannotOpen || result.error == ModeFileError::kCannotWrite) return result.message;
  return path + ": " + result.message;
}

constexpr OptionSpec kJsonOption[] = {{"--json", false}};

// The words of info, status and monitor: --json only. True when it was given.
bool ParseJsonOnly(std::span<const std::string> words) {
  const CommandArgs args = ParseCommandArgs(words, kJsonOption);
  ExpectPositionals(args, 0, 0);
  return args.Has("--json");
}

int RunInfo(const CommandContext& ctx, std::span<const std::string> words) {
  const bool json = ParseJsonOnly(words);
  DeviceLink link(ctx, "info");
  if (const int status = link.Open(true)) return status;
  if (const int status = link.Finish()) return status;
  if (json)
    ctx.out << JsonLine(DeviceInfoJson(link.Model().Snapshot()), 2) << "\n";
  else
    WriteDeviceInfo(ctx.out, link.Model().Snapshot());
  return kExitOk;
}

int RunPull(const CommandContext& ctx, std::span<const std::string> words) {
  const CommandArgs args = ParseCommandArgs(words, {});
  ExpectPositionals(args, 1, 1);
  if (ctx.options.hosts.size() > 1 && args.positional[0].find("%h") == std::string::npos)
    throw UsageError("with several hosts, FILE must hold %h (one file per host: OUT-%h.mode)");
  const std::string path = ExpandHostPattern(args.positional[0], ctx.options);
  DeviceLink link(ctx, "pull");
  link.ShowProgress();
  // The file is written only once the whole command has succeeded.
  if (const int status = link.Open(true)) return status;
  if (const int status = link.Finish()) return status;
  const ModeFileResult written = WriteModeFile(PathFromUtf8(path), link.Model());
  if (!written.ok()) return link.Report(kExitRefused, ModeFileReason(path, written));
  link.ProgressDone();
  return kExitOk;
}

int RunPush(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--store", true}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 1, 1);
  const std::string& path = args.positional[0];
  int slot = -1;
  if (args.Has("--store")) slot = static_cast<int>(ParseNumberArg(args.options.find("--store")->second, "--store", 1, 4)) - 1;

  // Ctrl-C (or SIGTERM) must not leave the device half-written without a word: the write stops
  // after the request under way, and the command says what the device now holds.
  const StopSignals stop;
  DeviceLink link(ctx, "push");
  // A file that will be refused must not cost a connection: check it before connecting.
  {
    DeviceModel scratch;
    const ModeFileResult check = ReadModeFile(PathFromUtf8(path), scratch);
    if (!check.ok()) return link.Report(kExitRefused, ModeFileReason(path, check));
  }
  if (const int status = link.Open()) return status;
  // Read again now that the module is known: the input source is kept within its sources.
  const ModeFileResult read = ReadModeFile(PathFromUtf8(path), link.Model());
  if (!read.ok()) {
    link.Finish();
    return link.Report(kExitRefused, ModeFileReason(path, read));
  }
  if (stop.Requested()) {
    link.Finish();
    return link.Fail("interrupted before the preset was written; the device is unchanged");
  }
  link.Model().Update([&](DeviceState& s) { s.pendingModeSlot = slot; });
  link.ShowProgress();
  const int status = link.WriteAll([&] { return stop.Requested(); });
  if (status != kExitOk) return status;
  if (const int finished = link.Finish()) return finished;
  link.ProgressDone();
  return kExitOk;
}

// set, block, eq and mode: parse everything first, so a usage error never touches the device.
int RunWrite(const CommandContext& ctx, std::string_view name, const WriteRequest& request) {
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, name);
  if (const int status = target->Open()) return status;
  std::string message;
  const int status = ExecuteWrite(*target, request, message);
  if (status == kExitFailure) return status;
  const int closed = target->Finish();
  if (status == kExitUsage) return target->Report(kExitUsage, message);
  return closed;
}

int RunSet(const CommandContext& ctx, std::span<const std::string> words) {
  return RunWrite(ctx, "set", ParseSet(words));
}
int RunBlock(const CommandContext& ctx, std::span<const std::string> words) {
  return RunWrite(ctx, "block", ParseBlock(words));
}
int RunEq(const CommandContext& ctx, std::span<const std::string> words) {
  return RunWrite(ctx, "eq", ParseEq(words));
}
int RunMode(const CommandContext& ctx, std::span<const std::string> words) {
  return RunWrite(ctx, "mode", ParseMode(words));
}

int RunBatch(const CommandContext& ctx, std::span<const std::string> words) {
  ExpectNoArguments(words);
  const std::unique_ptr<WriteTarget> target = MakeWriteTarget(ctx, "batch");
  WriteTarget& link = *target;
  if (const int status = link.Open()) return status;
  bool allGood = true;
  int lineNumber = 0;
  std::string line;
  for (LineRead read; (read = ReadScriptLine(ctx.in, line)) != LineRead::kEnd;) {
    ++lineNumber;
    if (read == LineRead::kTooLong) {
      // No script holds such a line: the input is something else (a binary file, /dev/zero),
      // and reading on would only fill the memory. What was sent so far is finished.
      ctx.err << "nrctl batch: " << TooLongLineText(lineNumber) << "; the rest of the input is not read\n";
      if (const int status = link.Finish()) return status;
      return kExitUsage;
    }
    WriteRequest request;
    std::string message;
    int status = kExitOk;
    try {
      if (!ParseBatchLine(line, request)) continue;
      status = ExecuteWrite(link, request, message);
    } catch (const UsageError& e) {
      status = kExitUsage;
      message = e.what();
    }
    if (status == kExitFailure) {
      ctx.err << "nrctl batch: stopped at line " << lineNumber << "\n";
      return kExitFailure;
    }
    if (status == kExitUsage) {
      ctx.err << "line " << lineNumber << ": " << message << "\n";
      allGood = false;
      continue;
    }
    if (!link.WaitForQueueBelow(kBatchWindow)) {
      ctx.err << "nrctl batch: stopped at line " << lineNumber << "\n";
      return kExitFailure;
    }
  }
  if (ctx.in.bad()) {
    link.Finish();
    return link.Fail("cannot read standard input");
  }
  if (const int status = link.Finish()) return status;
  return allGood ? kExitOk : kExitUsage;
}

// Asks for the live status; a status is printed only from an answer that carried one.
ReplyWaiter::Outcome QueryStatus(DeviceLink& link) {
  return link.QueryAndWait(DeviceQuery::kStatus);
}

std::string_view StatusProblem(ReplyWaiter::Outcome outcome) {
  return outcome == ReplyWaiter::Outcome::kWrongAnswer ? "the device answered the status query wrongly"
                                                       : "the device did not answer the status query";
}

int QueryStatusOnce(DeviceLink& link, std::ostream& out, bool json) {
  const ReplyWaiter::Outcome outcome = QueryStatus(link);
  if (outcome == ReplyWaiter::Outcome::kLinkClosed) return link.Fail("lost the connection");
  if (outcome != ReplyWaiter::Outcome::kAnswered) return link.Fail(StatusProblem(outcome));
  const DeviceStatus status = link.Model().Read([](const DeviceState& s) { return s.status; });
  if (json)
    out << JsonLine(DeviceStatusJson(status), 2) << "\n";
  else
    WriteDeviceStatus(out, status);
  return kExitOk;
}

int RunStatus(const CommandContext& ctx, std::span<const std::string> words) {
  const bool json = ParseJsonOnly(words);
  DeviceLink link(ctx, "status");
  if (const int status = link.Open()) return status;
  const int queried = QueryStatusOnce(link, ctx.out, json);
  if (queried != kExitOk) {
    if (link.Alive()) link.GetLink().Close(true);
    return queried;
  }
  return link.Finish();
}

int RunMonitor(const CommandContext& ctx, std::span<const std::string> words) {
  const bool json = ParseJsonOnly(words);
  const StopSignals stop;
  DeviceLink link(ctx, "monitor");
  if (const int status = link.Open()) return status;
  auto next = std::chrono::steady_clock::now();
  while (!stop.Requested()) {
    const ReplyWaiter::Outcome outcome = QueryStatus(link);
    if (outcome == ReplyWaiter::Outcome::kAnswered) {
      const DeviceStatus status = link.Model().Read([](const DeviceState& s) { return s.status; });
      if (json) {
        ctx.out << JsonLine(DeviceStatusJson(status)) << std::endl;  // one object per line
      } else {
        WriteDeviceStatus(ctx.out, status);
        ctx.out << std::endl;
      }
    } else if (outcome == ReplyWaiter::Outcome::kLinkClosed) {
      return link.Fail("lost the connection");
    } else {
      // Said on both streams: a script reading the samples must not take silence for a reading.
      if (json)
        ctx.out << JsonLine({{"error", StatusProblem(outcome)}}) << std::endl;
      else
        ctx.out << StatusProblem(outcome) << "\n" << std::endl;
      ctx.err << "nrctl monitor: " << StatusProblem(outcome) << "\n";
    }
    next += kMonitorPeriod;
    while (!stop.Requested() && std::chrono::steady_clock::now() < next)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return link.Finish();
}

int RemotePull(const CommandContext& ctx, const std::string& path) {
  DeviceLink link(ctx, "remote");
  if (const int status = link.Open(true)) return status;
  if (const int status = link.Finish()) return status;
  const RemoteCodes codes = link.Model().Read([](const DeviceState& s) { return s.remote; });
  if (const FileError error = WriteFileAtomically(PathFromUtf8(path), codes)) return link.Report(kExitRefused, error.message);
  return kExitOk;
}

int RemotePush(const CommandContext& ctx, const std::string& path) {
  DeviceLink link(ctx, "remote");
  std::vector<uint8_t> bytes;
  const FileError error = ReadFileLimited(PathFromUtf8(path), kRemoteFileSize, bytes);
  if (error && error.problem != FileProblem::kTooLong) return link.Report(kExitRefused, error.message);
  if (error || bytes.size() != static_cast<size_t>(kRemoteFileSize)) {
    const uintmax_t size = error ? error.size : bytes.size();
    return link.Report(kExitRefused, path + ": a remote file holds exactly 30 bytes, this one " + std::to_string(size));
  }
  if (const int status = link.Open()) return status;
  RemoteCodes codes{};
  std::copy(bytes.begin(), bytes.end(), codes.begin());
  link.Conn().Modes().SendRemoteTable(codes);
  return link.Finish();
}

int RunRemote(const CommandContext& ctx, std::span<const std::string> words) {
  if (!words.empty() && words[0] == "learn") return RunRemoteLearn(ctx, words.subspan(1));
  const CommandArgs args = ParseCommandArgs(words, {});
  ExpectPositionals(args, 2, 2);
  const std::string& action = args.positional[0];
  if (action == "pull") return RemotePull(ctx, args.positional[1]);
  if (action == "push") return RemotePush(ctx, args.positional[1]);
  throw UsageError("the remote action is pull, push or learn, not '" + action + "'");
}

}  // namespace

void RegisterDeviceCommands(CommandTable& table) {
  table.Add(Command{
      "info",
      "read the whole device and print its identification, mode and machine settings",
      "[--json]",
      "Reads everything the application reads after connecting and prints:\n"
      "  module: NAME\n"
      "  mcu version: TEXT\n"
      "  dsp version: TEXT\n"
      "  communication version: 24\n"
      "  current mode: M1..M4\n"
      "  machine settings: the 14 bytes in hex\n"
      "  --json  one object: {\"module\", \"mcuVersion\", \"dspVersion\", \"communicationVersion\",\n"
      "          \"currentMode\" (1..4), \"machineSettings\" (the 14 bytes as numbers)}\n" +
          kConnectionNote,
      RunInfo,
  });
  table.Add(Command{
      "pull",
      "read the whole device into a mode file",
      "FILE",
      "Reads every parameter and writes FILE as a mode file (header, image, record EQ). The file is\n"
      "replaced in one step: a failed write (status 3) leaves an earlier file as it was. With several\n"
      "hosts (--net A,B) FILE must hold %h, which becomes each host (followed by -PORT when the\n"
      "port is not the default): nrctl --net 10.0.0.5,10.0.0.6 pull OUT-%h.mode\n" +
          kConnectionNote,
      RunPull,
      false, true,
  });
  table.Add(Command{
      "push",
      "write a mode file into the device, and store it in a mode slot",
      "FILE [--store N]",
      "Checks FILE (a refused file exits with status 3 before connecting), then writes the whole\n"
      "image to the device. Ctrl-C (or SIGTERM) stops the write after the request under way and\n"
      "says what the device now holds (part of the new preset, once any of it went out); the\n"
      "exit status is then 1, as for a link that fails part way.\n"
      "\n"
      "  --store N  afterwards make mode slot N (1..4) current and store the parameters there\n" +
          kConnectionNote,
      RunPush,
      false, true,
  });
  table.Add(Command{
      "set",
      "set one parameter",
      "MODULE INDEX VALUE",
      "MODULE and INDEX in decimal or 0x hexadecimal. VALUE is a whole number for percent, byte and\n"
      "ten-thousandths parameters, a number for float and millisecond parameters. A pair the\n"
      "parameter table does not know, or a record of several words (use block), exits with status 2.\n"
      "So does a value outside what the application's control for the parameter offers (a percent\n"
      "0..100, a live volume 0..99, a switch 0..1, a delay 1.4..100 ms, ...): the message names the\n"
      "range and nothing is written. The echo's right-channel percentages (module 2, indices 0x0B,\n"
      "0x0C, 0x1C, 0x1D) are sent as the echo page sends them, with their sample words.\n"
      "Example: nrctl set 1 0x0E 51\n" +
          kConnectionNote + FileTargetNote(),
      RunSet,
      true, true,
  });
  table.Add(Command{
      "block",
      "write ready-made words to a parameter record",
      "MODULE INDEX WORD...",
      "Each WORD is up to 8 hexadecimal digits (0x optional), sent big-endian; at most 13 words. A\n"
      "block longer than its record exits with status 2; a pair without a record goes to the DSP\n"
      "only.\n" +
          kConnectionNote + FileTargetNote(),
      RunBlock,
      true, true,
  });
  table.Add(Command{
      "eq",
      "design and write one EQ band",
      "SET BAND TYPE FREQ GAIN Q",
      "  SET   EQ set 0..23\n"
      "  BAND  0 .. the set's band slots - 1\n"
      "  TYPE  filter type 0..21 (1 peaking, 2 low-pass, 3 high-pass, 4 low shelf, 5 high shelf)\n"
      "  FREQ  whole hertz, 20..20000\n"
      "  GAIN  dB, -15..15 (a negative gain needs no escaping)\n"
      "  Q     0.1..30 for a peaking band, 0.1..2 for every other type\n"
      "These are the EQ editor's limits: a band outside them exits with status 2 and nothing is\n"
      "written, to the device or to the file.\n" +
          kConnectionNote + FileTargetNote(),
      RunEq,
      true, true,
  });
  table.Add(Command{
      "mode",
      "load, store or restore a device mode slot",
      "load|store|factory N",
      "N is the slot 1..4 (M1..M4). load and factory wait until the device has switched and its\n"
      "parameters have been read again; store saves the running parameters in slot N. In a batch,\n"
      "no write after a mode line reaches the device before it.\n" +
          kConnectionNote,
      RunMode,
      false, true,
  });
  table.Add(Command{
      "batch",
      "send set, block, eq and mode lines from standard input",
      "",
      "One command per line with the syntax of the commands of the same name; '#' starts a comment,\n"
      "blank lines are skipped. Lines are carried out as they are read, as fast as the device takes\n"
      "them. A bad line is reported on stderr as \"line N: reason\" and skipped; the rest still runs.\n"
      "A line longer than 4096 bytes ends the script there (what was sent before it is kept).\n"
      "Exit status 0 when every line was good, 2 when any was bad (after all lines were processed),\n"
      "1 when the link failed or the device left a write unanswered (processing stops there). On a\n"
      "mode file (--file) mode lines are bad lines: a file holds one preset, not the device's slots.\n" +
          kConnectionNote + FileTargetNote(),
      RunBatch,
      true, true, true,
  });
  table.Add(Command{
      "status",
      "query the live status once and print it decoded",
      "[--json]",
      "Prints:\n"
      "  meters: M1 M2 M3 M4 UPPER LOWER\n"
      "  decoder: FORMAT\n"
      "  pitch: SHIFT\n"
      "  mic A: RF n, AF n, channel n, battery n\n"
      "  mic B: RF n, AF n, channel n, battery n\n"
      "  converters: MIC chip, Music chip, CH12 chip, ..., CH78 chip\n"
      "The meters are the six level values (mic 1..4, music upper and lower), FORMAT the input\n"
      "format's name (unknown (N) for numbers the table does not name), SHIFT the key shift.\n"
      "  --json  one object: {\"meters\", \"decoder\" (null when unnamed), \"decoderIndex\",\n"
      "          \"pitch\", \"mics\": [{\"mic\", \"rf\", \"af\", \"channel\", \"battery\"}],\n"
      "          \"converters\": {\"mic\", \"music\", \"outputs\"}}\n" +
          kConnectionNote,
      RunStatus,
  });
  table.Add(Command{
      "monitor",
      "print the live status every 500 ms until interrupted",
      "[--json]",
      "Prints the status block of 'status' followed by a blank line every 500 ms. A query the\n"
      "device does not answer prints \"the device did not answer the status query\" in place of\n"
      "the block (and on stderr). Ctrl-C (or SIGTERM) says goodbye to the device and exits with\n"
      "status 0.\n"
      "  --json  one object per line, as 'status --json' prints it; an unanswered query is\n"
      "          {\"error\": \"the device did not answer the status query\"}\n" +
          kConnectionNote,
      RunMonitor,
  });
  table.Add(Command{
      "remote",
      "save the device's remote-control table to a .remo file, send one, or learn a key",
      "pull|push FILE | learn N [--timeout S] [--file FILE]",
      "pull reads the device and writes its 30-byte remote table to FILE (replaced in one step);\n"
      "push sends FILE, which must hold exactly 30 bytes (else status 3), to the device.\n"
      "The device reports only the first 16 bytes of its table (the identification byte and the\n"
      "codes of functions 1..15): bytes 16..29 of a pulled file are zero, and pushing such a file\n"
      "clears the codes of functions 16..25 in the device.\n"
      "\n" +
          RemoteLearnHelp() +
          kConnectionNote,
      RunRemote,
  });
}

}  // namespace nr::cli
