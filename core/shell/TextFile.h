#pragma once
// Text files other programs wrote: UTF-8 with or without a byte-order mark, or UTF-16 (little-
// or big-endian) with its mark, as Windows editors save them. Every reader of such files (filter
// lists, in nrctl and in the application) goes through here, so a file reads the same everywhere.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "shell/AtomicFile.h"

namespace nr {

// The text as UTF-8, without a byte-order mark. UTF-16 is recognised by its mark only; a unit
// that is no character (a lone surrogate, an odd last byte) becomes U+FFFD. Other bytes are
// passed on as they are: the parsers read ASCII keywords and numbers, whatever surrounds them.
std::string DecodeText(std::span<const uint8_t> bytes);

// Reads a regular file of at most maxBytes (ReadFileLimited) and decodes it.
FileError ReadTextFile(const std::filesystem::path& path, size_t maxBytes, std::string& out);

}  // namespace nr
