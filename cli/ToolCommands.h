#pragma once
// The commands of the tool windows: machine settings and remote learning, input source and
// features, and the advanced EQ. Each reads what it needs from the device, changes it through
// the same core operations as the dialogs, and prints the result one item a line.
#include <span>
#include <string>

#include "CommandTable.h"

namespace nr::cli {

void RegisterMachineCommands(CommandTable& table);
void RegisterInputCommands(CommandTable& table);
void RegisterAdvancedEqCommands(CommandTable& table);
void RegisterEqListCommands(CommandTable& table);
void RegisterDiffCommand(CommandTable& table);
void RegisterScanCommand(CommandTable& table);
void RegisterVenueCommand(CommandTable& table);

// `remote learn N ...`, reached through the remote command; and its help paragraph.
int RunRemoteLearn(const CommandContext& ctx, std::span<const std::string> words);
std::string RemoteLearnHelp();

}  // namespace nr::cli
