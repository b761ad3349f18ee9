// Scanning a subnet for devices, against emulators and a silent peer on loopback addresses.
#include <gtest/gtest.h>

#include "LinkHarness.h"
#include "session/NetScan.h"

namespace nr::test {
namespace {

emu::EmulatorOptions At(const std::string& address, uint16_t port) {
  emu::EmulatorOptions o = EphemeralOptions();
  o.bindAddress = address;
  o.port = port;
  return o;
}

// Accepts connections on an address and never says a word.
class SilentListener {
 public:
  SilentListener(const std::string& address, uint16_t port) {
    uint16_t bound = 0;
    fd_ = ListenOnLoopback(port, 4, bound, ParseIpv4(address).value_or(0));
    listening_ = fd_ != kNoSocket;
  }
  ~SilentListener() { CloseSocket(fd_); }
  bool Listening() const { return listening_; }

 private:
  SocketHandle fd_ = kNoSocket;
  bool listening_ = false;
};

ScanOptions FastScan(uint16_t port) {
  ScanOptions o;
  o.port = port;
  o.connectTimeout = 300ms;
  o.answerTimeout = 200ms;
  return o;
}

TEST(NetScan, ASlash30AroundAnEmulatorFindsItAndNothingElse) {
  emu::Emulator device(EphemeralOptions());  // 127.0.0.1
  ASSERT_TRUE(device.Start());
  const uint16_t port = device.Port();
  SilentListener other("127.0.0.2", port);  // inside the /30: accepts, but is no device
  ASSERT_TRUE(other.Listening());
  emu::Emulator outside(At("127.0.0.5", port));  // a device beyond the /30
  ASSERT_TRUE(outside.Start());

  std::string error;
  const std::optional<Ipv4Subnet> subnet = ParseSubnet("127.0.0.0/30", error);
  ASSERT_TRUE(subnet);
  std::vector<int> progress;
  ScanOptions options = FastScan(port);
  options.progress = [&](int done, int total) { progress.push_back(done * 100 + total); };
  const std::vector<ScanHit> hits = ScanSubnet(*subnet, options);

  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].address, "127.0.0.1");
  EXPECT_TRUE(hits[0].identified);
  EXPECT_EQ(hits[0].module, "NR490");
  EXPECT_EQ(hits[0].protocolVersion, 24);
  EXPECT_EQ(hits[1].address, "127.0.0.2");
  EXPECT_FALSE(hits[1].identified);
  EXPECT_FALSE(hits[1].busy);
  EXPECT_EQ(hits[1].problem, "accepted the connection but did not identify itself");
  EXPECT_EQ(progress, std::vector<int>{202});
  // The scan said goodbye: the device takes the next client at once.
  EXPECT_TRUE(Eventually([&] { return !device.Core().LoggedCodes().empty() && device.Core().LoggedCodes().back() == 0x8A; }));
  EXPECT_TRUE(outside.Core().LoggedCodes().empty());
}

TEST(NetScan, ADeviceServingAnotherClientIsListedAsBusy) {
  emu::Emulator device(EphemeralOptions());
  ASSERT_TRUE(device.Start());
  EventRecorder events;
  Connection holder(events, nullptr);
  holder.GetLink().SetNetwork(true);
  holder.GetLink().SetNetTarget("127.0.0.1", device.Port());
  ASSERT_EQ(holder.GetLink().NetConnect(), 1);
  ASSERT_TRUE(holder.Sync().Identify().ok());

  const std::vector<ScanHit> hits = ScanAddresses({"127.0.0.1"}, FastScan(device.Port()));
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_TRUE(hits[0].busy);
  EXPECT_FALSE(hits[0].identified);
}

}  // namespace
}  // namespace nr::test
