#pragma once
// File names as text. Every text in this program is UTF-8, a command line's words included; a
// path made from a std::string would take it in the system's narrow code page on Windows (GBK on
// a Chinese PC), so a name typed as 预设.mode would name another file. These two go through
// UTF-8 on every system (on Linux they change nothing).
#include <filesystem>
#include <string>
#include <string_view>

namespace nr {

inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8OfPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace nr
