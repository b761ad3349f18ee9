#pragma once
// Whole files in one step. Writing: the bytes go to a hidden temporary file in the same folder,
// which is flushed and renamed over the target (the folder flushed after), so readers see either
// the old contents or the new, never a half; the target keeps its permissions. Reading: only
// regular files are opened (a FIFO or a device would block or never end), and only up to a size
// the caller names.
#include <cstdint>
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace nr {

enum class FileProblem {
  kNone,
  kSystem,      // the system refused a step: code holds errno
  kNotRegular,  // a folder, FIFO, socket or device where a file was expected
  kTooLong,     // longer than the caller accepts: size holds the length
};

struct FileError {
  int code = 0;         // errno of the failing step; 0 when the problem is not the system's
  std::string message;  // what failed, naming the path, for the user
  FileProblem problem = FileProblem::kNone;
  uintmax_t size = 0;   // the file's length, for kTooLong
  explicit operator bool() const { return problem != FileProblem::kNone; }
};

// Replaces target with bytes. An existing target must be a regular file; its permission bits
// carry over. A symbolic link is written through: the file it points to is replaced, the link
// stays. Temporaries that an interrupted earlier write left beside the target are removed.
FileError WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes);

// Reads a whole regular file of at most maxBytes. Anything that is not a regular file is refused
// without waiting for it, a longer file without reading it.
FileError ReadFileLimited(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out);

// A regular file held for an edit, from reading it to replacing it: an exclusive advisory lock
// (flock on the file itself on Linux; on Windows, where a file that anyone holds open cannot be
// replaced, a named mutex of the session named after the file's full path), taken before it is read and kept until the holder is destroyed or
// releases it. Programs that edit the same file this way take turns, each reading what the one
// before it saved, so parallel edits all keep their change. A replace renames a new file over the
// name; whoever was waiting then holds a file that is gone, notices, and waits for the new one.
class HeldFile {
 public:
  HeldFile() = default;
  ~HeldFile() { Release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  // Waits for the lock on the file path names, then reads it whole (at most maxBytes), with the
  // refusals of ReadFileLimited. On failure nothing is held.
  FileError Hold(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out);
  bool Held() const { return held_ != -1; }
  void Release();

 private:
  std::intptr_t held_ = -1;  // the open file's descriptor on Linux, the mutex handle on Windows
};

// The temporaries WriteFileAtomically makes for target are named "." + name + ".tmp-" and six
// characters; true when fileName is one of them.
bool IsTemporaryFor(const std::filesystem::path& target, const std::string& fileName);
std::string TemporaryPrefix(const std::filesystem::path& target);  // "." + name + ".tmp-"
inline constexpr size_t kTemporaryRandom = 6;                       // the XXXXXX of mkstemp

// The file a symbolic link points to, so that saving through a link updates that file and keeps
// the link; a dangling link, or a path that is no link, is itself.
std::filesystem::path WrittenThrough(const std::filesystem::path& path);

}  // namespace nr
