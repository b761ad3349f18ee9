// The console on Windows: UTF-8 output (the texts nrctl prints are UTF-8), and the escape
// sequences the progress line draws with, which consoles understand once asked to.
#include <windows.h>

#include "Console.h"
#include "ProgressLine.h"

namespace nr::cli {

void PrepareConsole() {
  ::SetConsoleOutputCP(CP_UTF8);
  ::SetConsoleCP(CP_UTF8);
}

// A console that takes escape sequences; a pipe, a file or an old console get no progress line.
bool ProgressLine::StderrIsTerminal() {
  const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (err == INVALID_HANDLE_VALUE || !::GetConsoleMode(err, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
         ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING | ENABLE_PROCESSED_OUTPUT);
}

int ProgressLine::StderrWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) {
    const int width = info.srWindow.Right - info.srWindow.Left + 1;
    if (width > 0) return width;
  }
  return 80;
}

}  // namespace nr::cli
