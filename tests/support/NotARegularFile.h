#pragma once
// A path that names no regular file and would keep a careless reader waiting: a FIFO nobody
// writes to on Linux (made in the folder), the NUL device on Windows, which has no FIFOs in
// folders. NotARegularFilePosix.cpp and NotARegularFileWindows.cpp.
#include <filesystem>
#include <string>

namespace nr::test {

std::filesystem::path MakeNotARegularFile(const std::filesystem::path& folder, const std::string& name);

}  // namespace nr::test
