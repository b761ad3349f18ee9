// nremu: the emulated processor on TCP, for demos without hardware and for integration tests.
// Runs until SIGINT or SIGTERM (Ctrl+C or Ctrl+Break on Windows), then closes the connection and
// the listener cleanly.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "emu/CommandLine.h"
#include "emu/Emulator.h"
#include "emu/StopWait.h"
#include "link/Trace.h"
#include "nr_version.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto cl = nr::emu::ParseCommandLine(args, error);
  if (!cl) {
    std::cerr << "nremu: " << error << "\nTry 'nremu --help' for more information.\n";
    return 2;
  }
  if (cl->help) {
    std::cout << nr::emu::Usage();
    return 0;
  }
  if (cl->showVersion) {
    std::cout << "nremu " << nr::kProgramVersion << "\n";
    return 0;
  }

  nr::StderrTrace trace;
  if (cl->trace) cl->options.trace = &trace;
  cl->options.notices = &trace;

  // Before any thread starts, so that on Linux every thread inherits the blocked signals.
  nr::emu::StopWait stopWait;

  nr::emu::Emulator emulator(cl->options);
  if (!emulator.Start(&error)) {
    std::cerr << "nremu: " << error << "\n";
    return 1;
  }
  std::cout << "listening on " << emulator.Address() << ":" << emulator.Port() << std::endl;

  stopWait.Wait();
  emulator.Stop();
  return 0;
}
