#pragma once
// One command on several devices at once: `nrctl --net A,B,C push F.mode`. Each host runs the
// command on a thread of its own with its own output; when all have ended, each host's lines
// are printed prefixed with its name, followed by its result, and the exit status is the highest
// of all, so a script sees any failure.
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "CommandTable.h"

namespace nr::cli {

// progress, when given, shows each host's part while they run and is erased before the lines
// are printed.
int RunOnEveryHost(const Command& command, const GlobalOptions& options, std::span<const std::string> args,
                   std::ostream& out, std::ostream& err, std::istream& in, TraceSink* trace,
                   ProgressLine* progress = nullptr);

// The host of this run as its lines are prefixed: "HOST", or "HOST:PORT" ("[v6]:PORT") when the
// port is not the default.
std::string HostLabel(const GlobalOptions& options);

// A file name for this run's host: "%h" becomes the host, followed by "-PORT" when the port is
// not the default ("OUT-%h.mode" -> "OUT-192.168.1.20.mode"). Other text stays.
std::string ExpandHostPattern(std::string_view pattern, const GlobalOptions& options);

}  // namespace nr::cli
