#pragma once
// Writes a whole file so that readers see either the old contents or the new, never a half: the
// bytes go to a temporary file in the same folder, which is flushed and renamed over the target.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace nr {

struct FileError {
  int code = 0;         // errno of the failing step; 0 on success
  std::string message;  // what failed, for the user
  explicit operator bool() const { return code != 0 || !message.empty(); }
};

FileError WriteFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes);

// Reads at most maxBytes + 1 bytes, so callers can tell a file that is too long without reading a
// huge file into memory.
FileError ReadFileLimited(const std::filesystem::path& path, size_t maxBytes, std::vector<uint8_t>& out);

}  // namespace nr
