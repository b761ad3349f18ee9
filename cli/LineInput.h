#pragma once
// Lines of a script read from standard input, each at most a bounded length, so that input
// without line ends (nrctl batch < /dev/zero) is refused at once instead of filling the memory.
#include <cstddef>
#include <istream>
#include <string>

namespace nr::cli {

// Longer than any command line a script holds; a line past it is no command.
inline constexpr size_t kLongestScriptLine = 4096;

enum class LineRead { kLine, kEnd, kTooLong };

// Reads the next line (without its '\n') into line. kEnd when the input has ended with no
// further text; kTooLong when more than limit bytes came before a line end (those are read, the
// rest of the line is not).
LineRead ReadScriptLine(std::istream& in, std::string& line, size_t limit = kLongestScriptLine);

// "line N is longer than 4096 bytes"
std::string TooLongLineText(int lineNumber, size_t limit = kLongestScriptLine);

}  // namespace nr::cli
