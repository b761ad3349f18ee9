// Atomic replace, locks and limited reads on Windows. Paths stay UTF-16 all the way to the
// system. The temporary is replaced over the target with MoveFileExW (replace, write-through:
// the call returns once the rename is on the disk). Windows refuses to replace a file that
// someone has open, if only for a moment (another writer's rename just done, a reader, a virus
// scanner), so the replace is retried for a while before it counts as failed. Hence an editor
// holds a file by a named mutex rather than by an open handle. A writer's temporary is locked on
// one byte far past its end, where nobody reads or writes, so that as with flock on Linux the
// next writer leaves a live temporary alone. Every handle allows delete sharing.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <cerrno>
#include <random>
#include <utility>

#include "shell/AtomicFile.h"
#include "shell/PathText.h"

namespace nr {
namespace {

namespace fs = std::filesystem;

constexpr int kTemporaryAttempts = 8;
constexpr DWORD kReplacePatienceMs = 5000;  // how long a replace waits for others to let go
constexpr DWORD kReplaceRetryMs = 5;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kLockOffsetHigh = 0x40000000;  // 2^62: past any file this program reads

// A Windows error as the errno value FileError::code holds.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    default:
      return EIO;
  }
}

std::string SystemText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out;
  if (n && text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    out.resize(static_cast<size_t>(std::max(size, 0)));
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), out.data(), size, nullptr, nullptr);
  }
  if (text) ::LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.')) out.pop_back();
  return out.empty() ? "error " + std::to_string(error) : out;
}

FileError SystemFailure(DWORD error, const std::string& what, const fs::path& path) {
  if (error == ERROR_SUCCESS) error = ERROR_GEN_FAILURE;
  return FileError{ErrnoOf(error), what + " " + Utf8OfPath(path) + ": " + SystemText(error), FileProblem::kSystem, 0};
}

FileError NotRegular(const fs::path& path) {
  return FileError{0, Utf8OfPath(path) + " is not a regular file", FileProblem::kNotRegular, 0};
}

// Closes a handle on every path out of a function.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE Take() { return std::exchange(h_, INVALID_HANDLE_VALUE); }
  void Reset(HANDLE h) {
    if (valid()) ::CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_;
};

HANDLE OpenShared(const fs::path& path, DWORD access, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  return ::CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
}

bool Lock(HANDLE h, bool wait) {
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  return ::LockFileEx(h, flags, 0, 1, 0, &at) != 0;
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  return ::GetFileInformationByHandle(a, &ia) && ::GetFileInformationByHandle(b, &ib) &&
         ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

// The open file is still the one the path names (nobody removed or replaced it meanwhile).
bool PathStillNames(const fs::path& path, HANDLE h) {
  const Handle byPath(OpenShared(path, 0, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS));
  return byPath.valid() && SameFile(byPath.get(), h);
}

bool IsRegular(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  return ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteAll(HANDLE h, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    if (!::WriteFile(h, bytes.data() + done, chunk, &n, nullptr) || n == 0) return false;
    done += n;
  }
  return true;
}

// Removes temporaries of target that no running write holds (see the Linux half).
void RemoveStaleTemporaries(const fs::path& target) {
  std::error_code ec;
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path candidate = it->path();
    if (!IsTemporaryFor(target, candidate.filename().string())) continue;
    const Handle h(OpenShared(candidate, GENERIC_READ | DELETE, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT));
    if (!h.valid() || !IsRegular(h.get()) || !Lock(h.get(), false)) continue;
    if (!PathStillNames(candidate, h.get())) continue;
    ::DeleteFileW(candidate.c_str());
  }
}

// A new hidden temporary beside target, locked and still under its name.
HANDLE MakeLockedTemporary(const fs::path& target, fs::path& tmp, DWORD& error) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (int attempt = 0; attempt < kTemporaryAttempts * 4; ++attempt) {
    std::string name = TemporaryPrefix(target);
    for (size_t i = 0; i < kTemporaryRandom; ++i) name += kLetters[pick(random)];
    const fs::path candidate = folder / PathFromUtf8(name);
    Handle h(OpenShared(candidate, GENERIC_READ | GENERIC_WRITE | DELETE, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN));
    if (!h.valid()) {
      error = ::GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      return INVALID_HANDLE_VALUE;
    }
    if (Lock(h.get(), true) && PathStillNames(candidate, h.get())) {
      tmp = candidate;
      return h.Take();
    }
  }
  error = ERROR_RETRY;
  return INVALID_HANDLE_VALUE;
}

// Renames tmp over target, waiting while someone else has the target (or tmp) open.
DWORD Replace(const fs::path& tmp, const fs::path& target) {
  const ULONGLONG start = ::GetTickCount64();
  for (;;) {
    if (::MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return ERROR_SUCCESS;
    const DWORD error = ::GetLastError();
    const bool busy = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    if (!busy || ::GetTickCount64() - start > kReplacePatienceMs) return error;
    ::Sleep(kReplaceRetryMs);
  }
}

// The mutex that stands for holding a file: one per full path in this session, named without
// the characters a kernel object name cannot hold (paths on Windows are caseless).
std::wstring HoldName(const fs::path& path) {
  std::error_code ec;
  fs::path full = fs::absolute(path, ec).lexically_normal();
  std::wstring text = ec ? path.wstring() : full.wstring();
  if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return L"Local\\nrtune-held-" + std::to_wstring(std::hash<std::wstring>{}(text));
}

}  // namespace

FileError WriteFileAtomically(const fs::path& requested, std::span<const uint8_t> bytes) {
  const fs::path target = WrittenThrough(requested);
  const DWORD existing = ::GetFileAttributesW(target.c_str());
  const bool exists = existing != INVALID_FILE_ATTRIBUTES;
  if (exists && (existing & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) return NotRegular(target);
  RemoveStaleTemporaries(target);

  fs::path tmp;
  DWORD error = 0;
  Handle h(MakeLockedTemporary(target, tmp, error));  // ours until renamed: a cleaner leaves it alone
  if (!h.valid()) return SystemFailure(error, "Cannot create a temporary file for", target);
  error = ERROR_SUCCESS;
  if (!WriteAll(h.get(), bytes) || !::FlushFileBuffers(h.get())) error = ::GetLastError();
  // The target's attributes carry over (read-only, hidden, ...); a new target gets the plain
  // ones a create gives. A read-only target is replaced as on Linux, and stays read-only.
  const DWORD attributes = exists ? existing & ~FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
  if (error == ERROR_SUCCESS && exists && (existing & FILE_ATTRIBUTE_READONLY))
    ::SetFileAttributesW(target.c_str(), existing & ~FILE_ATTRIBUTE_READONLY);
  if (error == ERROR_SUCCESS) error = Replace(tmp, target);
  if (error != ERROR_SUCCESS && exists && (existing & FILE_ATTRIBUTE_READONLY))
    ::SetFileAttributesW(target.c_str(), existing);
  if (error != ERROR_SUCCESS) {
    ::CloseHandle(h.Take());
    ::DeleteFileW(tmp.c_str());
    return SystemFailure(error, "Cannot write", target);
  }
  ::CloseHandle(h.Take());
  ::SetFileAttributesW(target.c_str(), attributes);
  return {};
}

namespace {

FileError ReadOpenFile(HANDLE h, const fs::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  if (!IsRegular(h)) return NotRegular(path);
  LARGE_INTEGER length{};
  if (!::GetFileSizeEx(h, &length)) return SystemFailure(::GetLastError(), "Cannot read", path);
  const auto size = static_cast<uintmax_t>(length.QuadPart);
  if (size > maxBytes) {
    return FileError{0, Utf8OfPath(path) + " holds " + std::to_string(size) + " bytes, more than " + std::to_string(maxBytes),
                     FileProblem::kTooLong, size};
  }
  const size_t limit = maxBytes + 1;
  out.resize(static_cast<size_t>(size) + 1);
  size_t n = 0;
  for (;;) {
    if (n == out.size()) {
      if (n == limit) break;
      out.resize(std::min(limit, 2 * n));
    }
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(out.size() - n, 1u << 30));
    if (!::ReadFile(h, out.data() + n, want, &got, nullptr)) {
      const DWORD error = ::GetLastError();
      out.clear();
      return SystemFailure(error, "Cannot read", path);
    }
    if (got == 0) break;
    n += got;
  }
  if (n > maxBytes) {
    out.clear();
    return FileError{0, Utf8OfPath(path) + " grew past " + std::to_string(maxBytes) + " bytes while being read",
                     FileProblem::kTooLong, n};
  }
  out.resize(n);
  return {};
}

// Opens path for reading; folders (which CreateFileW opens only when asked) are no files.
FileError OpenForReading(const fs::path& path, Handle& h) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return NotRegular(path);
  HANDLE opened = OpenShared(path, GENERIC_READ, OPEN_EXISTING);
  if (opened == INVALID_HANDLE_VALUE) return SystemFailure(::GetLastError(), "Cannot open", path);
  h.Reset(opened);
  return {};
}

}  // namespace

FileError ReadFileLimited(const fs::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
  out.clear();
  Handle h(INVALID_HANDLE_VALUE);
  if (const FileError error = OpenForReading(path, h)) return error;
  return ReadOpenFile(h.get(), path, maxBytes, out);
}

FileError HeldFile::Hold(const fs::path& path, size_t maxBytes, std::vector<uint8_t>& out) {
  Release();
  out.clear();
  Handle h(INVALID_HANDLE_VALUE);
  if (const FileError error = OpenForReading(path, h)) return error;  // refused before any wait
  if (!IsRegular(h.get())) return NotRegular(path);
  h.Reset(INVALID_HANDLE_VALUE);
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, HoldName(path).c_str());
  if (!mutex) return SystemFailure(::GetLastError(), "Cannot lock", path);
  // An editor that died holding the file leaves the mutex abandoned: then it is ours.
  const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    const DWORD error = ::GetLastError();
    ::CloseHandle(mutex);
    return SystemFailure(error, "Cannot lock", path);
  }
  // Read after the wait: the one who held it before may have replaced it.
  FileError error = OpenForReading(path, h);
  if (!error) error = ReadOpenFile(h.get(), path, maxBytes, out);
  if (error) {
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
    return error;
  }
  held_ = reinterpret_cast<std::intptr_t>(mutex);
  return {};
}

void HeldFile::Release() {
  if (held_ != -1) {
    const HANDLE mutex = reinterpret_cast<HANDLE>(held_);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
  }
  held_ = -1;
}

}  // namespace nr
