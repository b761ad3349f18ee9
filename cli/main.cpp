// nrctl: the command-line client. Global options first, then one command from the table that
// the command files fill.
#include <algorithm>
#include <cstdlib>
#include <exception>
#include <optional>
#include <iostream>
#include <span>
#include <string>
#include <vector>

#include "Console.h"
#include "CommandTable.h"
#include "DeviceCommands.h"
#include "Offline.h"
#include "OutputCommands.h"
#include "ToolCommands.h"
#include "SmartHomeCommands.h"
#include "ManyHosts.h"
#include "ProgressLine.h"
#include "nr_version.h"

namespace nr::cli {
namespace {

constexpr std::string_view kGlobalUsage =
    "usage: nrctl [--net HOST[:PORT][,HOST[:PORT]...] | --usb | --file F.mode] [--trace] [--quiet]\n"
    "             COMMAND [ARGUMENTS...]\n"
    "       nrctl COMMAND --help\n";

void PrintHelp(const CommandTable& table, std::ostream& out) {
  out << kGlobalUsage << "\n"
      << "Options:\n"
      << "  --net HOST[:PORT]  reach the device over the network (port " << kDefaultNetPort
      << " unless given;\n"
      << "                     an IPv6 address with a port goes in brackets: [::1]:" << kDefaultNetPort << ")\n"
      << "  --net H1,H2,...    several devices at once (push, pull, set, batch, mode): each in\n"
      << "                     parallel, its lines prefixed with its host, the exit status the\n"
      << "                     highest of all\n"
      << "  --usb              reach the device over USB\n"
      << "  --file F.mode      edit a mode file instead of a device (the commands that change a\n"
      << "                     preset; also after the command's own arguments)\n"
      << "  --trace            print the link traces on stderr (also NRTUNE_TRACE=1)\n"
      << "  -q, --quiet        no progress line: on a terminal, push and pull show how far they\n"
      << "                     have come on one line of stderr; in a pipe they never do\n"
      << "  -h, --help         show this help\n"
      << "  --version          print the program's version\n"
      << "\nCommands:\n";
  const std::vector<const Command*> commands = table.Sorted();
  size_t width = 0;
  for (const Command* c : commands) width = std::max(width, c->name.size());
  for (const Command* c : commands)
    out << "  " << c->name << std::string(width - c->name.size() + 2, ' ') << c->summary << "\n";
  out << "\nExit status: 0 success, 1 failure, 2 usage error, 3 input file refused.\n";
}

NetHost ParseNetTarget(std::string_view text) {
  std::string_view host = text;
  std::string_view port;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string_view::npos) throw UsageError("--net: missing ']' in '" + std::string(text) + "'");
    host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') throw UsageError("--net: unexpected text after ']' in '" + std::string(text) + "'");
      port = rest.substr(1);
      if (port.empty()) throw UsageError("--net: missing port after ':'");
    }
  } else if (const size_t colon = text.find(':');
             colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
    // Exactly one colon separates host and port; more than one is an IPv6 address without port.
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (port.empty()) throw UsageError("--net: missing port after ':'");
  }
  if (host.empty()) throw UsageError("--net: missing host");
  NetHost target{std::string(host), kDefaultNetPort};
  if (!port.empty()) target.port = static_cast<uint16_t>(ParseIntegerArg(port, "--net: the port", 1, 65535));
  return target;
}

// "HOST[:PORT],HOST[:PORT]...": one device or several (an IPv6 address holds no comma). A device
// named twice would turn one of its two runs away (it serves one client at a time), and both
// would write the same file: that is refused.
void ParseNetTargets(std::string_view text, GlobalOptions& options) {
  options.transport = GlobalOptions::Transport::kNet;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const NetHost target = ParseNetTarget(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    for (const NetHost& earlier : options.hosts)
      if (earlier.host == target.host && earlier.port == target.port)
        throw UsageError("--net names " + target.host + ":" + std::to_string(target.port) + " twice");
    options.hosts.push_back(target);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  options.host = options.hosts.front().host;
  options.port = options.hosts.front().port;
}

struct Invocation {
  GlobalOptions options;
  bool help = false;
  bool version = false;
  std::string command;
  std::vector<std::string> args;
};

Invocation ParseInvocation(std::span<const std::string> words) {
  Invocation inv;
  bool transportGiven = false;
  auto chooseTransport = [&](std::string_view option) {
    if (transportGiven)
      throw UsageError("give only one of --net, --usb and --file (" + std::string(option) + " repeats the choice)");
    transportGiven = true;
  };
  // "--name VALUE" or "--name=VALUE".
  auto valueOf = [&](size_t& i, std::string_view name, std::string_view what) {
    const std::string& w = words[i];
    if (w != name) return w.substr(name.size() + 1);
    if (i + 1 >= words.size()) throw UsageError(std::string(name) + " needs " + std::string(what));
    return words[++i];
  };
  size_t i = 0;
  for (; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w == "--") {
      ++i;
      break;
    }
    if (w.empty() || w.front() != '-') break;
    if (w == "--help" || w == "-h") {
      inv.help = true;
    } else if (w == "--version") {
      inv.version = true;
    } else if (w == "--file" || w.starts_with("--file=")) {
      chooseTransport("--file");
      inv.options.file = valueOf(i, "--file", "a mode file");
      if (inv.options.file.empty()) throw UsageError("--file needs a mode file");
    } else if (w == "--usb") {
      chooseTransport(w);
      inv.options.transport = GlobalOptions::Transport::kUsb;
    } else if (w == "--trace") {
      inv.options.trace = true;
    } else if (w == "--quiet" || w == "-q") {
      inv.options.quiet = true;
    } else if (w == "--net" || w.starts_with("--net=")) {
      chooseTransport("--net");
      ParseNetTargets(valueOf(i, "--net", "HOST[:PORT]"), inv.options);
    } else {
      throw UsageError("unknown option '" + w + "'");
    }
  }
  if (i < words.size()) {
    inv.command = words[i];
    inv.args.assign(words.begin() + static_cast<std::ptrdiff_t>(i) + 1, words.end());
  }
  if (const char* env = std::getenv("NRTUNE_TRACE"); env && std::string_view(env) == "1") inv.options.trace = true;
  return inv;
}

// --file after the command's own words (also "--file=F"), for the commands that edit files.
std::optional<std::string> TakeFileOption(std::vector<std::string>& args) {
  std::optional<std::string> file;
  for (size_t i = 0; i < args.size() && args[i] != "--";) {
    std::string value;
    if (args[i] == "--file") {
      if (i + 1 >= args.size()) throw UsageError("--file needs a mode file");
      value = args[i + 1];
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    } else if (args[i].starts_with("--file=")) {
      value = args[i].substr(7);
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
      continue;
    }
    if (value.empty()) throw UsageError("--file needs a mode file");
    if (file) throw UsageError("--file given twice");
    file = value;
  }
  return file;
}

// Whether the command can work on what the options name: a file, or several hosts.
void CheckTargets(const Command& command, Invocation& inv) {
  GlobalOptions& o = inv.options;
  if (command.editsFiles) {
    if (const std::optional<std::string> file = TakeFileOption(inv.args)) {
      if (!o.file.empty()) throw UsageError("--file given twice");
      if (o.transport != GlobalOptions::Transport::kDefault) throw UsageError("give --file or a link (--net, --usb), not both");
      o.file = *file;
    }
  } else if (!o.file.empty()) {
    throw UsageError("works on a device only: --file is for the commands that change a preset (see nrctl --help)");
  }
  if (o.hosts.size() > 1 && !command.manyHosts)
    throw UsageError("works on one device at a time: several hosts are for push, pull, set, batch and mode");
}

int RunCommandLine(const CommandTable& table, std::span<const std::string> words, std::ostream& out,
                   std::ostream& err, bool errIsTerminal) {
  Invocation inv;
  try {
    inv = ParseInvocation(words);
  } catch (const UsageError& e) {
    err << "nrctl: " << e.what() << "\n" << kGlobalUsage;
    return kExitUsage;
  }
  if (inv.help && inv.command.empty()) {
    PrintHelp(table, out);
    return kExitOk;
  }
  if (inv.version && inv.command.empty()) {
    out << "nrctl " << kProgramVersion << "\n";
    return kExitOk;
  }
  if (inv.command.empty()) {
    err << "nrctl: no command given\n" << kGlobalUsage << "Run 'nrctl --help' for the list of commands.\n";
    return kExitUsage;
  }
  const Command* command = table.Find(inv.command);
  if (!command) {
    err << "nrctl: unknown command '" << inv.command << "'\nRun 'nrctl --help' for the list of commands.\n";
    return kExitUsage;
  }
  if (inv.help || AsksForHelp(inv.args)) {
    out << UsageText(*command);
    return kExitOk;
  }
  try {
    CheckTargets(*command, inv);
  } catch (const UsageError& e) {
    err << "nrctl " << command->name << ": " << e.what() << "\n";
    return kExitUsage;
  }

  StderrTrace traceSink;
  TraceSink* trace = inv.options.trace ? &traceSink : nullptr;
  // Traces share stderr with the line: they would tear it apart.
  ProgressLine progress(err, errIsTerminal && !inv.options.quiet && !trace, ProgressLine::StderrWidth());
  progress.SetTitle(command->name);
  if (inv.options.hosts.size() > 1)
    return RunOnEveryHost(*command, inv.options, inv.args, out, err, std::cin, trace, &progress);
  const CommandContext context{inv.options, out, err, std::cin, trace, &progress, ""};
  return RunCommand(*command, context, inv.args);
}

}  // namespace
}  // namespace nr::cli

int main(int argc, char** argv) {
  nr::cli::PrepareConsole();
  const std::vector<std::string> words = nr::cli::CommandLineWords(argc, argv);
  nr::cli::CommandTable table;
  nr::cli::RegisterOfflineCommands(table);
  nr::cli::RegisterDeviceCommands(table);
  nr::cli::RegisterOutputCommands(table);
  nr::cli::RegisterMachineCommands(table);
  nr::cli::RegisterInputCommands(table);
  nr::cli::RegisterAdvancedEqCommands(table);
  nr::cli::RegisterEqListCommands(table);
  nr::cli::RegisterDiffCommand(table);
  nr::cli::RegisterScanCommand(table);
  nr::cli::RegisterVenueCommand(table);
  nr::cli::RegisterSmartHomeCommands(table);
  return nr::cli::RunCommandLine(table, words, std::cout, std::cerr, nr::cli::ProgressLine::StderrIsTerminal());
}
