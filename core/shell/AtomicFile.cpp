// The parts of atomic replace that are the same on every system; the system's half is in
// AtomicFilePosix.cpp or AtomicFileWindows.cpp.
#include "shell/AtomicFile.h"

namespace nr {

namespace fs = std::filesystem;

std::string TemporaryPrefix(const fs::path& target) { return "." + target.filename().string() + ".tmp-"; }

bool IsTemporaryFor(const fs::path& target, const std::string& fileName) {
  const std::string prefix = TemporaryPrefix(target);
  return fileName.size() == prefix.size() + kTemporaryRandom && fileName.compare(0, prefix.size(), prefix) == 0;
}

// The file a link points to, so that saving through a link updates that file and keeps the
// link; a dangling link is replaced like any missing file.
fs::path WrittenThrough(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  fs::path real = fs::canonical(path, ec);
  return ec ? path : real;
}

}  // namespace nr
