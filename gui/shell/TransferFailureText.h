#pragma once
// What the user reads when a read-all or a push did not complete: what failed, where, and what
// the device holds now.
#include <QString>

#include "link/TransferResult.h"

namespace nr::gui {

class AppContext;

// The message box text for a transfer that failed (result.ok() is false), in the UI language.
QString TransferFailureText(const AppContext& ctx, const TransferResult& result);

}  // namespace nr::gui
