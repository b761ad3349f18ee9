// nrctl's command line on Windows: the words come from the wide command line, split by the
// system's rules and handed on in UTF-8, so a Chinese file name names the file the user typed.
#include <gtest/gtest.h>

#include <filesystem>

#include "Console.h"
#include "shell/AtomicFile.h"
#include "shell/PathText.h"
#include "support/ScratchDir.h"

namespace nr::cli {
namespace {

using Words = std::vector<std::string>;

TEST(CommandLine, WordsAreUtf8AndSplitByTheSystemsRules) {
  EXPECT_EQ(WordsOfWideCommandLine(L"nrctl.exe --net 10.0.0.5 pull \u9884\u8bbe.mode"),
            (Words{"--net", "10.0.0.5", "pull", "\xe9\xa2\x84\xe8\xae\xbe.mode"}));
  EXPECT_EQ(WordsOfWideCommandLine(L"\"C:\\Program Files\\nrtune\\nrctl.exe\" push \"\u5927\u5385 1.mode\" --store 2"),
            (Words{"push", "\xe5\xa4\xa7\xe5\x8e\x85 1.mode", "--store", "2"}));
  EXPECT_EQ(WordsOfWideCommandLine(L"nrctl.exe name \"say \\\"hi\\\"\" C:\\dir\\"), (Words{"name", "say \"hi\"", "C:\\dir\\"}));
  EXPECT_EQ(WordsOfWideCommandLine(L"nrctl.exe"), Words{});
}

TEST(CommandLine, AWordFromTheCommandLineNamesTheFileTheUserTyped) {
  const test::ScratchDir dir("nrctl-words");
  const std::vector<std::string> words = WordsOfWideCommandLine(L"nrctl.exe pull \u9884\u8bbe.mode");
  ASSERT_EQ(words.size(), 2u);
  const uint8_t bytes[] = {1, 2, 3};
  ASSERT_FALSE(WriteFileAtomically(dir.path() / PathFromUtf8(words[1]), bytes));
  // The name the system shows for it is the one typed (UTF-16 straight from the literal).
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / std::filesystem::path(L"\u9884\u8bbe.mode")));
  EXPECT_EQ(Utf8OfPath(std::filesystem::directory_iterator(dir.path())->path().filename()), words[1]);
}

}  // namespace
}  // namespace nr::cli
