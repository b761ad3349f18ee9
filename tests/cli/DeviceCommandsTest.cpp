// The device commands of nrctl against the emulator program on an ephemeral loopback port. The
// emulator runs with --trace, so every payload it received and every answer it sent can be read
// back from its stderr; nrctl runs as a child process, exactly as scripts run it.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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

#include "eq/EqBandCodec.h"
#include "link/Bytes.h"
#include "link/DeviceModel.h"
#include "link/EqLayout.h"
#include "link/ParamTable.h"
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
  ASSERT_GE(received.size(), last + 5);
  EXPECT_EQ(received[last + 1], Bytes{0x32});
  EXPECT_EQ(received[last + 2], (Bytes{0x03, 0x02}));
  EXPECT_EQ(received[last + 3], (Bytes{0x04, 0x02}));
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
  ASSERT_EQ(RunOnDevice({"set", "14", "0", "0.25"}).status, 0);       // a float parameter
  ASSERT_EQ(RunOnDevice({"set", "0x01", "0x27", "10"}).status, 0);    // milliseconds: 480 samples
  ASSERT_TRUE(emu.WaitForGoodbyes(3));
  const std::vector<Bytes> received = emu.Received();
  const float percent = static_cast<float>(static_cast<double>(51 / 100.0f) + 1e-7);
  EXPECT_TRUE(Contains(received, Concat({0x09, 0x00, 0x01, 0x0E, 0x01}, WordBytes(FloatBits(percent)))));
  EXPECT_TRUE(Contains(received, Concat({0x09, 0x00, 0x0E, 0x00, 0x01}, WordBytes(0x3E800000))));
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
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"push", (dir_ / "old.mode").string()},
           {"push", (dir_ / "none.mode").string()},
           {"remote", "push", (dir_ / "short.remo").string()},
           {"remote", "push", (dir_ / "long.remo").string()},
       }) {
    SCOPED_TRACE(args.back());
    const Result r = RunOnDevice(args);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_FALSE(r.err.empty());
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
  EmulatorProcess& emu = StartEmulator({"--version", "23"});
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

TEST_F(DeviceCommands, BatchKeepsWritesOnTheirSideOfAModeStore) {
  // The send queue replaces a waiting write with a later one of the same parameter; a store in
  // between must still see the first value and the slot after it the second. A slow device
  // keeps the writes waiting in the queue.
  EmulatorProcess& emu = StartEmulator({"--latency-ms", "50"});
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

}  // namespace
}  // namespace nr
