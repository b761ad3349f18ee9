// What nrctl prints of outside text: escapes where a terminal would act or mislead, the rest as
// it stands, Windows paths included.
#include "TerminalText.h"

#include <gtest/gtest.h>

namespace nr::cli {
namespace {

TEST(TerminalSafe, EscapesWhatATerminalWouldActOnAndKeepsReadableText) {
  EXPECT_EQ(TerminalSafe("NR\x1B[2J\a"), "NR\\x1B[2J\\x07");
  EXPECT_EQ(TerminalSafe("\xE5\xA4\xA7\xE5\x8E\x85 1"), "\xE5\xA4\xA7\xE5\x8E\x85 1");  // 大厅 1
  EXPECT_EQ(TerminalSafe("bad \xC3\x28 utf-8"), "bad \\xC3( utf-8");
  // Paths read as typed; only a backslash before an x is escaped, so every \x is an escape.
  EXPECT_EQ(TerminalSafe("C:\\Presets\\hall.mode"), "C:\\Presets\\hall.mode");
  EXPECT_EQ(TerminalSafe("C:\\x1B\\"), "C:\\x5Cx1B\\");
  EXPECT_EQ(TerminalSafe("\\\\x"), "\\\\x5Cx");
}

}  // namespace
}  // namespace nr::cli
