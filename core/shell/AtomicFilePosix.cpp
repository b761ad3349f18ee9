// Atomic replace, locks and limited reads on Linux and other POSIX systems.
#include "shell/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace nr {
namespace {

namespace fs = std::filesystem;

// A writer whose fresh temporary a cleaner took for a leftover makes another; it cannot lose
// this race more than a few times in a row unless something else empties the folder.
constexpr int kTemporaryAttempts = 8;

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
  int Take() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The open file is still the one the path names (nobody removed or replaced it meanwhile).
bool PathStillNames(const fs::path& path, int fd) {
  struct stat byPath {}, byFd {};
  return ::stat(path.c_str(), &byPath) == 0 && ::fstat(fd, &byFd) == 0 && SameFile(byPath, byFd);
}

int LockRetryingSignals(int fd, int operation) {
  int rc = 0;
  while ((rc = ::flock(fd, operation)) != 0 && errno == EINTR) {
  }
  return rc;
}

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
// locked until the rename, so one that can be locked was left behind by a write that died. A
// writer that has made its temporary but not locked it yet may lose it here; it notices once it
// holds the lock (MakeLockedTemporary) and makes another.
void RemoveStaleTemporaries(const fs::path& target) {
  std::error_code ec;
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path candidate = it->path();
    if (!IsTemporaryFor(target, candidate.filename().string())) continue;
    Fd fd(::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
    // Renamed over the target since it was opened: the name is gone, or a new temporary took it.
    if (!PathStillNames(candidate, fd.get())) continue;
    ::unlink(candidate.c_str());
  }
}

// A new hidden temporary beside target, locked and still under its name; the descriptor, or -1
// with errno set.
int MakeLockedTemporary(const fs::path& target, fs::path& tmp) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    std::string pattern = (folder / (TemporaryPrefix(target) + "XXXXXX")).string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    if (LockRetryingSignals(fd, LOCK_EX) == 0 && PathStillNames(pattern, fd)) {
      tmp = pattern;
      return fd;
    }
    ::close(fd);  // a cleaner removed it before the lock was ours
  }
  errno = EAGAIN;
  return -1;
}

}  // namespace

FileError WriteFileAtomically(const fs::path& requested, std::span<const uint8_t> bytes) {
  const fs::path target = WrittenThrough(requested);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) return NotRegular(target);
  RemoveStaleTemporaries(target);

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  fs::path tmp;
  Fd fd(MakeLockedTemporary(target, tmp));  // ours until renamed: a concurrent cleaner leaves it alone
  if (fd.get() < 0) return SystemFailure(errno, "Cannot create a temporary file for", target);

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

namespace {

// The reading half of ReadFileLimited, on a descriptor already open for path.
FileError ReadOpenFile(int fd, const fs::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  struct stat st {};
  if (::fstat(fd, &st) != 0) return SystemFailure(errno, "Cannot read", path);
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
    const ssize_t got = ::read(fd, out.data() + n, out.size() - n);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      out.clear();
      return SystemFailure(errno, "Cannot read", path);
    }
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

}  // namespace

FileError ReadFileLimited(const fs::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  // Non-blocking, so that opening a FIFO nobody writes to returns at once.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return SystemFailure(errno, "Cannot open", path);
  return ReadOpenFile(fd.get(), path, maxBytes, out);
}

FileError HeldFile::Hold(const fs::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
  Release();
  out.clear();
  for (;;) {
    // Non-blocking open and a type check before the lock: a FIFO or a device is refused at once.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return SystemFailure(errno, "Cannot open", path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return SystemFailure(errno, "Cannot read", path);
    if (!S_ISREG(st.st_mode)) return NotRegular(path);
    if (LockRetryingSignals(fd.get(), LOCK_EX) != 0) return SystemFailure(errno, "Cannot lock", path);
    // The one who held it before may have replaced the file: then wait for the new one.
    if (!PathStillNames(path, fd.get())) continue;
    if (const FileError error = ReadOpenFile(fd.get(), path, maxBytes, out)) return error;
    held_ = fd.Take();
    return {};
  }
}

void HeldFile::Release() {
  if (held_ >= 0) ::close(static_cast<int>(held_));  // closing the last descriptor releases the lock
  held_ = -1;
}

}  // namespace nr
