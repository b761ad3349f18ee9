#pragma once
// The user's documents folder as the desktop names it: on Linux XDG_DOCUMENTS_DIR in
// $XDG_CONFIG_HOME/user-dirs.dirs (~/.config/user-dirs.dirs), else ~/Documents. nrtune and nrctl
// both ask here, so the plug key files and the preset folder are the same for both.
#include <ctime>
#include <filesystem>
#include <string_view>

namespace nr {

// The file is a shell fragment (`XDG_DOCUMENTS_DIR="$HOME/Documents"`); a value may also stand
// without quotes. "$HOME" at its start is the home folder. An entry naming the home folder
// itself (the desktop's way of saying "no such folder") or a relative path is ignored; of
// several entries the last counts, as when a shell reads the file.
std::filesystem::path DocumentsFolder(const std::filesystem::path& home, const std::filesystem::path& configHome);

// The folder of this system: on Linux the above with HOME and XDG_CONFIG_HOME from the
// environment (an empty or unset XDG_CONFIG_HOME means ~/.config); on Windows the Documents
// folder the system names.
std::filesystem::path DocumentsFolder();

// The folder for the user's own data files (the venue file): $XDG_DATA_HOME when it is an
// absolute path, else ~/.local/share on Linux; the roaming application data folder (%APPDATA%)
// on Windows.
std::filesystem::path DataFolder();

// The local calendar time of `t` (thread-safe, unlike std::localtime).
std::tm LocalTime(std::time_t t);

}  // namespace nr
