#include "shell/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace nr {
namespace {

FileError Failure(int code, const std::string& what, const std::filesystem::path& path) {
  return FileError{code != 0 ? code : EIO, what + " " + path.string() + ": " + std::strerror(code != 0 ? code : EIO)};
}

std::filesystem::path TemporaryNameFor(const std::filesystem::path& target) {
  std::random_device rd;
  char suffix[24];
  std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(rd()));
  std::filesystem::path tmp = target;
  tmp += suffix;
  return tmp;
}

}  // namespace

FileError WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes) {
  const std::filesystem::path tmp = TemporaryNameFor(target);
  std::FILE* f = std::fopen(tmp.string().c_str(), "wb");
  if (!f) return Failure(errno, "Cannot create", tmp);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
  int err = ok ? 0 : errno;
#if defined(__unix__) || defined(__APPLE__)
  if (ok && ::fsync(fileno(f)) != 0) {
    ok = false;
    err = errno;
  }
#endif
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(tmp, ignored);
    return Failure(err, "Cannot write", target);
  }
  std::error_code ec;
  std::filesystem::rename(tmp, target, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(tmp, ignored);
    return Failure(ec.value(), "Cannot replace", target);
  }
  return {};
}

FileError ReadFileLimited(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (!f) return Failure(errno, "Cannot open", path);
  out.resize(maxBytes + 1);
  const size_t n = std::fread(out.data(), 1, out.size(), f);
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  std::fclose(f);
  out.resize(n);
  if (failed) return Failure(err, "Cannot read", path);
  return {};
}

}  // namespace nr
