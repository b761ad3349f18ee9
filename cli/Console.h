#pragma once
// What nrctl sets up in the console it runs in, before it prints anything (nothing on Linux;
// UTF-8 output on Windows), and its command line. The terminal queries of ProgressLine live
// beside them, in ConsolePosix.cpp and ConsoleWindows.cpp.
#include <string>
#include <vector>

namespace nr::cli {

void PrepareConsole();

// The words after the program's name, in UTF-8. On Windows they are read from the wide command
// line: main's argv holds them in the system's code page, where a name in another script is lost.
std::vector<std::string> CommandLineWords(int argc, char** argv);

// Windows only: the words after the first of a wide command line, split by the system's rules
// (quotes, backslashes), in UTF-8.
std::vector<std::string> WordsOfWideCommandLine(const wchar_t* line);

}  // namespace nr::cli
