#pragma once
// A fresh folder for one test's files. It goes, with everything in it, when the test ends; folders
// a test made read-only are opened up first so nothing is left behind in /tmp.
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace nr::test {

class ScratchDir {
 public:
  explicit ScratchDir(std::string_view prefix) {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            (std::string(prefix) + "_" + std::to_string(::getpid()) + "_" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  operator const std::filesystem::path&() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }
  std::string string() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace nr::test
