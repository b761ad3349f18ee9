#pragma once
// Commands that set up the outputs of a device from a script: output, comp, delay and room.
#include "CommandTable.h"

namespace nr::cli {

void RegisterOutputCommands(CommandTable& table);

}  // namespace nr::cli
