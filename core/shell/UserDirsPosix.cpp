// The documents folder on Linux and other POSIX desktops: user-dirs.dirs under the
// configuration folder the environment names.
#include <cstdlib>
#include <string>

#include "shell/UserDirs.h"

namespace nr {
namespace {

std::string EnvOr(const char* name, std::string_view fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : std::string(fallback);
}

}  // namespace

std::filesystem::path DocumentsFolder() {
  const std::filesystem::path home = EnvOr("HOME", ".");
  const std::filesystem::path config = EnvOr("XDG_CONFIG_HOME", (home / ".config").string());
  return DocumentsFolder(home, config);
}

std::filesystem::path DataFolder() {
  const std::filesystem::path data = EnvOr("XDG_DATA_HOME", "");
  if (!data.empty() && data.is_absolute()) return data;
  return std::filesystem::path(EnvOr("HOME", ".")) / ".local" / "share";
}

std::tm LocalTime(std::time_t t) {
  std::tm local{};
  ::localtime_r(&t, &local);
  return local;
}

}  // namespace nr
