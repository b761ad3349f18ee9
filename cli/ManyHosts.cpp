#include "ManyHosts.h"

#include <algorithm>
#include <sstream>
#include <thread>
#include <vector>

#include "LineInput.h"
#include "ProgressLine.h"
#include "TerminalText.h"

namespace nr::cli {
namespace {

// What several hosts are sent is held whole, one copy for all of them.
constexpr size_t kLongestScript = 64 * 1024 * 1024;

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
                   std::ostream& out, std::ostream& err, std::istream& in, TraceSink* trace,
                   ProgressLine* progress) {
  // Standard input is read once and each host gets all of it: line by line, so that input that
  // is no script (no line ends, or no end) is refused before any host is reached.
  std::string input;
  if (command.readsInput) {
    std::string line;
    int lineNumber = 0;
    for (LineRead read; (read = ReadScriptLine(in, line)) != LineRead::kEnd;) {
      ++lineNumber;
      if (read == LineRead::kTooLong) {
        err << "nrctl " << command.name << ": " << TooLongLineText(lineNumber) << "; nothing was sent\n";
        return kExitUsage;
      }
      if (input.size() + line.size() + 1 > kLongestScript) {
        err << "nrctl " << command.name << ": standard input holds more than " << kLongestScript / (1024 * 1024)
            << " MiB of script; nothing was sent\n";
        return kExitUsage;
      }
      input += line;
      input += '\n';
    }
  }

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
      const CommandContext ctx{run.options, run.out, run.err, hostInput, trace, progress, TerminalSafe(HostLabel(run.options))};
      run.status = RunCommand(command, ctx, args);
    });
  }
  for (std::thread& t : threads) t.join();
  if (progress) progress->Erase();

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
