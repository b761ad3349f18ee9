#pragma once
// Text that came from outside (a device's identification, a file's header, a path) made safe for
// a terminal: control characters, including the escape sequences that would move the cursor or
// retitle the window, and bytes that are not UTF-8 are shown as \xNN; a backslash followed by an
// x as \x5C, so every \x in the result is an escape and reads back unambiguously. Printable
// UTF-8 passes unchanged, other backslashes too (C:\Presets\hall.mode stays readable).
#include <string>
#include <string_view>

namespace nr::cli {

std::string TerminalSafe(std::string_view text);

}  // namespace nr::cli
