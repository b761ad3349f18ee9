#include "ManyHosts.h"

#include <algorithm>
#include <iterator>
#include <sstream>
#include <thread>
#include <vector>

#include "TerminalText.h"

namespace nr::cli {
namespace {

struct HostRun {
  GlobalOptions options;
  std::ostringstream out, err;
  int status = kExitFailure;
};

void PrintPrefixed(std::ostream& to, const std::string& label, const std::string& text) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) to << label << ": " << line << "\n";
}

}  // namespace

std::string HostLabel(const GlobalOptions& options) {
  if (options.port == kDefaultNetPort) return options.host;
  const bool v6 = options.host.find(':') != std::string::npos;
  return (v6 ? "[" + options.host + "]" : options.host) + ":" + std::to_string(options.port);
}

std::string ExpandHostPattern(std::string_view pattern, const GlobalOptions& options) {
  std::string host = options.host;
  if (options.port != kDefaultNetPort) host += "-" + std::to_string(options.port);
  std::string text;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'h') {
      text += host;
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

int RunOnEveryHost(const Command& command, const GlobalOptions& options, std::span<const std::string> args,
                   std::ostream& out, std::ostream& err, std::istream& in, TraceSink* trace) {
  // Standard input is read once and each host gets all of it.
  std::string input;
  if (command.readsInput) input.assign(std::istreambuf_iterator<char>(in), {});

  std::vector<HostRun> runs(options.hosts.size());
  for (size_t h = 0; h < runs.size(); ++h) {
    runs[h].options = options;
    runs[h].options.host = options.hosts[h].host;
    runs[h].options.port = options.hosts[h].port;
  }
  std::vector<std::thread> threads;
  for (HostRun& run : runs) {
    threads.emplace_back([&] {
      std::istringstream hostInput(input);
      const CommandContext ctx{run.options, run.out, run.err, hostInput, trace};
      run.status = RunCommand(command, ctx, args);
    });
  }
  for (std::thread& t : threads) t.join();

  int worst = kExitOk;
  for (HostRun& run : runs) {
    const std::string label = TerminalSafe(HostLabel(run.options));
    PrintPrefixed(out, label, run.out.str());
    PrintPrefixed(err, label, run.err.str());
    out << label << ": " << (run.status == kExitOk ? std::string("done") : "failed (exit status " + std::to_string(run.status) + ")")
        << "\n";
    worst = std::max(worst, run.status);
  }
  return worst;
}

}  // namespace nr::cli
