#pragma once
// What nrctl sets up in the console it runs in, before it prints anything (nothing on Linux;
// UTF-8 output on Windows). The terminal queries of ProgressLine live beside it, in
// ConsolePosix.cpp and ConsoleWindows.cpp.

namespace nr::cli {

void PrepareConsole();

}  // namespace nr::cli
