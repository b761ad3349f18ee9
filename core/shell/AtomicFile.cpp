#include "shell/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace nr {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTemporaryInfix = ".tmp-";
constexpr size_t kTemporaryRandom = 6;  // the XXXXXX of mkstemp
// A temporary younger than this may belong to a write that has not locked it yet.
constexpr auto kStaleAfter = std::chrono::seconds(2);

FileError SystemFailure(int code, const std::string& what, const fs::path& path) {
  const int err = code != 0 ? code : EIO;
  return FileError{err, what + " " + path.string() + ": " + std::strerror(err), FileProblem::kSystem, 0};
}

FileError NotRegular(const fs::path& path) {
  return FileError{0, path.string() + " is not a regular file", FileProblem::kNotRegular, 0};
}

// Closes a descriptor on every path out of a function.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Removes temporaries of target that no running write holds: a writer keeps its temporary
// locked until the rename, so one that can be locked (and is not brand new) was left behind.
void RemoveStaleTemporaries(const fs::path& target) {
  std::error_code ec;
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path candidate = it->path();
    if (!IsTemporaryFor(target, candidate.filename().string())) continue;
    Fd fd(::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const auto age = std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(st.st_mtime);
    if (age < kStaleAfter || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    ::unlink(candidate.c_str());
  }
}

// The file a link points to, so that saving through a link updates that file and keeps the
// link; a dangling link is replaced like any missing file.
fs::path WrittenThrough(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  fs::path real = fs::canonical(path, ec);
  return ec ? path : real;
}

}  // namespace

bool IsTemporaryFor(const fs::path& target, const std::string& fileName) {
  const std::string prefix = "." + target.filename().string() + kTemporaryInfix;
  return fileName.size() == prefix.size() + kTemporaryRandom && fileName.compare(0, prefix.size(), prefix) == 0;
}

FileError WriteFileAtomically(const fs::path& requested, std::span<const uint8_t> bytes) {
  const fs::path target = WrittenThrough(requested);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) return NotRegular(target);
  RemoveStaleTemporaries(target);

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string pattern = (folder / ("." + target.filename().string() + kTemporaryInfix + "XXXXXX")).string();
  Fd fd(::mkostemp(pattern.data(), O_CLOEXEC));
  if (fd.get() < 0) return SystemFailure(errno, "Cannot create a temporary file for", target);
  const fs::path tmp = pattern;
  ::flock(fd.get(), LOCK_EX);  // ours until renamed: a concurrent cleaner leaves it alone

  // mkstemp makes 0600 files; a new target gets what a plain create would give it.
  mode_t mode = 0;
  if (exists) {
    mode = existing.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  int err = 0;
  if (::fchmod(fd.get(), mode) != 0 || !WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0) err = errno;
  if (err == 0) {
    std::error_code ec;
    fs::rename(tmp, target, ec);
    err = ec.value();
  }
  if (err != 0) {
    ::unlink(tmp.c_str());
    return SystemFailure(err, "Cannot write", target);
  }
  // The rename lives in the folder: flushed too, a file just saved is still there after a power
  // cut (a folder that cannot be opened or flushed leaves the write as done as it can be).
  const Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return {};
}

FileError ReadFileLimited(const fs::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  // Non-blocking, so that opening a FIFO nobody writes to returns at once.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return SystemFailure(errno, "Cannot open", path);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return SystemFailure(errno, "Cannot read", path);
  if (!S_ISREG(st.st_mode)) return NotRegular(path);
  const auto size = static_cast<uintmax_t>(st.st_size);
  if (size > maxBytes) {
    return FileError{0, path.string() + " holds " + std::to_string(size) + " bytes, more than " + std::to_string(maxBytes),
                     FileProblem::kTooLong, size};
  }
  // Room for the size fstat gave and one byte more, to notice a file that grew since (or one,
  // like those in /proc, whose size says nothing); the room grows up to the limit only when used.
  const size_t limit = maxBytes + 1;
  out.resize(static_cast<size_t>(size) + 1);
  size_t n = 0;
  for (;;) {
    if (n == out.size()) {
      if (n == limit) break;
      out.resize(std::min(limit, 2 * n));
    }
    const ssize_t got = ::read(fd.get(), out.data() + n, out.size() - n);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return SystemFailure(errno, "Cannot read", path);
    if (got == 0) break;
    n += static_cast<size_t>(got);
  }
  if (n > maxBytes) {
    out.clear();
    return FileError{0, path.string() + " grew past " + std::to_string(maxBytes) + " bytes while being read",
                     FileProblem::kTooLong, n};
  }
  out.resize(n);
  return {};
}

}  // namespace nr
