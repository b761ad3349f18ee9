#pragma once
// The options of the nremu program, parsed into EmulatorOptions.
#include <optional>
#include <span>
#include <string>

#include "emu/EmulatorOptions.h"

namespace nr::emu {

struct CommandLine {
  EmulatorOptions options;
  bool trace = false;
  bool help = false;
  bool showVersion = false;  // --version without a number
};

// args without the program name; both "--port 0" and "--port=0" are accepted. nullopt and a
// one-line reason on a usage error.
std::optional<CommandLine> ParseCommandLine(std::span<const std::string> args, std::string& error);

std::string Usage();

}  // namespace nr::emu
