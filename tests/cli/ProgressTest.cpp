// push and pull on a terminal show how far they have come on stderr; in a pipe, or with
// --quiet, they print exactly what they always did.
#include <pty.h>

#include <poll.h>

#include <regex>

#include "DeviceFixture.h"

namespace nr::devtest {
namespace {

struct TerminalRun {
  int status = -1;
  std::string terminal;  // what reached the terminal (stderr, as the program wrote it)
  std::string out;       // standard output, redirected to a file
};

class Progress : public DeviceCommands {
 protected:
  // nrctl with stderr on a pseudo-terminal and stdout in a file, as a person running
  // `nrctl pull x.mode > log` sees it.
  TerminalRun RunOnTerminal(const std::vector<std::string>& args) {
    const fs::path out = dir_ / "terminal.out";
    std::vector<std::string> words{nrctl_.string(), "--net", emu_->Target()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    winsize size{};
    size.ws_col = 100;
    size.ws_row = 30;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
      const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(fd, STDOUT_FILENO);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    TerminalRun run;
    if (pid < 0) return run;
    const auto deadline = Clock::now() + kRunTimeout;
    char buf[4096];
    while (Clock::now() < deadline) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) break;  // the child has gone and the terminal closed
      run.terminal.append(buf, static_cast<size_t>(n));
    }
    ::close(master);
    run.status = WaitForExit(pid, kRunTimeout);
    run.out = ReadText(out);
    return run;
  }
};

TEST_F(Progress, PushAndPullShowTheirChunksOnATerminalAndEndWithAWord) {
  StartEmulator({"--latency-ms", "20"});  // a read of more than a second: the line moves
  const fs::path file = dir_ / "room.mode";
  const TerminalRun pull = RunOnTerminal({"pull", file.string()});
  ASSERT_EQ(pull.status, 0) << pull.terminal;
  EXPECT_TRUE(pull.terminal.starts_with("\r\x1b[Kpull: connecting")) << pull.terminal;
  EXPECT_TRUE(std::regex_search(pull.terminal, std::regex("\r\x1b\\[Kpull: [1-6]?[0-9]/70 chunks read\r")))
      << pull.terminal;
  EXPECT_TRUE(pull.terminal.ends_with("\r\x1b[Kpull: 70/70 chunks read, done\r\n")) << pull.terminal;
  EXPECT_EQ(pull.out, "");

  ASSERT_TRUE(emu_->WaitForGoodbyes(1));
  const TerminalRun push = RunOnTerminal({"push", file.string()});
  ASSERT_EQ(push.status, 0) << push.terminal;
  EXPECT_TRUE(push.terminal.ends_with("\r\x1b[Kpush: 70/70 chunks written, done\r\n")) << push.terminal;

  ASSERT_TRUE(emu_->WaitForGoodbyes(2));
  const TerminalRun quiet = RunOnTerminal({"--quiet", "push", file.string()});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.terminal, "");
}

TEST_F(Progress, AFailureOnATerminalLeavesOnlyItsMessage) {
  StartEmulator({"--bad-chunk", "skip:20"});
  const TerminalRun pull = RunOnTerminal({"pull", (dir_ / "x.mode").string()});
  EXPECT_EQ(pull.status, 1);
  // The line is taken away, then the message stands on a line of its own.
  const size_t message = pull.terminal.find("nrctl pull: ");
  ASSERT_NE(message, std::string::npos) << pull.terminal;
  EXPECT_TRUE(pull.terminal.substr(0, message).ends_with("\r\x1b[K")) << pull.terminal;
  EXPECT_EQ(pull.terminal.find("done"), std::string::npos);
}

TEST_F(Progress, InAPipeNothingIsAdded) {
  StartEmulator();
  const fs::path file = dir_ / "room.mode";
  const Result pull = RunOnDevice({"pull", file.string()});
  EXPECT_EQ(pull.status, 0);
  EXPECT_EQ(pull.err, "");
  EXPECT_EQ(pull.out, "");
  ASSERT_TRUE(emu_->WaitForGoodbyes(1));
  const Result push = RunOnDevice({"push", file.string()});
  EXPECT_EQ(push.status, 0);
  EXPECT_EQ(push.err, "");
  EXPECT_EQ(push.out, "");
}

}  // namespace
}  // namespace nr::devtest
