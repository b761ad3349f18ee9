// The desktop's user-dirs.dirs, read the same on every system; where the system keeps the
// folder is asked in UserDirsPosix.cpp or UserDirsWindows.cpp.
#include "shell/UserDirs.h"

#include <fstream>
#include <string>

namespace nr {
namespace {

bool IsHome(const std::filesystem::path& folder, const std::filesystem::path& home) {
  return folder.lexically_normal() == home.lexically_normal() ||
         folder.lexically_normal() == (home / "").lexically_normal();
}

}  // namespace

std::filesystem::path DocumentsFolder(const std::filesystem::path& home, const std::filesystem::path& configHome) {
  std::filesystem::path documents = home / "Documents";
  std::ifstream in(configHome / "user-dirs.dirs");
  constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.starts_with(kKey)) continue;
    std::string value = line.substr(kKey.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.starts_with("$HOME") && (value.size() == 5 || value[5] == '/')) value = home.string() + value.substr(5);
    const std::filesystem::path folder(value);
    if (value.empty() || !folder.is_absolute() || IsHome(folder, home)) continue;
    documents = folder;
  }
  return documents;
}

}  // namespace nr
