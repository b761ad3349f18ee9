// Packets the device never answers at once (selecting and storing a mode slot, a remote-key learn
// and its stop, the reset, Z-Wave frames) hold nothing up on either transport: the next packet
// follows a short gap later instead of an answer time-out later, and none is listed unanswered.
#include <gtest/gtest.h>

#include "LinkHarness.h"
#include "link/Commands.h"
#include "shell/RemoteTable.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::test {
namespace {

using Bytes = std::vector<uint8_t>;

// Far below the 2 s answer time-out, which a single wait for an answer would take.
constexpr auto kWithoutWaiting = 1500ms;

// Sends the packets nothing answers at once through the session, as the product does.
void SendUnansweredPackets(DeviceSession& session) {
  session.Send(BuildSelectMode(2));
  session.Send(BuildStoreMode(2));
  StartRemoteLearning(session, 5);
  StopRemoteLearning(session);
  session.Send(BuildResetMachine());
}

TEST(UnansweredPackets, UsbWritesEachAGapAfterTheOneBefore) {
  emu::Emulator emulator(EphemeralOptions());
  EventRecorder events;
  Connection conn(events, &emulator.Hid());
  Link& link = conn.GetLink();
  ASSERT_EQ(link.ConnectLink(), 1);
  ASSERT_EQ(link.Config().answerTimeout, 2000ms);

  const auto start = std::chrono::steady_clock::now();
  SendUnansweredPackets(conn.Session());
  conn.Session().Send(BuildQueryMode());  // answered: this one is waited for
  ASSERT_TRUE(link.Drain());
  EXPECT_LT(std::chrono::steady_clock::now() - start, kWithoutWaiting);
  EXPECT_TRUE(link.TakeUnanswered().empty());

  const std::vector<emu::ReceivedPayload> log = emulator.Core().Log();
  ASSERT_EQ(Codes(emulator.Core()), (std::vector<uint8_t>{0x03, 0x04, 0x60, 0x61, 0x68, 0x07}));
  for (size_t i = 1; i < log.size(); ++i)
    EXPECT_GE(log[i].at - log[i - 1].at, link.Config().unansweredGap) << "packet " << i;
}

TEST(UnansweredPackets, TheNetworkQueueAndDirectSendsMoveOnWhenNothingAnswers) {
  ScriptedPeer peer;  // answers nothing unless told to
  EventRecorder events;
  Connection conn(events, nullptr);
  Link& link = conn.GetLink();
  link.SetNetwork(true);
  link.SetNetTarget("127.0.0.1", peer.Port());
  ASSERT_EQ(link.ConnectLink(), 1);
  ASSERT_TRUE(peer.Accept());

  const std::vector<uint8_t> stopRemoving = BuildStopRemoving();
  SendUnansweredPackets(conn.Session());
  link.SendZWaveFrame(stopRemoving);
  conn.Session().SetParam(1, 0x0E, 30);  // answered: the queue waits for this one
  const std::vector<Bytes> queued = peer.ReceivePayloads(7, kWithoutWaiting);
  ASSERT_EQ(queued.size(), 7u);
  EXPECT_EQ(queued[0], (Bytes{0x81, 0x03, 0x02}));
  EXPECT_EQ(queued[1], (Bytes{0x81, 0x04, 0x02}));
  EXPECT_EQ(queued[2], (Bytes{0x81, 0x60, 0x05}));
  EXPECT_EQ(queued[3], (Bytes{0x81, 0x61}));
  EXPECT_EQ(queued[4], (Bytes{0x81, 0x68, 0xAA}));
  Bytes tunnelled{0x80};
  tunnelled.insert(tunnelled.end(), stopRemoving.begin(), stopRemoving.end());
  EXPECT_EQ(queued[5], tunnelled);
  EXPECT_EQ(Bytes(queued[6].begin(), queued[6].begin() + 5), (Bytes{0x81, 0x09, 0x00, 0x01, 0x0E}));
  ASSERT_TRUE(peer.SendFrame(Bytes{0x81, 0x09}));
  EXPECT_TRUE(link.Drain());
  EXPECT_TRUE(link.TakeUnanswered().empty());

  // Direct sends, as during a transfer: a synchronous one after a store does not wait either.
  link.SetSendMode(SendMode::kDirect);
  const auto start = std::chrono::steady_clock::now();
  conn.Session().Send(BuildStoreMode(1));
  conn.Session().Send(BuildSelectMode(1));
  conn.Session().Send(BuildStoreMode(3));
  EXPECT_LT(std::chrono::steady_clock::now() - start, kWithoutWaiting);
  const std::vector<Bytes> direct = peer.ReceivePayloads(3, kWithoutWaiting);
  EXPECT_EQ(direct, (std::vector<Bytes>{{0x81, 0x04, 0x01}, {0x81, 0x03, 0x01}, {0x81, 0x04, 0x03}}));
}

}  // namespace
}  // namespace nr::test
