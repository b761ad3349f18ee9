#include "CommandTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ostream>

#include "ProgressLine.h"
#include "link/DeviceState.h"

namespace nr::cli {
namespace {

bool ReadsAsNumber(std::string_view word) {
  double value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  return end == word.data() + word.size() && ec != std::errc::invalid_argument;
}

bool LooksLikeOption(std::string_view word) {
  if (word.size() < 2 || word[0] != '-') return false;  // "-" alone is a positional word
  return !ReadsAsNumber(word);
}

}  // namespace

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

void CommandTable::Add(Command command) {
  if (command.name.empty() || !command.run) throw std::logic_error("nrctl: a command needs a name and a handler");
  if (Find(command.name)) throw std::logic_error("nrctl: command '" + command.name + "' registered twice");
  commands_.push_back(std::move(command));
}

const Command* CommandTable::Find(std::string_view name) const {
  const auto it = std::find_if(commands_.begin(), commands_.end(), [&](const Command& c) { return c.name == name; });
  return it == commands_.end() ? nullptr : &*it;
}

std::vector<const Command*> CommandTable::Sorted() const {
  std::vector<const Command*> list;
  for (const Command& c : commands_) list.push_back(&c);
  std::sort(list.begin(), list.end(), [](const Command* a, const Command* b) { return a->name < b->name; });
  return list;
}

int RunCommand(const Command& command, const CommandContext& ctx, std::span<const std::string> args) {
  int status = kExitFailure;
  // A message must not land behind a progress line (on one device; several hosts' messages are
  // printed after all have ended).
  const auto eraseProgress = [&] {
    if (ctx.progress && ctx.progressPart.empty()) ctx.progress->Erase();
  };
  try {
    status = command.run(ctx, args);
  } catch (const UsageError& e) {
    eraseProgress();
    ctx.err << "nrctl " << command.name << ": " << e.what() << "\n"
            << "usage: nrctl " << command.name << " " << command.synopsis << "\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    eraseProgress();
    ctx.err << "nrctl " << command.name << ": " << e.what() << "\n";
    return kExitFailure;
  }
  // A full disk or a closed pipe must not pass for success.
  ctx.out.flush();
  if (!ctx.out) {
    eraseProgress();
    ctx.err << "nrctl " << command.name << ": cannot write the output\n";
    return status == kExitOk ? kExitFailure : status;
  }
  return status;
}

std::string UsageText(const Command& command) {
  std::string text = "usage: nrctl " + command.name;
  if (!command.synopsis.empty()) text += " " + command.synopsis;
  text += "\n";
  if (!command.summary.empty()) text += "\n" + command.summary + "\n";
  if (!command.details.empty()) {
    text += "\n" + command.details;
    if (text.back() != '\n') text += "\n";
  }
  return text;
}

CommandArgs ParseCommandArgs(std::span<const std::string> args, std::span<const OptionSpec> accepted) {
  std::vector<ValuesOptionSpec> specs;
  for (const OptionSpec& o : accepted) specs.push_back({o.name, o.takesValue ? 1 : 0, false});
  OptionList list = ParseOptionList(args, specs);
  CommandArgs parsed;
  parsed.positional = std::move(list.positional);
  for (OptionUse& use : list.uses) parsed.options.emplace(use.name, use.values.empty() ? std::string() : use.values[0]);
  return parsed;
}

void ExpectPositionals(const CommandArgs& args, size_t min, size_t max) {
  const size_t n = args.positional.size();
  if (n < min) throw UsageError(min - n == 1 ? "missing argument" : "missing arguments");
  if (n > max) throw UsageError("unexpected argument " + Quoted(args.positional[max]));
}

long long ParseIntegerArg(std::string_view text, std::string_view what, long long min, long long max) {
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  const bool whole = !text.empty() && end == text.data() + text.size();
  if (ec == std::errc::invalid_argument || !whole) {
    throw UsageError(std::string(what) + " must be a whole number, not " + Quoted(text));
  }
  if (ec == std::errc::result_out_of_range || value < min || value > max) {
    throw UsageError(std::string(what) + " must be between " + std::to_string(min) + " and " +
                     std::to_string(max) + ", not " + Quoted(text));
  }
  return value;
}

double ParseFiniteArg(std::string_view text, std::string_view what) {
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  const bool whole = !text.empty() && end == text.data() + text.size();
  if (ec == std::errc::invalid_argument || !whole) {
    throw UsageError(std::string(what) + " must be a number, not " + Quoted(text));
  }
  if (ec == std::errc::result_out_of_range || !std::isfinite(value)) {
    throw UsageError(std::string(what) + " must be a finite number, not " + Quoted(text));
  }
  return value;
}

std::vector<int> ParseChannelList(std::string_view text, std::string_view what) {
  std::vector<int> channels;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const int channel = static_cast<int>(ParseIntegerArg(text.substr(start, comma - start), what, 1, kOutputCount)) - 1;
    if (std::find(channels.begin(), channels.end(), channel) == channels.end()) channels.push_back(channel);
    start = comma + 1;
  }
  return channels;
}

bool AsksForHelp(std::span<const std::string> args) {
  for (const std::string& word : args) {
    if (word == "--") return false;
    if (word == "--help" || word == "-h") return true;
  }
  return false;
}

const OptionUse* OptionList::Find(std::string_view name) const {
  const auto it = std::find_if(uses.begin(), uses.end(), [&](const OptionUse& u) { return u.name == name; });
  return it == uses.end() ? nullptr : &*it;
}

OptionList ParseOptionList(std::span<const std::string> args, std::span<const ValuesOptionSpec> accepted) {
  OptionList parsed;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (optionsEnded || !LooksLikeOption(word)) {
      parsed.positional.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    const size_t eq = word.find('=');
    const std::string name = word.substr(0, eq);
    const auto spec =
        std::find_if(accepted.begin(), accepted.end(), [&](const ValuesOptionSpec& o) { return o.name == name; });
    if (spec == accepted.end()) throw UsageError("unknown option " + Quoted(name));
    if (!spec->repeatable && parsed.Find(name)) throw UsageError("option " + Quoted(name) + " given twice");
    OptionUse use{name, {}};
    if (eq != std::string::npos) {
      if (spec->values == 0) throw UsageError("option " + Quoted(name) + " takes no value");
      if (spec->values > 1)
        throw UsageError("option " + Quoted(name) + " takes " + std::to_string(spec->values) + " values, not one after '='");
      use.values.push_back(word.substr(eq + 1));
    } else {
      for (int v = 0; v < spec->values; ++v) {
        if (i + 1 >= args.size()) {
          throw UsageError("option " + Quoted(name) + " needs " +
                           (spec->values == 1 ? std::string("a value") : std::to_string(spec->values) + " values"));
        }
        use.values.push_back(args[++i]);
      }
    }
    for (const std::string& v : use.values)
      if (v.empty()) throw UsageError("option " + Quoted(name) + " needs a value");
    parsed.uses.push_back(std::move(use));
  }
  return parsed;
}

bool ParseOnOff(std::string_view text, std::string_view what) {
  if (text == "on" || text == "1" || text == "yes") return true;
  if (text == "off" || text == "0" || text == "no") return false;
  throw UsageError(std::string(what) + " is on or off, not " + Quoted(text));
}

}  // namespace nr::cli
