#pragma once
// The folder and helpers the atomic-file tests of every system share.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "shell/AtomicFile.h"
#include "support/ScratchDir.h"

namespace nr {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class AtomicFileTest : public testing::Test {
 protected:
  fs::path Put(const std::string& name, const Bytes& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return p;
  }
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
    return names;
  }
  // The system's device that reads as empty and swallows writes: no regular file.
  static fs::path NullDevice() { return fs::path(std::filesystem::path::preferred_separator == '\\' ? "NUL" : "/dev/null"); }

  test::ScratchDir dir_{"nr_atomic"};
};

}  // namespace nr
