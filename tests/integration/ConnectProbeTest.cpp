// Trying an address before the application lets go of its link: what each kind of peer on the
// loopback interface is reported as.
#include "session/ConnectProbe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "emu/Emulator.h"
#include "integration/LinkHarness.h"
#include "support/LoopbackListener.h"

namespace nr {
namespace {

using namespace std::chrono_literals;
using test::LoopbackListener;

std::unique_ptr<emu::Emulator> StartEmulator(int version = kCommunicationVersion) {
  emu::EmulatorOptions options;
  options.port = 0;
  options.version = version;
  auto emulator = std::make_unique<emu::Emulator>(options);
  EXPECT_TRUE(emulator->Start());
  return emulator;
}

ProbeOptions Quick() {
  ProbeOptions options;
  options.connectTimeout = 300ms;
  options.silenceLimit = 300ms;
  options.answerTimeout = 300ms;
  return options;
}

TEST(ConnectProbe, NamesWhatIsAtTheAddress) {
  // Nothing listens: refused.
  uint16_t closedPort = 0;
  {
    LoopbackListener gone(LoopbackListener::kSilent);
    closedPort = gone.Port();
  }
  ConnectResult r = ProbeNetDevice({"127.0.0.1", closedPort}, Quick(), {});
  EXPECT_EQ(r.failure, ConnectFailure::kRefused);
  EXPECT_EQ(r.target, "127.0.0.1:" + std::to_string(closedPort));

  // Something takes no connection at all: no answer within the connect time-out.
  LoopbackListener deaf(LoopbackListener::kFullBacklog);
  ASSERT_TRUE(deaf.Ok());
  r = ProbeNetDevice({"127.0.0.1", deaf.Port()}, Quick(), {});
  EXPECT_EQ(r.failure, ConnectFailure::kNoAnswer);
  EXPECT_EQ(r.waited, 300ms);

  // Something accepts and never speaks.
  LoopbackListener silent(LoopbackListener::kSilent);
  r = ProbeNetDevice({"127.0.0.1", silent.Port()}, Quick(), {});
  EXPECT_EQ(r.failure, ConnectFailure::kSilent);
  EXPECT_EQ(r.waited, 300ms);

  // A device of another protocol version.
  auto old = StartEmulator(23);
  r = ProbeNetDevice({"127.0.0.1", old->Port()}, Quick(), {});
  EXPECT_EQ(r.failure, ConnectFailure::kOtherVersion);
  EXPECT_EQ(r.protocolVersion, 23);
  old->Stop();

  // A name that resolves to nothing.
  r = ProbeNetDevice({"no-such-host.invalid", 30303}, Quick(), {});
  EXPECT_EQ(r.failure, ConnectFailure::kUnresolved);
}

TEST(ConnectProbe, ADeviceIsIdentifiedAndLeftFreeForTheNextConnection) {
  auto emulator = StartEmulator();
  ConnectResult r = ProbeNetDevice({"127.0.0.1", emulator->Port()}, Quick(), {});
  ASSERT_TRUE(r.ok()) << static_cast<int>(r.failure);
  EXPECT_EQ(r.protocolVersion, kCommunicationVersion);
  EXPECT_FALSE(r.module.empty());

  // The goodbye freed it: a link that connects now is served, not turned away as busy.
  test::EventRecorder events;
  Connection connection(events, nullptr);
  Link& link = connection.GetLink();
  link.SetNetwork(true);
  link.SetNetTarget("127.0.0.1", emulator->Port());
  ASSERT_EQ(link.NetConnect(), 1);
  EXPECT_TRUE(connection.Sync().Identify().ok());

  // While that link holds it, the device says it serves another PC.
  r = ProbeNetDevice({"127.0.0.1", emulator->Port()}, Quick(), {});
  EXPECT_EQ(r.failure, ConnectFailure::kBusy);
  link.Close(true);
  emulator->Stop();
}

TEST(ConnectProbe, AStopEndsTheAttemptWhileItWaits) {
  LoopbackListener deaf(LoopbackListener::kFullBacklog);
  LoopbackListener silent(LoopbackListener::kSilent);
  ProbeOptions patient;
  patient.connectTimeout = 1h;
  patient.silenceLimit = 1h;
  for (uint16_t port : {deaf.Port(), silent.Port()}) {
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
      std::this_thread::sleep_for(50ms);
      stop = true;
    });
    const ConnectResult r = ProbeNetDevice({"127.0.0.1", port}, patient, [&] { return stop.load(); });  // an hour otherwise
    stopper.join();
    EXPECT_EQ(r.failure, ConnectFailure::kStopped);
  }
}

}  // namespace
}  // namespace nr
