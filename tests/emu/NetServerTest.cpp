// The emulator's TCP server over real loopback sockets: framing, heartbeat, one client at a
// time, and the fault options. Time bounds are generous: the machine running them may be busy.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <thread>

#include "emu/Emulator.h"
#include "emu/InboundStream.h"
#include "link/FrameCodec.h"
#include "support/RecordingSink.h"
#include "support/TestSockets.h"

namespace nr::emu {
namespace {

using test::Hex;
using namespace std::chrono_literals;

Bytes Frame(std::initializer_list<uint8_t> prefixed) {
  const NetFrame f = BuildNetFrame(Bytes(prefixed));
  return Bytes(f.bytes.begin(), f.bytes.begin() + static_cast<long>(f.size));
}

struct ChecksumCounter : TraceSink {
  std::string text;
  void Write(std::string_view t) override { text += t; }
  int Errors() const {
    int n = 0;
    for (size_t p = text.find("Checksum error"); p != std::string::npos; p = text.find("Checksum error", p + 1)) ++n;
    return n;
  }
};

// A plain blocking TCP client playing the PC: it keeps the raw bytes, the answers (channel
// prefix first) and the heartbeats it has seen.
class TestClient : private FrameHandler {
 public:
  explicit TestClient(uint16_t port) : stream_(&checksums) {
    fd_ = test::ConnectToLoopback(port);
    connected_ = fd_ != kNoSocket;
  }
  ~TestClient() { Close(); }

  bool Connected() const { return connected_; }
  void Close() {
    if (fd_ != kNoSocket) CloseSocket(fd_);
    fd_ = kNoSocket;
  }
  void Send(const Bytes& bytes) { ASSERT_EQ(SendSome(fd_, bytes), static_cast<long>(bytes.size())); }

  // Reads until pred holds, the peer closes, or the time is up; returns pred().
  bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds limit = 3s) {
    const auto end = Clock::now() + limit;
    while (!pred()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
      if (left <= 0 || closed) return pred();
      if (WaitReadable(fd_, static_cast<int>(left)) <= 0) continue;
      uint8_t buf[512];
      const long n = ReceiveSome(fd_, buf);
      if (n <= 0) {
        closed = true;
        continue;
      }
      raw.insert(raw.end(), buf, buf + n);
      heartbeats += stream_.Feed(std::span<const uint8_t>(buf, static_cast<size_t>(n)), *this).heartbeats;
    }
    return true;
  }
  bool WaitForAnswers(size_t n, std::chrono::milliseconds limit = 3s) {
    return WaitFor([&] { return answers.size() >= n; }, limit);
  }
  bool WaitClosed(std::chrono::milliseconds limit = 3s) {
    return WaitFor([&] { return closed; }, limit);
  }

  Bytes raw;
  std::vector<Bytes> answers;
  int heartbeats = 0;
  bool closed = false;
  ChecksumCounter checksums;

 private:
  void OnPayload(std::span<const uint8_t> payload) override { answers.emplace_back(payload.begin(), payload.end()); }

  SocketHandle fd_ = kNoSocket;
  bool connected_ = false;
  InboundStream stream_;
};

// Polls a condition that another thread makes true.
bool Eventually(const std::function<bool()>& pred, std::chrono::milliseconds limit = 3s) {
  const auto end = Clock::now() + limit;
  while (!pred()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

EmulatorOptions AnyPort() {
  EmulatorOptions o;
  o.port = 0;
  return o;
}

TEST(NetServer, AnswersFramesWithTheExactBytes) {
  Emulator emu(AnyPort());
  std::string error;
  ASSERT_TRUE(emu.Start(&error)) << error;
  ASSERT_NE(emu.Port(), 0);
  EXPECT_EQ(emu.Address(), "127.0.0.1");

  TestClient pc(emu.Port());
  ASSERT_TRUE(pc.Connected());
  pc.Send({0x55, 0x03, 0x81, 0x7F, 0x02});
  ASSERT_TRUE(pc.WaitForAnswers(1));
  EXPECT_EQ(Hex(Bytes(pc.raw.begin(), pc.raw.begin() + 7)), "55 05 81 7F 18 00 1C");

  // Two frames with the PC's heartbeat echo between them, in one chunk: both answered, in order.
  Bytes chunk = Frame({0x81, 0x30, 0x00, 0x00, 0x07});
  chunk.insert(chunk.end(), kHeartbeat.begin(), kHeartbeat.end());
  const Bytes write = Frame({0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0x3F, 0x00, 0x00, 0x00});
  chunk.insert(chunk.end(), write.begin(), write.end());
  pc.Send(chunk);
  ASSERT_TRUE(pc.WaitForAnswers(3));
  EXPECT_EQ(pc.answers[1].size(), 2u + 3u + 7u);
  EXPECT_EQ(Hex(Bytes(pc.answers[1].begin(), pc.answers[1].begin() + 5)), "81 30 00 00 07");
  EXPECT_EQ(pc.answers[2], (Bytes{0x81, 0x09}));
  EXPECT_EQ(emu.Core().Image()[1905 + 3], 0x3F);

  // A frame with a bad checksum is taken but not answered; a Z-Wave frame that is not one (no
  // valid checksum) is refused by the controller with a NAK.
  Bytes bad = Frame({0x81, 0x80});
  bad.back() ^= 0xFF;
  pc.Send(bad);
  pc.Send(Frame({0x80, 0x01, 0x03, 0x00}));
  pc.Send(Frame({0x81, 0x07}));
  ASSERT_TRUE(pc.WaitForAnswers(5));
  EXPECT_EQ(pc.answers[3], (Bytes{0x81, 0x12, 0x01, 0x15}));
  EXPECT_EQ(pc.answers[4], (Bytes{0x81, 0x07, 0x00}));
  const auto log = emu.Core().Log();
  ASSERT_GE(log.size(), 5u);
  EXPECT_EQ(log[3].channel, kNetPrefixZWave);
  EXPECT_EQ(log[3].bytes, (Bytes{0x01, 0x03, 0x00}));
  EXPECT_EQ(emu.Core().LoggedCodes(), (std::vector<uint8_t>{0x7F, 0x30, 0x09, 0x07}));
}

TEST(NetServer, SendsTheHeartbeatAboutEverySecond) {
  Emulator emu(AnyPort());
  ASSERT_TRUE(emu.Start());
  TestClient pc(emu.Port());
  const auto start = Clock::now();
  ASSERT_TRUE(pc.WaitFor([&] { return pc.heartbeats >= 1; }, 4s));
  const auto first = Clock::now() - start;
  ASSERT_TRUE(pc.WaitFor([&] { return pc.heartbeats >= 2; }, 4s));
  const auto second = Clock::now() - start;
  EXPECT_GE(first, 800ms);
  EXPECT_GE(second - first, 500ms);
  EXPECT_LE(second, 4500ms);
  EXPECT_EQ(Hex(Bytes(pc.raw.begin(), pc.raw.begin() + 4)), "24 48 42 24");  // "$HB$" raw
  EXPECT_TRUE(pc.answers.empty());

  // The PC's echo is not a command.
  pc.Send(Bytes(kHeartbeat.begin(), kHeartbeat.end()));
  pc.Send(Frame({0x81, 0x07}));
  ASSERT_TRUE(pc.WaitForAnswers(1));
  EXPECT_EQ(emu.Core().Log().size(), 1u);
}

TEST(NetServer, ServesOneClientAtATime) {
  Emulator emu(AnyPort());
  ASSERT_TRUE(emu.Start());
  TestClient first(emu.Port());
  first.Send(Frame({0x81, 0x7F}));
  ASSERT_TRUE(first.WaitForAnswers(1));
  EXPECT_TRUE(emu.Server().ClientConnected());

  TestClient second(emu.Port());
  ASSERT_TRUE(second.WaitClosed());
  EXPECT_EQ(std::string(second.raw.begin(), second.raw.end()), "ISCONNECTED");
  EXPECT_EQ(emu.Server().ClientsTurnedAway(), 1);

  // The goodbye ends the session; the next PC is served.
  first.Send(Frame({0x81, 0x8A}));
  ASSERT_TRUE(first.WaitClosed());
  EXPECT_EQ(first.answers.size(), 1u);
  ASSERT_TRUE(Eventually([&] { return !emu.Server().ClientConnected(); }));

  TestClient third(emu.Port());
  third.Send(Frame({0x81, 0x80}));
  ASSERT_TRUE(third.WaitForAnswers(1));
  EXPECT_EQ(third.answers[0][1], 0x80);

  // So is the one after a PC that just went away.
  third.Close();
  ASSERT_TRUE(Eventually([&] { return !emu.Server().ClientConnected(); }));
  TestClient fourth(emu.Port());
  fourth.Send(Frame({0x81, 0x07}));
  ASSERT_TRUE(fourth.WaitForAnswers(1));
  EXPECT_EQ(emu.Server().ClientsServed(), 3);
}

TEST(NetServer, DelaysAnswersByTheLatencyInOrder) {
  EmulatorOptions o = AnyPort();
  o.latency = 600ms;
  Emulator emu(o);
  ASSERT_TRUE(emu.Start());
  TestClient pc(emu.Port());
  const auto start = Clock::now();
  Bytes two = Frame({0x81, 0x80});
  const Bytes second = Frame({0x81, 0x7F});
  two.insert(two.end(), second.begin(), second.end());
  pc.Send(two);
  ASSERT_TRUE(pc.WaitForAnswers(1, 5s));
  EXPECT_GE(Clock::now() - start, 580ms);  // not even the first came early
  ASSERT_TRUE(pc.WaitForAnswers(2, 5s));
  EXPECT_EQ(pc.answers[0][1], 0x80);
  EXPECT_EQ(pc.answers[1][1], 0x7F);
}

TEST(NetServer, LeavesCommandsUnansweredWhenToldTo) {
  EmulatorOptions o = AnyPort();
  o.noAnswer.set(0x7F);
  Emulator emu(o);
  ASSERT_TRUE(emu.Start());
  TestClient pc(emu.Port());
  pc.Send(Frame({0x81, 0x7F}));
  pc.Send(Frame({0x81, 0x80}));
  pc.Send(Frame({0x81, 0x07}));
  // Answers leave in order: had 7F been answered, its answer would have come before these.
  ASSERT_TRUE(pc.WaitForAnswers(2));
  EXPECT_EQ(pc.answers[0][1], 0x80);
  EXPECT_EQ(pc.answers[1][1], 0x07);
  EXPECT_EQ(emu.Core().LoggedCodes(), (std::vector<uint8_t>{0x7F, 0x80, 0x07}));
}

TEST(NetServer, GoesSilentAfterTheGivenTime) {
  EmulatorOptions o = AnyPort();
  o.silentAfter = 800ms;
  o.heartbeatInterval = 1500ms;
  Emulator emu(o);
  ASSERT_TRUE(emu.Start());
  TestClient pc(emu.Port());
  const auto start = Clock::now();
  pc.Send(Frame({0x81, 0x7F}));
  ASSERT_TRUE(pc.WaitForAnswers(1));
  std::this_thread::sleep_until(start + 900ms);
  pc.Send(Frame({0x81, 0x80}));
  // Neither the answer nor the heartbeat due 1.5 s into the session arrives.
  EXPECT_FALSE(pc.WaitForAnswers(2, 2s));
  EXPECT_EQ(pc.heartbeats, 0);
  EXPECT_FALSE(pc.closed);
  EXPECT_EQ(emu.Core().LoggedCodes(), (std::vector<uint8_t>{0x7F, 0x80}));  // still listening
}

TEST(NetServer, DropsTheConnectionAfterTheGivenTime) {
  EmulatorOptions o = AnyPort();
  o.dropAfter = 800ms;
  Emulator emu(o);
  ASSERT_TRUE(emu.Start());
  TestClient pc(emu.Port());
  pc.Send(Frame({0x81, 0x7F}));
  ASSERT_TRUE(pc.WaitForAnswers(1));
  ASSERT_TRUE(pc.WaitClosed(3s));
  ASSERT_TRUE(Eventually([&] { return !emu.Server().ClientConnected(); }));
  TestClient next(emu.Port());  // a new session starts its own clock
  next.Send(Frame({0x81, 0x7F}));
  EXPECT_TRUE(next.WaitForAnswers(1));
}

TEST(NetServer, DeliversTheLearnedKeyUnasked) {
  EmulatorOptions o = AnyPort();
  o.learnDelay = 100ms;
  Emulator emu(o);
  ASSERT_TRUE(emu.Start());
  TestClient pc(emu.Port());
  pc.Send(Frame({0x81, 0x60, 0x03}));
  ASSERT_TRUE(pc.WaitForAnswers(1));
  EXPECT_EQ(pc.answers[0], (Bytes{0x81, 0x60, kRemoteId, 0x03, RemoteKeyCode(3)}));
}

TEST(NetServer, GarbageIsOnlyBogusFramesBetweenAnswers) {
  EmulatorOptions o = AnyPort();
  o.garbage = true;
  Emulator emu(o);
  ASSERT_TRUE(emu.Start());
  TestClient pc(emu.Port());
  for (int i = 0; i < 12; ++i) pc.Send(Frame({0x81, 0x07}));
  ASSERT_TRUE(pc.WaitForAnswers(12));
  for (const Bytes& a : pc.answers) EXPECT_EQ(a, (Bytes{0x81, 0x07, 0x00}));
  EXPECT_GT(pc.checksums.Errors(), 0);

  // The PC's own reassembler, which stalls on anything but frames, gets every answer too.
  struct Count : FrameHandler {
    int n = 0;
    void OnPayload(std::span<const uint8_t>) override { ++n; }
  } count;
  RxReassembler rx;
  rx.Feed(pc.raw, count);
  EXPECT_EQ(count.n, 12);
}

// Notices arrive on the server thread.
struct NoticeLog : TraceSink {
  void Write(std::string_view t) override {
    std::lock_guard lock(mutex);
    text += t;
  }
  std::string Text() {
    std::lock_guard lock(mutex);
    return text;
  }
  std::mutex mutex;
  std::string text;
};

TEST(NetServer, LetsGoOfAClientThatFallsSilent) {
  NoticeLog notices;
  EmulatorOptions o = AnyPort();
  o.clientWatchdog = 600ms;
  o.notices = &notices;
  Emulator emu(o);
  ASSERT_TRUE(emu.Start());

  // A PC that echoes the heartbeat, as every live PC does, is kept past the watchdog.
  TestClient live(emu.Port());
  const auto start = Clock::now();
  while (Clock::now() - start < 1500ms) {
    live.Send(Bytes(kHeartbeat.begin(), kHeartbeat.end()));
    EXPECT_FALSE(live.WaitClosed(200ms));
  }
  EXPECT_EQ(emu.Server().ClientsLetGo(), 0);

  // One that says nothing more is let go, and the next PC is served.
  ASSERT_TRUE(live.WaitClosed(3s));
  EXPECT_EQ(emu.Server().ClientsLetGo(), 1);
  EXPECT_NE(notices.Text().find("nremu: ended the session: the client has sent nothing for"), std::string::npos)
      << notices.Text();
  ASSERT_TRUE(Eventually([&] { return !emu.Server().ClientConnected(); }));
  TestClient next(emu.Port());
  next.Send(Frame({0x81, 0x07}));
  EXPECT_TRUE(next.WaitForAnswers(1));
}

TEST(NetServer, LetsGoOfAClientThatReadsNothing) {
  NoticeLog notices;
  EmulatorOptions o = AnyPort();
  o.maxUnreadBytes = 64 * 1024;
  o.notices = &notices;
  Emulator emu(o);
  ASSERT_TRUE(emu.Start());
  // A client with a small receive window that asks for image chunks and never reads an answer.
  const SocketHandle fd = test::ConnectToLoopback(emu.Port(), 4096);
  ASSERT_NE(fd, kNoSocket);
  Bytes requests;
  for (int i = 0; i < 1000; ++i) {
    const Bytes one = Frame({0x81, 0x30, 0x00, 0x00, 0x38});
    requests.insert(requests.end(), one.begin(), one.end());
  }
  size_t sent = 0;
  const auto start = Clock::now();
  while (Clock::now() - start < 20s && SendSome(fd, requests) > 0)
    sent += requests.size();
  CloseSocket(fd);
  EXPECT_TRUE(Eventually([&] { return emu.Server().ClientsLetGo() == 1; }));
  EXPECT_NE(notices.Text().find("bytes of answers unread"), std::string::npos) << notices.Text() << " after " << sent;
  ASSERT_TRUE(Eventually([&] { return !emu.Server().ClientConnected(); }));
}

TEST(NetServer, StopIsPromptWithAClientConnected) {
  auto emu = std::make_unique<Emulator>(AnyPort());
  ASSERT_TRUE(emu->Start());
  TestClient pc(emu->Port());
  pc.Send(Frame({0x81, 0x60, 0x01}));  // a learn is pending as well
  pc.Send(Frame({0x81, 0x07}));
  ASSERT_TRUE(pc.WaitForAnswers(1));
  const auto start = Clock::now();
  emu->Stop();
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_TRUE(pc.WaitClosed(3s));
  emu.reset();
}

TEST(NetServer, ReportsAPortThatCannotBeBound) {
  Emulator first(AnyPort());
  ASSERT_TRUE(first.Start());
  EmulatorOptions o;
  o.port = first.Port();
  Emulator second(o);
  std::string error;
  EXPECT_FALSE(second.Start(&error));
  EXPECT_NE(error.find("cannot listen"), std::string::npos) << error;

  EmulatorOptions badAddress = AnyPort();
  badAddress.bindAddress = "not-an-address";
  Emulator third(badAddress);
  EXPECT_FALSE(third.Start(&error));
}

}  // namespace
}  // namespace nr::emu
