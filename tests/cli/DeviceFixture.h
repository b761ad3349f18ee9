#pragma once
// What the nrctl device-command tests share: the emulator program on an ephemeral loopback port
// with --trace, so every payload it received and every answer it sent can be read back from its
// stderr, and nrctl run as a child process, exactly as scripts run it.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/Bytes.h"
#include "link/DeviceModel.h"
#include "link/ParamTable.h"
#include "shell/ModeFile.h"
#include "support/ScratchDir.h"

extern char** environ;

namespace nr::devtest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// Generous: the tests run beside others on small, loaded machines with sanitizers.
constexpr auto kStartTimeout = 30s;
constexpr auto kRunTimeout = 120s;
constexpr auto kTraceTimeout = 10s;

inline std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline Bytes ReadBytes(const fs::path& p) {
  const std::string text = ReadText(p);
  return Bytes(text.begin(), text.end());
}

inline void WriteBytes(const fs::path& p, const Bytes& bytes) {
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!done()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// Starts argv[0] with standard input, output and error on the given files.
inline pid_t Spawn(const std::vector<std::string>& argv, const fs::path& in, const fs::path& out, const fs::path& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The exit status, or -1 (after killing it) when the process outlives the time-out.
inline int WaitForExit(pid_t pid, std::chrono::milliseconds timeout) {
  int wstatus = 0;
  const bool exited = WaitUntil([&] { return ::waitpid(pid, &wstatus, WNOHANG) == pid; }, timeout);
  if (!exited) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &wstatus, 0);
    return -1;
  }
  return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

inline Bytes ParseHex(const std::string& text) {
  Bytes bytes;
  std::istringstream in(text);
  for (std::string word; in >> word;) bytes.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
  return bytes;
}

inline Bytes WordBytes(uint32_t word) {
  Bytes b(4);
  PutBE32(b.data(), word);
  return b;
}

inline Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The emulator program, one per test, on a port of its own choosing.
class EmulatorProcess {
 public:
  EmulatorProcess(fs::path program, fs::path dir) : program_(std::move(program)), dir_(std::move(dir)) {}
  ~EmulatorProcess() { Stop(); }

  bool Start(const std::vector<std::string>& options = {}) {
    std::vector<std::string> argv{program_.string(), "--port", "0", "--trace"};
    argv.insert(argv.end(), options.begin(), options.end());
    const fs::path out = dir_ / "nremu.out";
    pid_ = Spawn(argv, "/dev/null", out, trace_);
    if (pid_ < 0) return false;
    // "listening on ADDR:PORT"
    return WaitUntil(
        [&] {
          const std::string text = ReadText(out);
          const size_t colon = text.rfind(':');
          if (text.find('\n') == std::string::npos || colon == std::string::npos) return false;
          port_ = static_cast<uint16_t>(std::stoi(text.substr(colon + 1)));
          return true;
        },
        kStartTimeout);
  }

  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    WaitForExit(pid_, 10s);
    pid_ = -1;
  }

  // Ends it at once, as a pulled power cord does: no goodbye, its connections simply gone.
  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    WaitForExit(pid_, 10s);
    pid_ = -1;
  }

  std::string Target() const { return "127.0.0.1:" + std::to_string(port_); }
  uint16_t Port() const { return port_; }

  // Device command payloads as received, channel prefix removed (code first).
  std::vector<Bytes> Received() const { return Lines("emu <- ", true); }
  // Answers as sent, code first.
  std::vector<Bytes> Answers() const { return Lines("emu -> ", false); }

  // Both directions in the order they happened: true for a command received (channel prefix
  // removed), false for an answer sent.
  std::vector<std::pair<bool, Bytes>> Exchange() const {
    std::vector<std::pair<bool, Bytes>> result;
    std::istringstream in(ReadText(trace_));
    for (std::string line; std::getline(in, line);) {
      if (in.eof()) continue;
      const bool received = line.rfind("emu <- ", 0) == 0;
      if (!received && line.rfind("emu -> ", 0) != 0) continue;
      Bytes bytes = ParseHex(line.substr(7));
      if (received) {
        if (bytes.empty() || bytes[0] != 0x81) continue;
        bytes.erase(bytes.begin());
      }
      result.emplace_back(received, std::move(bytes));
    }
    return result;
  }

  std::vector<uint8_t> ReceivedCodes() const {
    std::vector<uint8_t> codes;
    for (const Bytes& p : Received())
      if (!p.empty()) codes.push_back(p[0]);
    return codes;
  }

  size_t Goodbyes() const {
    size_t n = 0;
    for (uint8_t c : ReceivedCodes()) n += c == 0x8A;
    return n;
  }
  // Waits until the device has seen n goodbyes, so the next client is not turned away.
  bool WaitForGoodbyes(size_t n) const {
    return WaitUntil([&] { return Goodbyes() >= n; }, kTraceTimeout);
  }

 private:
  std::vector<Bytes> Lines(const std::string& label, bool dropPrefix) const {
    std::vector<Bytes> result;
    std::istringstream in(ReadText(trace_));
    for (std::string line; std::getline(in, line);) {
      if (in.eof() || line.rfind(label, 0) != 0) continue;  // a line still being written
      Bytes bytes = ParseHex(line.substr(label.size()));
      if (dropPrefix) {
        if (bytes.empty() || bytes[0] != 0x81) continue;
        bytes.erase(bytes.begin());
      }
      result.push_back(std::move(bytes));
    }
    return result;
  }

  fs::path program_;
  fs::path dir_;
  fs::path trace_ = dir_ / "nremu.trace";
  pid_t pid_ = -1;
  uint16_t port_ = 0;
};

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class DeviceCommands : public testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("NRCTL");
    if (!path || !*path) GTEST_SKIP() << "NRCTL is not set";
    nrctl_ = path;
    nremu_ = nrctl_.parent_path() / "nremu";
    ASSERT_TRUE(fs::exists(nremu_)) << "build the nremu target: " << nremu_;
  }
  void TearDown() override {
    emu_.reset();
  }

  EmulatorProcess& StartEmulator(const std::vector<std::string>& options = {}) {
    emu_.reset();  // the trace file is reused: the previous emulator must have stopped writing
    emu_ = std::make_unique<EmulatorProcess>(nremu_, dir_);
    EXPECT_TRUE(emu_->Start(options)) << "nremu did not start";
    return *emu_;
  }

  Result Run(const std::vector<std::string>& args, const std::string& input = "") {
    const fs::path in = dir_ / "stdin.txt", out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    std::ofstream(in, std::ios::binary) << input;
    std::vector<std::string> argv{nrctl_.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    Result r;
    const pid_t pid = Spawn(argv, in, out, err);
    if (pid < 0) return r;
    r.status = WaitForExit(pid, kRunTimeout);
    r.out = ReadText(out);
    r.err = ReadText(err);
    return r;
  }

  // nrctl --net <the emulator> args...
  Result RunOnDevice(const std::vector<std::string>& args, const std::string& input = "") {
    std::vector<std::string> all{"--net", emu_->Target()};
    all.insert(all.end(), args.begin(), args.end());
    return Run(all, input);
  }

  // A mode file as a connected session writes it, from a model the test may change first.
  Bytes DefaultModeFile() {
    DeviceModel model;
    model.Update([](DeviceState& s) { s.info.version = kCommunicationVersion; });
    const fs::path p = dir_ / "default.mode";
    EXPECT_TRUE(WriteModeFile(p, model).ok());
    return ReadBytes(p);
  }

  fs::path nrctl_;
  fs::path nremu_;
  test::ScratchDir dir_{"nr_device"};
  std::unique_ptr<EmulatorProcess> emu_;
};

inline int WordOffset(int module, int index) {
  const int row = FindParamRow(module, index);
  EXPECT_GE(row, 0);
  return row < 0 ? 0 : ParamRows()[static_cast<size_t>(row)].WordOffset();
}

// The whole image as the device sent it in its 0x30 answers.
inline ParamImage ImageFromAnswers(const std::vector<Bytes>& answers) {
  ParamImage image{};
  for (const Bytes& a : answers) {
    if (a.size() < 4 || a[0] != 0x30) continue;
    const size_t offset = GetBE16(&a[1]);
    for (size_t i = 0; i < a[3] && 4 + i < a.size() && offset + i < image.size(); ++i) image[offset + i] = a[4 + i];
  }
  return image;
}

inline std::vector<uint8_t> BulkReadCodes() {
  std::vector<uint8_t> codes{0x80, 0x7F, 0x81, 0x7E, 0x07};
  codes.insert(codes.end(), 70, 0x30);
  codes.push_back(0x92);
  codes.push_back(0x62);
  return codes;
}

inline bool Contains(const std::vector<Bytes>& payloads, const Bytes& wanted) {
  for (const Bytes& p : payloads)
    if (p == wanted) return true;
  return false;
}

}  // namespace nr::devtest
