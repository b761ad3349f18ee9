#pragma once
// The commands nrctl knows, and the small argument helpers they share. Each command file
// provides one registration function (RegisterOfflineCommands, ...) that adds its commands to the
// table; main() calls each, parses the global options and dispatches.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "link/Trace.h"

namespace nr::cli {

class ProgressLine;

// Exit statuses, shared by every command so scripts can tell the cases apart.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the command ran and failed (I/O, device, link)
inline constexpr int kExitUsage = 2;    // unknown command or option, missing or malformed argument
inline constexpr int kExitRefused = 3;  // an input file was refused (wrong size or version, unreadable)

inline constexpr uint16_t kDefaultNetPort = 30303;

struct NetHost {
  std::string host;
  uint16_t port = kDefaultNetPort;
};

// Options given before the command name. Offline commands ignore them.
struct GlobalOptions {
  enum class Transport { kDefault, kNet, kUsb };
  Transport transport = Transport::kDefault;
  std::string host;                // with kNet: the device this run talks to
  uint16_t port = kDefaultNetPort;  // with kNet
  std::vector<NetHost> hosts;       // with kNet: every host --net names (commands run on each)
  std::string file;                 // --file: a mode file takes the device's place
  bool trace = false;
  bool quiet = false;               // --quiet: no progress line, even on a terminal
};

// What a running command gets besides its arguments.
struct CommandContext {
  const GlobalOptions& options;
  std::ostream& out;
  std::ostream& err;
  std::istream& in;            // what batch commands read
  TraceSink* trace = nullptr;  // a stderr sink with --trace, otherwise none
  // The progress line on stderr (drawing nothing where it is not shown), and this run's part of
  // it: "" on one device, the host's label when several run at once. Null in tests that need none.
  ProgressLine* progress = nullptr;
  std::string progressPart{};
};

// Thrown by a command (or the helpers below) for a usage mistake: main prints the message and
// the command's usage on stderr and exits with kExitUsage.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// args are the words after the command name. Returns the exit status.
using CommandHandler = std::function<int(const CommandContext&, std::span<const std::string> args)>;

struct Command {
  std::string name;
  std::string summary;   // one line for `nrctl --help`
  std::string synopsis;  // the arguments after the name, e.g. "FILE [--json]"
  std::string details;   // further lines of `nrctl NAME --help`; may be empty
  CommandHandler run;
  bool editsFiles = false;  // takes --file F.mode in place of a device
  bool manyHosts = false;   // runs on every host of a --net list at once
  bool readsInput = false;  // reads standard input (given to each host whole)
};

class CommandTable {
 public:
  // Names are unique: registering one twice is a programming error (std::logic_error).
  void Add(Command command);
  const Command* Find(std::string_view name) const;
  // In name order, for the command list.
  std::vector<const Command*> Sorted() const;

 private:
  std::vector<Command> commands_;
};

// Runs a command as main does: a UsageError is printed with the command's usage (kExitUsage),
// any other exception as a failure; a failure to write the output fails a command that
// succeeded.
int RunCommand(const Command& command, const CommandContext& ctx, std::span<const std::string> args);

// Full usage text of a command: "usage: nrctl NAME SYNOPSIS", then its details.
std::string UsageText(const Command& command);

// A command's arguments split into positional words and the options it accepts. Options are
// words beginning with "--" (or "-" and a letter); "--name=value" and "--name value" both work
// for options that take a value. A word that reads as a number ("-3", "-0.5") is positional, so
// negative gains need no escaping; "--" ends the options.
struct OptionSpec {
  std::string_view name;  // with its dashes, e.g. "--json"
  bool takesValue = false;
};

struct CommandArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string, std::less<>> options;  // flags map to ""

  bool Has(std::string_view name) const { return options.find(name) != options.end(); }
  // The value of an option given, or nullptr.
  const std::string* Value(std::string_view name) const {
    const auto it = options.find(name);
    return it == options.end() ? nullptr : &it->second;
  }
};

CommandArgs ParseCommandArgs(std::span<const std::string> args, std::span<const OptionSpec> accepted);

// Throws UsageError unless the number of positional words is within [min, max].
void ExpectPositionals(const CommandArgs& args, size_t min, size_t max);

// Whole-word numbers; what names the argument in the message of the UsageError they throw.
long long ParseIntegerArg(std::string_view text, std::string_view what, long long min, long long max);
double ParseFiniteArg(std::string_view text, std::string_view what);

// "1,3,2": output channels 1..8, returned 0-based in the order given, each once. what names the
// argument in the UsageError.
std::vector<int> ParseChannelList(std::string_view text, std::string_view what);

// A word as messages quote it: 'word'.
std::string Quoted(std::string_view text);

// True for "--help" or "-h" among the words before "--".
bool AsksForHelp(std::span<const std::string> args);

// Options that take several values ("--low F G") or may be given more than once ("--level K V"
// per source). Every use is kept, in the order given. The words after the option name are its
// values whatever they look like, so negative numbers need no escaping; "--" ends the options.
struct ValuesOptionSpec {
  std::string_view name;
  int values = 0;
  bool repeatable = false;
};

struct OptionUse {
  std::string name;
  std::vector<std::string> values;
};

struct OptionList {
  std::vector<std::string> positional;
  std::vector<OptionUse> uses;

  // The first use of the option, or nullptr.
  const OptionUse* Find(std::string_view name) const;
  bool Empty() const { return uses.empty(); }
};

OptionList ParseOptionList(std::span<const std::string> args, std::span<const ValuesOptionSpec> accepted);

// "on" or "off" (also "1"/"0", "yes"/"no"); what names the option in the UsageError.
bool ParseOnOff(std::string_view text, std::string_view what);

}  // namespace nr::cli
