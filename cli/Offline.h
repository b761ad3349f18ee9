#pragma once
// Commands that work without a device: designing a filter section and inspecting mode files.
#include "CommandTable.h"

namespace nr::cli {

// Adds "design" and "inspect".
void RegisterOfflineCommands(CommandTable& table);

}  // namespace nr::cli
