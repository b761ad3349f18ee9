// The terminal on Linux and other POSIX systems.
#include <sys/ioctl.h>
#include <unistd.h>

#include "Console.h"
#include "ProgressLine.h"

namespace nr::cli {

void PrepareConsole() {}

std::vector<std::string> CommandLineWords(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

bool ProgressLine::StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int ProgressLine::StderrWidth() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

}  // namespace nr::cli
