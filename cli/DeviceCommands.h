#pragma once
// Commands that talk to a device over USB or the network: info, pull, push, set, block, eq,
// mode, batch, status, monitor and remote.
#include "CommandTable.h"

namespace nr::cli {

void RegisterDeviceCommands(CommandTable& table);

}  // namespace nr::cli
