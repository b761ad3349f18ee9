// The device commands of nrctl against the emulator program on an ephemeral loopback port. The
// emulator runs with --trace, so every payload it received and every answer it sent can be read
// back from its stderr; nrctl runs as a child process, exactly as scripts run it.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "link/EqBandCodec.h"
#include "link/Bytes.h"
#include "link/DeviceModel.h"
#include "link/EqLayout.h"
#include "link/ParamTable.h"
#include "link/TransferResult.h"
#include "shell/ModeFile.h"
#include "DeviceFixture.h"

namespace nr {
namespace {

using namespace devtest;

TEST_F(DeviceCommands, InfoReadsTheWholeDeviceOnceAndPrintsItsIdentity) {
  EmulatorProcess& emu = StartEmulator({"--model", "WX490III"});
  const Result r = RunOnDevice({"info"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "module: WX490III\n"
            "mcu version: 2018-09-10\n"
            "dsp version: 2018-08-27\n"
            "communication version: 24\n"
            "current mode: M1\n"
            "machine settings: 00 00 00 00 00 63 63 00 00 00 00 00 00 00\n");
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  std::vector<uint8_t> expected = BulkReadCodes();
  expected.push_back(0x8A);
  EXPECT_EQ(emu.ReceivedCodes(), expected);
}

TEST_F(DeviceCommands, DeviceTextReachesTheTerminalEscaped) {
  // A module name that would clear the screen and retitle the terminal if printed raw.
  StartEmulator({"--model", "NR\x1b[2J\x1b]0;x\x07", "--protocol-version", "23"});
  const Result refused = RunOnDevice({"info"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("E:NR\\x1B[2J\\x1B]0;x\\x07_17 通信版本不匹配!"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.err.find('\x1b'), std::string::npos);

  emu_.reset();
  StartEmulator({"--model", "NR\x1b[2J"});
  const Result r = RunOnDevice({"info"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "module: NR\\x1B[2J");
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
}

TEST_F(DeviceCommands, PullWritesTheImageTheDeviceSent) {
  EmulatorProcess& emu = StartEmulator();
  // Make the device differ from the factory image the client starts with.
  ASSERT_EQ(RunOnDevice({"set", "1", "0x0E", "51"}).status, 0);
  ASSERT_EQ(RunOnDevice({"eq", "0", "3", "1", "1000", "-3", "1.41"}).status, 0);
  ASSERT_TRUE(emu.WaitForGoodbyes(2));

  const fs::path file = dir_ / "pulled.mode";
  const Result r = RunOnDevice({"pull", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const Bytes bytes = ReadBytes(file);
  ASSERT_EQ(bytes.size(), 4007u);
  EXPECT_EQ(bytes[0], kCommunicationVersion);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[4])), "NR490");

  const ParamImage sent = ImageFromAnswers(emu.Answers());
  const Bytes image(bytes.begin() + kModeFileHeaderSize, bytes.begin() + kModeFileSize);
  EXPECT_TRUE(image == Bytes(sent.begin(), sent.end()));
  const int word = WordOffset(1, 0x0E);
  EXPECT_EQ(GetBE32(&image[static_cast<size_t>(word)]), FloatBits(static_cast<float>(0.51f + 1e-7)));
  const EqBandBytes band = EncodeEqBand(-3.0f, 1000, 1.41f, 1);
  EXPECT_TRUE(std::equal(band.begin(), band.end(), image.begin() + EqBandOffset(0, 3)));

  // A file that cannot be written is a file error, and an earlier file stays as it was.
  const Result bad = RunOnDevice({"pull", (dir_ / "missing" / "x.mode").string()});
  EXPECT_EQ(bad.status, 3);
  EXPECT_NE(bad.err.find("missing"), std::string::npos) << bad.err;
}

TEST_F(DeviceCommands, PushWritesTheFileAndStoresItInTheSlot) {
  EmulatorProcess& emu = StartEmulator();
  Bytes file = DefaultModeFile();
  ASSERT_EQ(file.size(), 4007u);
  const size_t word = kModeFileHeaderSize + static_cast<size_t>(WordOffset(1, 0x0E));
  PutBE32(&file[word], FloatBits(0.25f));
  const EqBandBytes band = EncodeEqBand(6.0f, 2500, 2.0f, 1);
  std::copy(band.begin(), band.end(), file.begin() + kModeFileHeaderSize + EqBandOffset(1, 4));
  const fs::path path = dir_ / "changed.mode";
  WriteBytes(path, file);
  const Bytes image(file.begin() + kModeFileHeaderSize, file.begin() + kModeFileSize);

  const Result r = RunOnDevice({"push", path.string(), "--store", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(emu.WaitForGoodbyes(1));

  // Seventy chunks carry the image in order, then the end mark and the slot store.
  const std::vector<Bytes> received = emu.Received();
  Bytes written;
  size_t chunks = 0, last = 0;
  for (size_t i = 0; i < received.size(); ++i) {
    if (received[i][0] != 0x31) continue;
    EXPECT_EQ(GetBE16(&received[i][1]), written.size());
    written.insert(written.end(), received[i].begin() + 4, received[i].end());
    ++chunks;
    last = i;
  }
  EXPECT_EQ(chunks, 70u);
  EXPECT_TRUE(written == image);
  ASSERT_GE(received.size(), last + 10);
  EXPECT_EQ(received[last + 1], Bytes{0x32});
  // The record EQ has no room in the image: its five bands follow as coefficients for module 13.
  for (size_t band = 0; band < 5; ++band)
    EXPECT_EQ(Bytes(received[last + 2 + band].begin(), received[last + 2 + band].begin() + 5),
              (Bytes{0x09, 0x00, 0x0D, static_cast<uint8_t>(band), 0x05}));
  EXPECT_EQ(received[last + 7], (Bytes{0x03, 0x02}));
  EXPECT_EQ(received[last + 8], (Bytes{0x04, 0x02}));
  EXPECT_EQ(received.back(), Bytes{0x8A});

  // The device now holds the file's image.
  const fs::path back = dir_ / "back.mode";
  ASSERT_EQ(RunOnDevice({"pull", back.string()}).status, 0);
  const Bytes pulled = ReadBytes(back);
  ASSERT_EQ(pulled.size(), 4007u);
  EXPECT_TRUE(Bytes(pulled.begin() + kModeFileHeaderSize, pulled.begin() + kModeFileSize) == image);
}

TEST_F(DeviceCommands, SetSendsOneWordConvertedByTheParameterType) {
  EmulatorProcess& emu = StartEmulator();
  ASSERT_EQ(RunOnDevice({"set", "1", "0x0E", "51"}).status, 0);
  ASSERT_EQ(RunOnDevice({"set", "14", "1", "2.5"}).status, 0);        // a float parameter (dB)
  ASSERT_EQ(RunOnDevice({"set", "0x01", "0x27", "10"}).status, 0);    // milliseconds: 480 samples
  ASSERT_TRUE(emu.WaitForGoodbyes(3));
  const std::vector<Bytes> received = emu.Received();
  const float percent = static_cast<float>(static_cast<double>(51 / 100.0f) + 1e-7);
  EXPECT_TRUE(Contains(received, Concat({0x09, 0x00, 0x01, 0x0E, 0x01}, WordBytes(FloatBits(percent)))));
  EXPECT_TRUE(Contains(received, Concat({0x09, 0x00, 0x0E, 0x01, 0x01}, WordBytes(0x40200000))));
  EXPECT_TRUE(Contains(received, Concat({0x09, 0x00, 0x01, 0x27, 0x01}, WordBytes(480))));
}

TEST_F(DeviceCommands, UsageErrorsExitWith2BeforeConnecting) {
  EmulatorProcess& emu = StartEmulator();
  const std::vector<std::vector<std::string>> cases = {
      {"set", "1", "0x99", "5"},              // no such parameter
      {"set", "4", "0x10", "5"},              // a record without a single value
      {"set", "1", "0x0C", "256"},            // a byte parameter
      {"set", "1", "0x0E", "0.5"},            // a percent is whole
      {"block", "1", "0x0E", "1", "2"},       // longer than its one-word record
      {"block", "1", "0x0E", "xyz"},
      {"eq", "0", "15", "1", "1000", "0", "1"},  // set 0 has 15 band slots
      {"eq", "24", "0", "1", "1000", "0", "1"},
      {"eq", "0", "0", "22", "1000", "0", "1"},
      {"eq", "0", "0", "1", "0", "0", "1"},
      {"eq", "0", "0", "1", "1000", "nan", "1"},
      {"eq", "0", "0", "1", "1000", "0", "0"},
      {"mode", "load", "5"},
      {"mode", "jump", "1"},
      {"remote", "swap", "x.remo"},
      {"info", "extra"},
      {"status", "--jsn"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    const Result r = RunOnDevice(args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("usage: nrctl " + args[0]), std::string::npos) << r.err;
  }
  EXPECT_NE(RunOnDevice({"set", "1", "0x99", "5"}).err.find("no parameter with module 1, index 0x99"), std::string::npos);
  EXPECT_TRUE(emu.Received().empty());

  for (const char* name : {"info", "pull", "push", "set", "block", "eq", "mode", "batch", "status", "monitor", "remote"}) {
    SCOPED_TRACE(name);
    const Result help = Run({name, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: nrctl " + std::string(name), 0), 0u) << help.out;
  }
}

TEST_F(DeviceCommands, RefusedFilesExitWith3BeforeConnecting) {
  EmulatorProcess& emu = StartEmulator();
  Bytes old = DefaultModeFile();
  old[0] = 23;
  WriteBytes(dir_ / "old.mode", old);
  WriteBytes(dir_ / "short.remo", Bytes(29, 1));
  WriteBytes(dir_ / "long.remo", Bytes(31, 1));
  Bytes huge = DefaultModeFile();
  huge.resize(10 * 1024 * 1024);
  WriteBytes(dir_ / "huge.mode", huge);
  // A record header out of place: its words would go to another parameter.
  Bytes damaged = DefaultModeFile();
  damaged[kModeFileHeaderSize + static_cast<size_t>(ParamRows()[1].offset) + 1] ^= 0x40;
  WriteBytes(dir_ / "damaged.mode", damaged);
  // Nobody ever writes to the FIFO: a reader that opened it would wait forever.
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  for (const Case& c : std::vector<Case>{
           {{"push", (dir_ / "old.mode").string()}, "version 23"},
           {{"push", (dir_ / "none.mode").string()}, "No such file"},
           {{"push", (dir_ / "huge.mode").string()}, "holds 10485760 bytes"},
           {{"push", (dir_ / "pipe").string()}, "not a regular file"},
           {{"inspect", (dir_ / "pipe").string()}, "not a regular file"},
           {{"remote", "push", (dir_ / "short.remo").string()}, "this one 29"},
           {{"remote", "push", (dir_ / "long.remo").string()}, "this one 31"},
           {{"remote", "push", (dir_ / "pipe").string()}, "not a regular file"},
           {{"push", (dir_ / "damaged.mode").string()}, "damaged.mode: parameter record 2 of 235 (byte 1902) reads"},
           {{"inspect", (dir_ / "damaged.mode").string()}, "damaged.mode: parameter record 2 of 235"},
           {{"diff", (dir_ / "damaged.mode").string(), "device"}, "damaged.mode: parameter record 2 of 235"},
       }) {
    SCOPED_TRACE(c.args.back());
    const Result r = RunOnDevice(c.args);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_TRUE(emu.Received().empty());
}

TEST_F(DeviceCommands, ARefusedConnectionExitsWith1) {
  // A bound socket that does not listen refuses every connection.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  const std::string target = "127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
  const Result r = Run({"--net", target, "info"});
  ::close(fd);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot connect to " + target + ": Connection refused"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());

  // No test machine has the processor plugged in.
  const Result usb = Run({"--usb", "info"});
  EXPECT_EQ(usb.status, 1);
  EXPECT_NE(usb.err.find("no device found (vendor 2010, product 1031)"), std::string::npos) << usb.err;
}

TEST_F(DeviceCommands, AnotherProtocolVersionExitsWith1AndTheDevicesText) {
  EmulatorProcess& emu = StartEmulator({"--protocol-version", "23"});
  for (const auto& args : std::vector<std::vector<std::string>>{{"info"}, {"set", "1", "0x0E", "51"}}) {
    SCOPED_TRACE(args[0]);
    const Result r = RunOnDevice(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("E:NR490_17 通信版本不匹配!"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  ASSERT_TRUE(emu.WaitForGoodbyes(2));
  // Each run identifies twice, reads nothing and says goodbye; the write never goes out.
  const std::vector<uint8_t> once{0x80, 0x7F, 0x81, 0x7E, 0x80, 0x7F, 0x81, 0x7E, 0x8A};
  std::vector<uint8_t> expected = once;
  expected.insert(expected.end(), once.begin(), once.end());
  EXPECT_EQ(emu.ReceivedCodes(), expected);
}

TEST_F(DeviceCommands, BatchReportsBadLinesAndStillSendsTheGoodOnes) {
  EmulatorProcess& emu = StartEmulator();
  const Result r = RunOnDevice({"batch"},
                               "# microphone\n"
                               "set 1 0x0E 51\n"
                               "\n"
                               "set 1 0x99 5\n"
                               "eq 0 3 1 1000 -3 1.41   # a cut\n"
                               "block 1 0x0E 3F000000 3F000000\n"
                               "set 1 0x10 20\r\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("line 4: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("line 6: "), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("line 2"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("line 5"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("line 7"), std::string::npos) << r.err;
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  const std::vector<Bytes> received = emu.Received();
  const float percent51 = static_cast<float>(static_cast<double>(0.51f) + 1e-7);
  const float percent20 = static_cast<float>(static_cast<double>(0.2f) + 1e-7);
  EXPECT_TRUE(Contains(received, Concat({0x09, 0x00, 0x01, 0x0E, 0x01}, WordBytes(FloatBits(percent51)))));
  EXPECT_TRUE(Contains(received, Concat({0x09, 0x00, 0x01, 0x10, 0x01}, WordBytes(FloatBits(percent20)))));
  const EqBandBytes band = EncodeEqBand(-3.0f, 1000, 1.41f, 1);
  const int offset = EqBandOffset(0, 3);
  EXPECT_TRUE(Contains(received, Concat({0x85, static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset), 7},
                                        Bytes(band.begin(), band.end()))));
  EXPECT_EQ(received.back(), Bytes{0x8A});
}

// Input that is no script (no line ends) is refused at its first long line, without reading on:
// what came before it is still sent, and the goodbye follows.
TEST_F(DeviceCommands, BatchRefusesALineLongerThanAnyScriptHolds) {
  EmulatorProcess& emu = StartEmulator();
  const Result r = RunOnDevice({"batch"}, "set 1 0x0E 51\n" + std::string(5000, 'x') + "\nset 1 0x10 20\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("nrctl batch: line 2 is longer than 4096 bytes"), std::string::npos) << r.err;
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  const std::vector<Bytes> received = emu.Received();
  EXPECT_TRUE(std::any_of(received.begin(), received.end(), [](const Bytes& p) { return p.size() > 3 && p[0] == 0x09 && p[3] == 0x0E; }));
  EXPECT_FALSE(std::any_of(received.begin(), received.end(), [](const Bytes& p) { return p.size() > 3 && p[0] == 0x09 && p[3] == 0x10; }));

  // Endless input: one host, several hosts (whose input is read before any is reached), and a
  // scene, each refused at once.
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--net", emu.Target(), "batch"},
           {"--net", "127.0.0.1:9,127.0.0.1:10", "batch"},
           {"--net", emu.Target(), "scene", "save", "1"}}) {
    SCOPED_TRACE(args.back());
    std::vector<std::string> argv{nrctl_.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = Spawn(argv, "/dev/zero", dir_ / "zero.out", dir_ / "zero.err");
    ASSERT_GT(pid, 0);
    EXPECT_EQ(WaitForExit(pid, kRunTimeout), 2) << ReadText(dir_ / "zero.err");
    EXPECT_NE(ReadText(dir_ / "zero.err").find("line 1 is longer than 4096 bytes"), std::string::npos) << ReadText(dir_ / "zero.err");
  }
}

TEST_F(DeviceCommands, BatchKeepsWritesOnTheirSideOfAModeStore) {
  // The send queue replaces a waiting write with a later one of the same parameter; a store in
  // between must still see the first value and the slot after it the second. A slow device
  // keeps the writes waiting in the queue.
  EmulatorProcess& emu = StartEmulator({"--latency-ms", "300"});
  const Result r =
      RunOnDevice({"batch"}, "set 1 0x0F 50\nset 1 0x0E 10\nmode store 2\nset 1 0x0E 20\nmode store 3\n");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  std::vector<Bytes> writes;
  for (const Bytes& p : emu.Received())
    if ((p[0] == 0x09 && p[3] == 0x0E) || p[0] == 0x04) writes.push_back(p);
  const auto word = [](int percent) {
    return WordBytes(FloatBits(static_cast<float>(static_cast<double>(percent / 100.0f) + 1e-7)));
  };
  const std::vector<Bytes> expected{Concat({0x09, 0x00, 0x01, 0x0E, 0x01}, word(10)), Bytes{0x04, 0x01},
                                    Concat({0x09, 0x00, 0x01, 0x0E, 0x01}, word(20)), Bytes{0x04, 0x02}};
  EXPECT_EQ(writes, expected);
}

// The device answers neither the select (03) nor the store (04). Waiting for those answers made
// each command a 2 s answer time-out slower than its twin without the store, and fail naming the
// store; so each is timed against that twin.
TEST_F(DeviceCommands, StoringIntoASlotWaitsForNoAnswer) {
  EmulatorProcess& emu = StartEmulator();
  const fs::path preset = dir_ / "preset.mode";
  WriteBytes(preset, DefaultModeFile());
  size_t sessions = 0;
  const auto timed = [&](const std::vector<std::string>& args) {
    const auto start = Clock::now();
    const Result r = RunOnDevice(args);
    const auto took = Clock::now() - start;
    EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
    EXPECT_TRUE(emu.WaitForGoodbyes(++sessions));  // the next session is not turned away
    return took;
  };
  const auto set = timed({"set", "1", "0x0E", "40"});
  const auto store = timed({"mode", "store", "2"});
  const auto push = timed({"push", preset.string()});
  const auto pushStore = timed({"push", preset.string(), "--store", "4"});
  EXPECT_LT(store - set, 1500ms);
  EXPECT_LT(pushStore - push, 1500ms);
  const std::vector<Bytes> received = emu.Received();
  EXPECT_TRUE(Contains(received, Bytes{0x04, 0x01}));
  EXPECT_TRUE(Contains(received, Bytes{0x03, 0x03}));
  EXPECT_TRUE(Contains(received, Bytes{0x04, 0x03}));
}

TEST_F(DeviceCommands, ModeLoadWaitsForTheDevicesReadAll) {
  EmulatorProcess& emu = StartEmulator();
  const Result r = RunOnDevice({"mode", "load", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  std::vector<uint8_t> expected{0x80, 0x7F, 0x81, 0x7E, 0x05};
  const std::vector<uint8_t> read = BulkReadCodes();
  expected.insert(expected.end(), read.begin(), read.end());
  expected.push_back(0x8A);
  EXPECT_EQ(emu.ReceivedCodes(), expected);
  EXPECT_TRUE(Contains(emu.Received(), Bytes{0x05, 0x01}));

  const Result info = RunOnDevice({"info"});
  EXPECT_NE(info.out.find("current mode: M2\n"), std::string::npos) << info.out << info.err;
}

TEST_F(DeviceCommands, RemoteTableRoundTrip) {
  EmulatorProcess& emu = StartEmulator();
  Bytes table(30);
  for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(7 * i + 1);
  const fs::path in = dir_ / "in.remo", out = dir_ / "out.remo";
  WriteBytes(in, table);
  ASSERT_EQ(RunOnDevice({"remote", "push", in.string()}).status, 0);
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  EXPECT_TRUE(Contains(emu.Received(), Concat({0x63}, table)));

  const Result r = RunOnDevice({"remote", "pull", out.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  // The device reports the first 16 bytes of its table; the rest of the file stays zero.
  Bytes expected(table.begin(), table.begin() + 16);
  expected.resize(30, 0);
  EXPECT_EQ(ReadBytes(out), expected);
}

TEST_F(DeviceCommands, StatusPrintsTheDecodedAnswer) {
  EmulatorProcess& emu = StartEmulator();
  const Result r = RunOnDevice({"status"});
  ASSERT_EQ(r.status, 0) << r.err;
  Bytes answer;
  for (const Bytes& a : emu.Answers())
    if (a[0] == 0x0E) answer = a;
  ASSERT_EQ(answer.size(), 31u);
  std::string meters = "meters:";
  for (int i = 1; i <= 6; ++i) {
    meters += ' ';
    meters += std::to_string(answer[static_cast<size_t>(i)]);
  }
  EXPECT_NE(r.out.find(meters + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("decoder: DTS-HD\n"), std::string::npos) << r.out;  // the emulator's format
  EXPECT_NE(r.out.find("pitch: " + std::to_string((answer[8] >> 4) - 5) + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("mic A: RF " + std::to_string(answer[9]) + ", AF " + std::to_string(answer[10])),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("converters: MIC "), std::string::npos) << r.out;
}

TEST_F(DeviceCommands, InfoAndStatusInJsonCarryWhatTheTextShows) {
  // A module name that is no UTF-8 still gives valid JSON.
  StartEmulator({"--model", "NR\xff" "490"});
  const Result info = RunOnDevice({"info", "--json"});
  ASSERT_EQ(info.status, 0) << info.err;
  const nlohmann::json i = nlohmann::json::parse(info.out);
  EXPECT_EQ(i["module"], "NR\xEF\xBF\xBD" "490");
  EXPECT_EQ(i["mcuVersion"], "2018-09-10");
  EXPECT_EQ(i["communicationVersion"], 24);
  EXPECT_EQ(i["currentMode"], 1);
  EXPECT_EQ(i["machineSettings"], nlohmann::json({0, 0, 0, 0, 0, 99, 99, 0, 0, 0, 0, 0, 0, 0}));

  ASSERT_TRUE(emu_->WaitForGoodbyes(1));
  const Result status = RunOnDevice({"status", "--json"});
  ASSERT_EQ(status.status, 0) << status.err;
  Bytes answer;
  for (const Bytes& a : emu_->Answers())
    if (a[0] == 0x0E) answer = a;
  ASSERT_EQ(answer.size(), 31u);
  const nlohmann::json j = nlohmann::json::parse(status.out);
  EXPECT_EQ(j["meters"], nlohmann::json({answer[1], answer[2], answer[3], answer[4], answer[5], answer[6]}));
  EXPECT_EQ(j["decoder"], "DTS-HD");
  EXPECT_EQ(j["pitch"], (answer[8] >> 4) - 5);
  EXPECT_EQ(j["mics"][0], nlohmann::json({{"mic", "A"}, {"rf", answer[9]}, {"af", answer[10]}, {"channel", answer[11]},
                                          {"battery", answer[12]}}));
  EXPECT_EQ(j["converters"]["outputs"].size(), 4u);
}

TEST_F(DeviceCommands, MonitorInJsonPrintsOneObjectPerLine) {
  for (const bool answering : {true, false}) {
    EmulatorProcess& emu = StartEmulator(answering ? std::vector<std::string>{} : std::vector<std::string>{"--no-answer", "0E"});
    const fs::path out = dir_ / "monitor.out", err = dir_ / "monitor.err";
    const pid_t pid = Spawn({nrctl_.string(), "--net", emu.Target(), "monitor", "--json"}, "/dev/null", out, err);
    ASSERT_GT(pid, 0);
    const bool twoLines = WaitUntil([&] { return std::ranges::count(ReadText(out), '\n') >= 2; }, kRunTimeout);
    ::kill(pid, SIGINT);
    EXPECT_TRUE(twoLines) << ReadText(err);
    EXPECT_EQ(WaitForExit(pid, kRunTimeout), 0) << ReadText(err);
    std::istringstream lines(ReadText(out));
    for (std::string line; std::getline(lines, line);) {
      const nlohmann::json sample = nlohmann::json::parse(line);  // each line an object of its own
      if (answering)
        EXPECT_EQ(sample["meters"].size(), 6u) << line;
      else
        EXPECT_EQ(sample, nlohmann::json({{"error", "the device did not answer the status query"}}));
    }
  }
}

TEST_F(DeviceCommands, AStatusQueryWithoutAnswerIsAFailure) {
  StartEmulator({"--no-answer", "0E"});
  const Result r = RunOnDevice({"status"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("did not answer the status query"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty()) << r.out;
}

TEST_F(DeviceCommands, MonitorSaysGoodbyeWhenInterrupted) {
  EmulatorProcess& emu = StartEmulator();
  const fs::path out = dir_ / "monitor.out", err = dir_ / "monitor.err";
  const pid_t pid = Spawn({nrctl_.string(), "--net", emu.Target(), "monitor"}, "/dev/null", out, err);
  ASSERT_GT(pid, 0);
  const bool twoSamples = WaitUntil(
      [&] {
        const std::string text = ReadText(out);
        return text.find("decoder:") != text.rfind("decoder:");
      },
      kRunTimeout);
  // The device serves one client at a time: a second one is turned away.
  const Result busy = RunOnDevice({"info"});
  EXPECT_EQ(busy.status, 1);
  EXPECT_NE(busy.err.find("connected to another client"), std::string::npos) << busy.err;

  ::kill(pid, SIGINT);
  EXPECT_TRUE(twoSamples) << ReadText(err);
  EXPECT_EQ(WaitForExit(pid, kRunTimeout), 0) << ReadText(err);
  EXPECT_TRUE(emu.WaitForGoodbyes(1));
}

size_t CountCode(const std::vector<uint8_t>& codes, uint8_t code) {
  return static_cast<size_t>(std::count(codes.begin(), codes.end(), code));
}

TEST_F(DeviceCommands, PullAndInfoWriteNothingFromAnIncompleteOrDoubtfulRead) {
  const fs::path file = dir_ / "pulled.mode";
  // A chunk that always comes back for another offset.
  EmulatorProcess* emu = &StartEmulator({"--bad-chunk", "offset:12"});
  Result r = RunOnDevice({"pull", file.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nrctl pull: the device answered wrongly while reading the image (chunk 13 of 70)"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(file));
  ASSERT_TRUE(emu->WaitForGoodbyes(1));
  r = RunOnDevice({"info"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out.empty()) << r.out;

  // An error the device reports in the middle of the read.
  emu = &StartEmulator({"--error-at-chunk", "5"});
  r = RunOnDevice({"pull", file.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the device reported an error: 参数错误,代码0x:05,指令1:0x30"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(file));

  // A chunk left unanswered once is asked for again.
  emu = &StartEmulator({"--bad-chunk", "skip:12:1"});
  r = RunOnDevice({"pull", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const Bytes bytes = ReadBytes(file);
  ASSERT_EQ(bytes.size(), 4007u);
  const ParamImage sent = ImageFromAnswers(emu->Answers());
  EXPECT_TRUE(std::equal(sent.begin(), sent.end(), bytes.begin() + kModeFileHeaderSize));
  EXPECT_EQ(CountCode(emu->ReceivedCodes(), 0x30), 71u);
}

TEST_F(DeviceCommands, APushThatFailsPartWaySaysWhatTheDeviceNowHolds) {
  EmulatorProcess& emu = StartEmulator({"--bad-write", "code:30"});
  const fs::path path = dir_ / "preset.mode";
  WriteBytes(path, DefaultModeFile());
  const Result r = RunOnDevice({"push", path.string(), "--store", "2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nrctl push: the device answered wrongly while writing the image (chunk 31 of 70); the "
                       "device now holds part of the new preset; push again or load a mode"),
            std::string::npos)
      << r.err;
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  const std::vector<uint8_t> codes = emu.ReceivedCodes();
  EXPECT_EQ(CountCode(codes, 0x31), 30u + 3u);  // 30 chunks taken, then the 31st asked three times
  EXPECT_EQ(CountCode(codes, 0x32) + CountCode(codes, 0x03) + CountCode(codes, 0x04), 0u);
}

// Ctrl-C during a push stops it after the request under way, says what the device now holds as
// a failed link does, and still says goodbye.
TEST_F(DeviceCommands, AnInterruptedPushSaysWhatTheDeviceNowHolds) {
  EmulatorProcess& emu = StartEmulator({"--latency-ms", "40"});
  const fs::path path = dir_ / "preset.mode";
  WriteBytes(path, DefaultModeFile());
  const fs::path out = dir_ / "push.out", err = dir_ / "push.err";
  const pid_t pid = Spawn({nrctl_.string(), "--net", emu.Target(), "push", path.string(), "--store", "2"}, "/dev/null", out, err);
  ASSERT_GT(pid, 0);
  const bool writing = WaitUntil([&] { return CountCode(emu.ReceivedCodes(), 0x31) >= 3; }, kRunTimeout);
  ::kill(pid, SIGINT);
  ASSERT_TRUE(writing) << ReadText(err);
  EXPECT_EQ(WaitForExit(pid, kRunTimeout), 1) << ReadText(err);
  EXPECT_NE(ReadText(err).find("nrctl push: interrupted while writing the image (chunk "), std::string::npos) << ReadText(err);
  EXPECT_NE(ReadText(err).find(std::string("; ") + kPartlyWrittenAdvice), std::string::npos) << ReadText(err);
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  const std::vector<uint8_t> codes = emu.ReceivedCodes();
  EXPECT_LT(CountCode(codes, 0x31), 70u);
  EXPECT_EQ(CountCode(codes, 0x32) + CountCode(codes, 0x03) + CountCode(codes, 0x04), 0u) << "nothing was stored";
}

TEST_F(DeviceCommands, EachWriteWaitsForItsOwnAnswerAndTheGoodbyeForTheLast) {
  EmulatorProcess& emu = StartEmulator({"--latency-ms", "450"});
  const Result r = RunOnDevice({"batch"}, "set 1 0x0E 51\nset 1 0x0F 52\nset 1 0x10 53\n");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  // The device answers every command of this session: each one, the goodbye too, must wait
  // for the answer to the one before.
  int waiting = 0;
  size_t writes = 0;
  for (const auto& [received, bytes] : emu.Exchange()) {
    if (received) {
      EXPECT_EQ(waiting, 0) << "sent before the previous answer: " << std::hex << int(bytes[0]);
      waiting = 1;
      writes += bytes[0] == 0x09;
    } else {
      --waiting;
    }
  }
  EXPECT_EQ(writes, 3u);
}

TEST_F(DeviceCommands, AWriteTheDeviceNeverAnswersFailsTheCommandAndSaysWhich) {
  EmulatorProcess& emu = StartEmulator({"--no-answer", "09"});
  const Result r = RunOnDevice({"set", "1", "0x0E", "51"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nrctl set: the device did not answer the write to module 1, index 0x0E"), std::string::npos)
      << r.err;
  EXPECT_TRUE(emu.WaitForGoodbyes(1));

  // A batch stops at the first write left unanswered: the rest would each wait out the time-out.
  std::string script;
  for (int set = 0; set < 7; ++set)
    for (int band = 0; band < 10; ++band) script += "eq " + std::to_string(set) + " " + std::to_string(band) + " 1 1000 0 1\n";
  const Result batch = RunOnDevice({"batch"}, script);
  EXPECT_EQ(batch.status, 1);
  EXPECT_NE(batch.err.find("nrctl batch: the device did not answer the write to module"), std::string::npos) << batch.err;
  EXPECT_NE(batch.err.find("nrctl batch: stopped at line "), std::string::npos) << batch.err;
  EXPECT_TRUE(emu.WaitForGoodbyes(2));
  EXPECT_LT(CountCode(emu.ReceivedCodes(), 0x09), 70u);

  // Nothing is printed as done that the device never confirmed.
  const Result output = RunOnDevice({"output", "1", "--mute", "on"});
  EXPECT_EQ(output.status, 1);
  EXPECT_EQ(output.out, "");
  EXPECT_NE(output.err.find("nrctl output: the device did not answer the write to module 5"), std::string::npos)
      << output.err;
}

TEST_F(DeviceCommands, ALinkLostDuringTheReadSaysWhatWasBeingDone) {
  StartEmulator({"--latency-ms", "20", "--drop-after", "0.8"});
  const fs::path file = dir_ / "pulled.mode";
  const Result r = RunOnDevice({"pull", file.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nrctl pull: lost the connection while reading the image (chunk "), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(DeviceCommands, AFloodOfModeNoticesCostsOneMoreReadAndNoMore) {
  EmulatorProcess& emu = StartEmulator({"--notice-flood", "1000"});
  const Result r = RunOnDevice({"mode", "load", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  EXPECT_EQ(CountCode(emu.ReceivedCodes(), 0x30), 2u * 70u);
}

TEST_F(DeviceCommands, MonitorSaysWhenTheDeviceDoesNotAnswer) {
  EmulatorProcess& emu = StartEmulator({"--no-answer", "0E"});
  const fs::path out = dir_ / "monitor.out", err = dir_ / "monitor.err";
  const pid_t pid = Spawn({nrctl_.string(), "--net", emu.Target(), "monitor"}, "/dev/null", out, err);
  ASSERT_GT(pid, 0);
  const bool said = WaitUntil(
      [&] { return ReadText(out).find("the device did not answer the status query\n") != std::string::npos; },
      kRunTimeout);
  ::kill(pid, SIGINT);
  EXPECT_TRUE(said) << ReadText(err);
  EXPECT_EQ(WaitForExit(pid, kRunTimeout), 0) << ReadText(err);
  EXPECT_EQ(ReadText(out).find("meters:"), std::string::npos) << "a silent device has no reading to print";
}

// ---- output, comp, delay and room ----------------------------------------------------------

Bytes PercentWord(int v) {
  return v == 0 ? WordBytes(0) : WordBytes(FloatBits(static_cast<float>(static_cast<double>(v / 100.0f) + 1e-7)));
}

// The last DSP write the device received for (module, index), words only.
Bytes LastWords(const std::vector<Bytes>& received, int module, int index) {
  Bytes last;
  for (const Bytes& p : received)
    if (p.size() > 5 && p[0] == 0x09 && p[2] == module && p[3] == index) last.assign(p.begin() + 5, p.end());
  return last;
}

// The last band record stored at a set's band.
EqBand LastRecord(const std::vector<Bytes>& received, int set, int band) {
  EqBand b;
  for (const Bytes& p : received)
    if (p.size() == 11 && p[0] == 0x85 && GetBE16(&p[1]) == EqBandOffset(set, band)) b = DecodeEqBand(&p[4]);
  return b;
}

TEST_F(DeviceCommands, OutputChangesTheNamedChannelsOnly) {
  EmulatorProcess& emu = StartEmulator();
  const Result r = RunOnDevice({"output", "1,3", "--direct", "50", "--mute", "on", "--phase", "inverted", "--eq-bypass", "on"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "output 1: direct send 50 %\noutput 1: mute on\noutput 1: phase inverted\noutput 1: EQ bypass on\n"
            "output 3: direct send 50 %\noutput 3: mute on\noutput 3: phase inverted\noutput 3: EQ bypass on\n");
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  std::vector<Bytes> received = emu.Received();
  EXPECT_EQ(LastWords(received, 5, 0x14), PercentWord(50));
  EXPECT_EQ(LastWords(received, 7, 0x1A), PercentWord(0));
  EXPECT_EQ(LastWords(received, 7, 0x19), PercentWord(-100));
  EXPECT_EQ(LastWords(received, 5, 0x0F), WordBytes(1));
  EXPECT_TRUE(LastWords(received, 6, 0x14).empty());  // the front link of the application does not apply

  // The position goes first, so the reset of a channel moved to SUB gets the crossover.
  const Result sub = RunOnDevice({"output", "2", "--position", "SUB", "--eq-reset"});
  ASSERT_EQ(sub.status, 0) << sub.err;
  EXPECT_EQ(sub.out, "output 2: position SUB\noutput 2: EQ reset (SUB: 24 dB/octave low-pass at 100 Hz)\n");
  ASSERT_TRUE(emu.WaitForGoodbyes(2));
  received = emu.Received();
  EXPECT_EQ(LastWords(received, 6, 0x10), WordBytes(4));
  EXPECT_EQ(LastRecord(received, 8, 9).type, 18);
  EXPECT_EQ(LastRecord(received, 8, 10).type, 20);

  // Without options: what the channels hold now, read back from the device.
  const Result show = RunOnDevice({"output", "1"});
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(show.out, "output 1: position L, direct 50 %, reverb 100 %, echo 100 %, music 100 %, mute on, "
                      "phase inverted, EQ bypass on\n");
}

TEST_F(DeviceCommands, CompKeepsTheSettingsNotGiven) {
  EmulatorProcess& emu = StartEmulator();
  ASSERT_EQ(RunOnDevice({"comp", "2", "--threshold", "-20", "--attack", "8"}).status, 0);
  const Result r = RunOnDevice({"comp", "2", "--ratio", "4", "--on"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "output 2 compressor: threshold -20 dB, ratio 4.0:1, attack 8 ms, release 100 ms, on\n");
  const Result rec = RunOnDevice({"comp", "rec", "--release", "250"});
  ASSERT_EQ(rec.status, 0) << rec.err;
  EXPECT_EQ(rec.out, "record output compressor: threshold 0 dB, ratio 30.0:1, attack 1 ms, release 250 ms, off\n");
  ASSERT_TRUE(emu.WaitForGoodbyes(3));
  const std::vector<Bytes> received = emu.Received();
  const Bytes block = LastWords(received, 6, 0x1B);
  ASSERT_EQ(block.size(), 28u);
  EXPECT_EQ(BitsFloat(GetBE32(&block[0])), -20.0f);
  EXPECT_EQ(BitsFloat(GetBE32(&block[8])), 0.75f);
  EXPECT_EQ(LastWords(received, 6, 0x1C), WordBytes(0));
  const Bytes record = LastWords(received, 13, 0x04);
  ASSERT_EQ(record.size(), 28u);
  // The factory attack is re-sent as 1 ms, not truncated to an instant one.
  EXPECT_EQ(BitsFloat(GetBE32(&record[20])), static_cast<float>(1.0 - std::exp(-1.0 / 48.0)));
}

TEST_F(DeviceCommands, DelaySetsTimeSwitchModeAndSplit) {
  EmulatorProcess& emu = StartEmulator();
  const Result r = RunOnDevice({"delay", "2", "--ms", "1.4", "--on", "--mode", "split", "--split-hz", "1200"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "output 2 delay: 1.4 ms, on, above 1200 Hz\n");
  const Result whole = RunOnDevice({"delay", "2", "--mode", "channel"});
  EXPECT_EQ(whole.out, "output 2 delay: 1.4 ms, on, whole channel (split frequency 1200 Hz kept)\n");
  ASSERT_TRUE(emu.WaitForGoodbyes(2));
  const std::vector<Bytes> received = emu.Received();
  EXPECT_TRUE(Contains(received, Concat({0x09, 0x00, 0x06, 0x12, 0x01}, WordBytes(67))));
  EXPECT_TRUE(Contains(received, Concat({0x09, 0x00, 0x06, 0x13, 0x01}, WordBytes(0))));
  EXPECT_TRUE(Contains(received, Bytes{0x09, 0x00, 0x06, 0x11, 0x02, 0x3F, 0x80, 0, 0, 0x3F, 0x80, 0, 0}));
  EXPECT_EQ(LastRecord(received, 8, 13).type, 1);
  EXPECT_EQ(LastRecord(received, 8, 13).freq, 1200);
  EXPECT_EQ(LastRecord(received, 8, 14).freq, 1700);
}

TEST_F(DeviceCommands, RoomPlacesTheListenerAndPrintsTheLevels) {
  EmulatorProcess& emu = StartEmulator();
  const Result r = RunOnDevice({"room", "--size", "5", "10", "--listener", "0.5", "-9", "--speaker", "1", "-1", "1",
                                "--speaker", "5", "0", "-2", "--locate", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("room: 5 m x 10 m\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("listener: +0.5, -5.0 m\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("speaker 5 (SUB): +0.0, -2.0 m\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("located: output 3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("output 5 (SUB): -6.12 dB\n"), std::string::npos) << r.out;  // 3.04 m from the SUB
  ASSERT_TRUE(emu.WaitForGoodbyes(1));
  EXPECT_TRUE(Contains(emu.Received(), Bytes{0x85, 0x07, 0x23, 0x01, 0x02}));  // output 3 drives SL

  const Result reset = RunOnDevice({"room", "--reset"});
  ASSERT_EQ(reset.status, 0) << reset.err;
  EXPECT_NE(reset.out.find("room: 4 m x 4 m\nlistener: +0.0, +0.0 m\n"), std::string::npos) << reset.out;
  EXPECT_NE(reset.out.find("output 1 (L): +0.00 dB\n"), std::string::npos) << reset.out;
  // A later read gets the room back from the device.
  const Result again = RunOnDevice({"room"});
  EXPECT_EQ(again.out, reset.out);
}

TEST_F(DeviceCommands, ValuesOutsideTheControlsRangesAreRefusedAndNothingIsWritten) {
  EmulatorProcess& emu = StartEmulator();
  const Bytes original = DefaultModeFile();
  const fs::path file = dir_ / "preset.mode";
  WriteBytes(file, original);
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const std::vector<Case> cases = {
      {{"eq", "7", "0", "1", "1000", "600", "1"}, "gain 600 dB is outside -15..15 dB"},
      {{"eq", "7", "0", "1", "1000", "-16", "1"}, "gain -16 dB is outside -15..15 dB"},
      {{"eq", "16", "2", "1", "30000", "0", "1"}, "frequency 30000 Hz is outside 20..20000 Hz"},
      {{"eq", "0", "0", "1", "10", "0", "1"}, "frequency 10 Hz is outside 20..20000 Hz"},
      {{"eq", "0", "0", "1", "1000", "0", "31"}, "Q 31 is outside 0.1..30 (a peaking band)"},
      {{"eq", "0", "0", "4", "1000", "3", "5"}, "Q 5 is outside 0.1..2 (for type 4)"},
      {{"set", "5", "0x14", "101"}, "VALUE 101 % is outside 0..100 % for module 5, index 0x14"},
      {{"set", "5", "0x14", "-1"}, "VALUE -1 % is outside 0..100 %"},
      {{"set", "1", "0x0E", "100"}, "VALUE 100 is outside 0..99"},
      {{"set", "5", "0x12", "1e30"}, "VALUE 1e+30 ms is outside 1.4..100 ms"},
      {{"set", "5", "0x12", "0.5"}, "VALUE 0.5 ms is outside 1.4..100 ms"},
      {{"set", "14", "0", "20"}, "VALUE 20 Hz is outside 70..450 Hz"},
      {{"set", "5", "0x26", "2"}, "VALUE 2 is outside 0..1"},
      {{"room", "--size", "0", "4"}, "between 1 and 10"},
      {{"room", "--size", "4", "11"}, "between 1 and 10"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2]);
    const Result r = RunOnDevice(c.args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    std::vector<std::string> onFile = c.args;
    onFile.insert(onFile.end(), {"--file", file.string()});
    EXPECT_EQ(Run(onFile).status, 2);
    if (c.args[0] == "room") continue;
    std::string script;
    for (const std::string& word : c.args) script += word + " ";
    const Result line = RunOnDevice({"batch"}, script + "\n");
    EXPECT_EQ(line.status, 2) << line.err;
    EXPECT_NE(line.err.find(c.says), std::string::npos) << line.err;
  }
  EXPECT_EQ(ReadBytes(file), original);
  // The batches connected and said goodbye; not one of them wrote anything.
  for (uint8_t code : emu.ReceivedCodes()) EXPECT_TRUE(code != 0x09 && code != 0x85) << int{code};

  // Within the limits the same commands write.
  EXPECT_EQ(RunOnDevice({"eq", "7", "0", "1", "1000", "15", "30"}).status, 0);
  EXPECT_EQ(RunOnDevice({"set", "5", "0x12", "1.4"}).status, 0);
  EXPECT_EQ(RunOnDevice({"room", "--size", "1", "10"}).status, 0);
}

TEST_F(DeviceCommands, EchoRightChannelPercentagesGoThroughTheirEncoder) {
  EmulatorProcess& emu = StartEmulator();
  // The record holds a signed byte and comes with a sample word: -50 % of the 242 ms echo time.
  ASSERT_EQ(RunOnDevice({"set", "2", "0x0C", "-50"}).status, 0);
  ASSERT_EQ(RunOnDevice({"set", "2", "0x1C", "25"}).status, 0);
  ASSERT_TRUE(emu.WaitForGoodbyes(2));
  const std::vector<Bytes> received = emu.Received();
  EXPECT_EQ(LastWords(received, 2, 0x0C), WordBytes(0xCE));
  EXPECT_EQ(LastWords(received, 2, 0x0F), WordBytes(5808));      // 121 ms
  EXPECT_EQ(LastWords(received, 2, 0x1C), WordBytes(25));
  EXPECT_EQ(LastWords(received, 2, 0x1B), WordBytes(2904));      // 60.5 ms
}

TEST_F(DeviceCommands, DelaysAndCompressorsPrintWhatWasSent) {
  EmulatorProcess& emu = StartEmulator();
  struct Case {
    const char* ms;
    uint32_t samples;
    const char* shows;
  };
  const Case cases[] = {{"2.6", 125, "2.6 ms"}, {"4.1", 197, "4.1 ms"}, {"1.9", 91, "1.9 ms"}, {"99.94", 4795, "99.9 ms"}};
  size_t goodbyes = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ms);
    const Result set = RunOnDevice({"delay", "2", "--ms", c.ms});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out.substr(0, set.out.find(',')), std::string("output 2 delay: ") + c.shows);
    // Read back from the device, as its sample count, it shows the same.
    const Result shown = RunOnDevice({"delay", "2"});
    EXPECT_EQ(shown.out, set.out);
    goodbyes += 2;
    ASSERT_TRUE(emu.WaitForGoodbyes(goodbyes));
    EXPECT_EQ(LastWords(emu.Received(), 6, 0x12), WordBytes(c.samples));
  }

  // The sliders' grid: whole dB and ms, tenths of the ratio, rounded once and sent as printed.
  const Result comp = RunOnDevice({"comp", "3", "--threshold", "-20.5", "--attack", "2.5", "--ratio", "4.25", "--release", "99.4"});
  ASSERT_EQ(comp.status, 0) << comp.err;
  EXPECT_EQ(comp.out, "output 3 compressor: threshold -21 dB, ratio 4.3:1, attack 3 ms, release 99 ms, off\n");
  ASSERT_TRUE(emu.WaitForGoodbyes(goodbyes + 1));
  const Bytes block = LastWords(emu.Received(), 7, 0x1B);
  ASSERT_EQ(block.size(), 28u);
  EXPECT_EQ(BitsFloat(GetBE32(&block[0])), -21.0f);
  EXPECT_EQ(BitsFloat(GetBE32(&block[8])), static_cast<float>(1.0 - 1.0 / 4.3f));
  EXPECT_EQ(BitsFloat(GetBE32(&block[20])), static_cast<float>(1.0 - std::exp(-1.0 / (3.0 * 48.0))));
  EXPECT_EQ(RunOnDevice({"comp", "3"}).out, comp.out);
}

TEST_F(DeviceCommands, OutputCommandsRefuseBadArgumentsBeforeConnecting) {
  EmulatorProcess& emu = StartEmulator();
  const std::vector<std::vector<std::string>> cases = {
      {"output", "9", "--mute", "on"},
      {"output", "1,x"},
      {"output", "1,"},
      {"adv-eq", "1,"},
      {"output", "1", "--position", "TOP"},
      {"output", "1", "--direct", "101"},
      {"output", "1", "--phase", "up"},
      {"comp", "0"},
      {"comp", "1", "--ratio", "0.5"},
      {"comp", "rec", "--on", "--off"},
      {"delay", "1", "--ms", "0.5"},
      {"delay", "1", "--split-hz", "1250"},
      {"delay", "1", "--mode", "both"},
      {"room", "--size", "3"},
      {"room", "--speaker", "9", "0", "0"},
      {"room", "--locate", "all"},
      {"room", "extra"},
      {"room", "--size", "3", "4", "--size", "5", "6"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args[0] + " " + args[1]);
    const Result r = RunOnDevice(args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("usage: nrctl " + args[0]), std::string::npos) << r.err;
  }
  EXPECT_TRUE(emu.Received().empty());
}

}  // namespace
}  // namespace nr
