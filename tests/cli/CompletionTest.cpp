// The shell completion the package installs: every command and every option nrctl offers is
// completed, and the values where a choice is fixed (mode slots, channels, positions, files).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>

#include "ProgramRun.h"
#include "support/ScratchDir.h"

namespace nr::test {
namespace {

const std::filesystem::path kScripts = std::filesystem::path(NR_SOURCE_DIR) / "packaging" / "completion";

class Completion : public testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("NRCTL");
    if (!path || !*path) GTEST_SKIP() << "NRCTL is not set";
    nrctl_ = path;
  }

  // What bash offers for the last word of `words` (which may be empty), run in the scratch folder.
  std::set<std::string> Complete(const std::string& script, const std::string& function,
                                 const std::vector<std::string>& words) {
    std::string array;
    for (const std::string& w : words) array += Quote(w) + " ";
    std::filesystem::create_directories(files_);
    const std::string command = "cd " + Quote(files_.string()) + " && bash --norc --noprofile -c " +
                                Quote("source " + Quote((kScripts / script).string()) + "; COMP_WORDS=(" + array +
                                      "); COMP_CWORD=" + std::to_string(words.size() - 1) + "; " + function +
                                      "; printf '%s\\n' \"${COMPREPLY[@]}\"");
    const Result r = RunShell(command, dir_ / "bash.err");
    EXPECT_EQ(r.status, 0) << r.err;
    std::set<std::string> offered;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
      if (!line.empty()) offered.insert(line);
    return offered;
  }

  std::string Nrctl(const std::string& args) {
    return RunShell("ASAN_OPTIONS=detect_leaks=0 " + Quote(nrctl_.string()) + " " + args, dir_ / "nrctl.err").out;
  }
  std::vector<std::string> Commands() {
    std::vector<std::string> names;
    std::istringstream help(Nrctl("--help"));
    bool inside = false;
    for (std::string line; std::getline(help, line);) {
      if (line == "Commands:") inside = true;
      else if (inside && line.empty()) break;
      else if (inside) names.push_back(line.substr(2, line.find(' ', 2) - 2));
    }
    return names;
  }
  // The options a command's usage lines name.
  std::set<std::string> UsageOptions(const std::string& command) {
    const std::string help = Nrctl(command + " --help");
    const std::string usage = help.substr(0, help.find("\n\n"));
    std::set<std::string> options;
    const std::regex option("--[a-z][a-z-]*");
    for (auto it = std::sregex_iterator(usage.begin(), usage.end(), option); it != std::sregex_iterator(); ++it)
      options.insert(it->str());
    return options;
  }

  std::filesystem::path nrctl_;
  ScratchDir dir_{"completion"};
  std::filesystem::path files_ = dir_ / "files";  // where completion looks for file names
};

TEST_F(Completion, BashAndZshKnowEveryCommandAndOptionOfNrctl) {
  const std::vector<std::string> commands = Commands();
  ASSERT_GT(commands.size(), 20u);
  const std::string zsh = ReadText(kScripts / "_nrctl");
  const std::set<std::string> offered = Complete("nrctl.bash", "_nrctl", {"nrctl", ""});
  EXPECT_EQ(offered, std::set<std::string>(commands.begin(), commands.end()));
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    EXPECT_NE(zsh.find("'" + command + ":"), std::string::npos) << "zsh does not list the command";
    const std::set<std::string> options = Complete("nrctl.bash", "_nrctl", {"nrctl", "--net", "h", command, "--"});
    for (const std::string& option : UsageOptions(command)) {
      EXPECT_TRUE(options.count(option)) << "bash does not offer " << option;
      EXPECT_NE(zsh.find(option + "["), std::string::npos) << "zsh does not offer " << option;
    }
  }
  const std::set<std::string> global = Complete("nrctl.bash", "_nrctl", {"nrctl", "--"});
  for (const char* option : {"--net", "--usb", "--file", "--trace", "--quiet", "--help", "--version"}) {
    EXPECT_TRUE(global.count(option)) << option;
    EXPECT_NE(Nrctl("--help").find(option), std::string::npos) << option << " is no option of nrctl";
  }
}

TEST_F(Completion, BashAndZshKnowEveryOptionOfTheEmulator) {
  const std::string help =
      RunShell("ASAN_OPTIONS=detect_leaks=0 " + Quote((nrctl_.parent_path() / "nremu").string()) + " --help", dir_ / "e").out;
  const std::string zsh = ReadText(kScripts / "_nremu");
  const std::set<std::string> offered = Complete("nremu.bash", "_nremu", {"nremu", "--"});
  const std::regex option("--[a-z][a-z-]*");
  size_t count = 0;
  for (auto it = std::sregex_iterator(help.begin(), help.end(), option); it != std::sregex_iterator(); ++it, ++count) {
    EXPECT_TRUE(offered.count(it->str())) << it->str();
    EXPECT_TRUE(zsh.find(it->str() + "[") != std::string::npos || zsh.find(it->str() + "}") != std::string::npos)
        << it->str();
  }
  EXPECT_GT(count, 20u);
}

TEST_F(Completion, ValuesWhereTheChoiceIsFixed) {
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "mode", ""}), (std::set<std::string>{"load", "store", "factory"}));
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "mode", "load", ""}), (std::set<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "push", "x.mode", "--store", ""}),
            (std::set<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "comp", ""}).size(), 9u);  // 1..8 and rec
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "output", "3", "--position", "S"}),
            (std::set<std::string>{"SL", "SR", "SUB", "SBL", "SBR"}));
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "output", "3", "--mute", ""}), (std::set<std::string>{"on", "off"}));
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "scene", "run", "power"}),
            (std::set<std::string>{"poweron", "poweroff"}));
}

TEST_F(Completion, PresetsWhereAPresetIsNamed) {
  for (const char* name : {"a.mode", "B.MODE", "notes.txt", "sub/c.mode"}) {
    std::filesystem::create_directories((files_ / name).parent_path());
    std::ofstream(files_ / name) << "x";
  }
  const std::set<std::string> presets{"a.mode", "B.MODE", "sub"};
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "push", ""}), presets);
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "--file", ""}), presets);
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "set", "1", "2", "3", "--file", ""}), presets);
  EXPECT_EQ(Complete("nrctl.bash", "_nrctl", {"nrctl", "eq-import", "7", ""}),
            (std::set<std::string>{"a.mode", "B.MODE", "notes.txt", "sub"}));
  EXPECT_EQ(Complete("nrtune.bash", "_nrtune", {"nrtune", ""}), presets);
  EXPECT_EQ(Complete("nremu.bash", "_nremu", {"nremu", "--zwave", ""}), (std::set<std::string>{"on", "off"}));
}

}  // namespace
}  // namespace nr::test
