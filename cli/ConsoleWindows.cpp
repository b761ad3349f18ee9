// The console on Windows: UTF-8 output (the texts nrctl prints are UTF-8), and the escape
// sequences the progress line draws with, which consoles understand once asked to.
#include <windows.h>
#include <shellapi.h>

#include <filesystem>

#include "Console.h"
#include "ProgressLine.h"
#include "shell/PathText.h"

namespace nr::cli {

void PrepareConsole() {
  ::SetConsoleOutputCP(CP_UTF8);
  ::SetConsoleCP(CP_UTF8);
}

std::vector<std::string> WordsOfWideCommandLine(const wchar_t* line) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(line, &count);
  if (!wide) return {};
  std::vector<std::string> words;
  // A path holds UTF-16 on Windows and gives it back as UTF-8.
  for (int i = 1; i < count; ++i) words.push_back(Utf8OfPath(std::filesystem::path(wide[i])));
  ::LocalFree(wide);
  return words;
}

std::vector<std::string> CommandLineWords(int argc, char** argv) {
  const wchar_t* line = ::GetCommandLineW();
  if (line && *line) return WordsOfWideCommandLine(line);
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
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
