// nrctl: the command-line client. Global options first, then one command from the table that
// the command files fill.
#include <algorithm>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <span>
#include <string>
#include <vector>

#include "CommandTable.h"
#include "DeviceCommands.h"
#include "Offline.h"
#include "OutputCommands.h"
#include "ToolCommands.h"
#include "SmartHomeCommands.h"

namespace nr::cli {
namespace {

constexpr std::string_view kGlobalUsage =
    "usage: nrctl [--net HOST[:PORT] | --usb] [--trace] COMMAND [ARGUMENTS...]\n"
    "       nrctl COMMAND --help\n";

void PrintHelp(const CommandTable& table, std::ostream& out) {
  out << kGlobalUsage << "\n"
      << "Options:\n"
      << "  --net HOST[:PORT]  reach the device over the network (port " << kDefaultNetPort
      << " unless given;\n"
      << "                     an IPv6 address with a port goes in brackets: [::1]:" << kDefaultNetPort << ")\n"
      << "  --usb              reach the device over USB\n"
      << "  --trace            print the link traces on stderr (also NRTUNE_TRACE=1)\n"
      << "  -h, --help         show this help\n"
      << "\nCommands:\n";
  const std::vector<const Command*> commands = table.Sorted();
  size_t width = 0;
  for (const Command* c : commands) width = std::max(width, c->name.size());
  for (const Command* c : commands)
    out << "  " << c->name << std::string(width - c->name.size() + 2, ' ') << c->summary << "\n";
  out << "\nExit status: 0 success, 1 failure, 2 usage error, 3 input file refused.\n";
}

void ParseNetTarget(std::string_view text, GlobalOptions& options) {
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
  options.transport = GlobalOptions::Transport::kNet;
  options.host = std::string(host);
  if (!port.empty()) options.port = static_cast<uint16_t>(ParseIntegerArg(port, "--net: the port", 1, 65535));
}

struct Invocation {
  GlobalOptions options;
  bool help = false;
  std::string command;
  std::vector<std::string> args;
};

Invocation ParseInvocation(std::span<const std::string> words) {
  Invocation inv;
  bool transportGiven = false;
  auto chooseTransport = [&](std::string_view option) {
    if (transportGiven) throw UsageError("give only one of --net and --usb (" + std::string(option) + " repeats the choice)");
    transportGiven = true;
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
    } else if (w == "--usb") {
      chooseTransport(w);
      inv.options.transport = GlobalOptions::Transport::kUsb;
    } else if (w == "--trace") {
      inv.options.trace = true;
    } else if (w == "--net" || w.starts_with("--net=")) {
      chooseTransport("--net");
      std::string target;
      if (w == "--net") {
        if (i + 1 >= words.size()) throw UsageError("--net needs HOST[:PORT]");
        target = words[++i];
      } else {
        target = w.substr(6);
      }
      ParseNetTarget(target, inv.options);
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

int RunCommandLine(const CommandTable& table, std::span<const std::string> words, std::ostream& out,
                   std::ostream& err) {
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

  StderrTrace traceSink;
  const CommandContext context{inv.options, out, err, inv.options.trace ? &traceSink : nullptr};
  int status = kExitFailure;
  try {
    status = command->run(context, inv.args);
  } catch (const UsageError& e) {
    err << "nrctl " << command->name << ": " << e.what() << "\n"
        << "usage: nrctl " << command->name << " " << command->synopsis << "\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    err << "nrctl " << command->name << ": " << e.what() << "\n";
    return kExitFailure;
  }
  // A full disk or a closed pipe must not pass for success.
  out.flush();
  if (!out) {
    err << "nrctl " << command->name << ": cannot write the output\n";
    return status == kExitOk ? kExitFailure : status;
  }
  return status;
}

}  // namespace
}  // namespace nr::cli

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  nr::cli::CommandTable table;
  nr::cli::RegisterOfflineCommands(table);
  nr::cli::RegisterDeviceCommands(table);
  nr::cli::RegisterOutputCommands(table);
  nr::cli::RegisterMachineCommands(table);
  nr::cli::RegisterInputCommands(table);
  nr::cli::RegisterAdvancedEqCommands(table);
  nr::cli::RegisterSmartHomeCommands(table);
  return nr::cli::RunCommandLine(table, words, std::cout, std::cerr);
}
