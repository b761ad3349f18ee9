#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "support/NotARegularFile.h"

namespace nr::test {

std::filesystem::path MakeNotARegularFile(const std::filesystem::path& folder, const std::string& name) {
  const std::filesystem::path p = folder / name;
  if (::mkfifo(p.c_str(), 0600) != 0) throw std::runtime_error(std::string("mkfifo: ") + std::strerror(errno));
  return p;
}

}  // namespace nr::test
