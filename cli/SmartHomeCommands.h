#pragma once
// The smart-home commands: plug (list, add, remove, switch, dim, rename, infrared keys) and scene
// (show, run, save).
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CommandTable.h"
#include "smarthome/SmartHomeMemory.h"

namespace nr::cli {

void RegisterSmartHomeCommands(CommandTable& table);

// The plug key folder the application uses: the user's documents folder (DocumentsFolder in
// core/shell) followed by 490/Plug.
std::filesystem::path DefaultKeyFolder();

// A scene given by number 0..5 or by name (tv, movie, karaoke, music, poweron, poweroff).
std::optional<int> ParseSceneName(std::string_view text);

// One line of `scene save`: "NODE VALUE" (VALUE a scene value, on, off or "key SLOT" with SLOT
// 1..32), "delay SECONDS" or "hdmi". Blank lines and '#' comments give nullopt without error.
std::optional<SceneStep> ParseStepLine(std::string_view line, std::string& error);

}  // namespace nr::cli
