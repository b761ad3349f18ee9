// The in-process USB endpoint: discovery, 61-byte report exchange, and pulling the cable.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "emu/HidEndpoint.h"
#include "link/FrameCodec.h"
#include "support/RecordingSink.h"

namespace nr::emu {
namespace {

using test::Hex;
using namespace std::chrono_literals;

UsbReport Report(std::initializer_list<uint8_t> payload) { return BuildUsbReport(Bytes(payload)); }

std::string ReadHex(HidDevice& dev, int timeoutMs, int* result = nullptr) {
  std::array<uint8_t, 61> buf{};
  const int n = dev.Read(buf, timeoutMs);
  if (result) *result = n;
  return n > 0 ? Hex(std::span(buf).first(static_cast<size_t>(n))) : "";
}

TEST(HidEndpoint, ListsTheDeviceBesideForeignOnes) {
  EmulatorOptions o;
  o.foreignHidDevices.push_back({"emu://hid/keyboard", 0x046D, 0xC31C});
  DeviceCore core;
  HidEndpoint hid(core, o);
  hid.AddForeignDevice({"emu://hid/other-vendor-same-product", 0x1234, kDeviceProductId});

  const auto list = hid.Enumerate();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[2].path, kEmulatedHidPath);
  EXPECT_EQ(list[2].vendorId, kDeviceVendorId);
  EXPECT_EQ(list[2].productId, kDeviceProductId);

  uint16_t vendor = 0, product = 0;
  auto keyboard = hid.Open("emu://hid/keyboard");
  ASSERT_NE(keyboard, nullptr);
  ASSERT_TRUE(keyboard->Attributes(vendor, product));
  EXPECT_EQ(vendor, 0x046D);
  EXPECT_EQ(product, 0xC31C);
  EXPECT_EQ(ReadHex(*keyboard, 10), "");

  auto ours = hid.Open("EMU://HID/0");  // paths compare without regard to case
  ASSERT_NE(ours, nullptr);
  ASSERT_TRUE(ours->Attributes(vendor, product));
  EXPECT_EQ(vendor, kDeviceVendorId);
  EXPECT_EQ(hid.OpenHandles(), 1);
  ours.reset();
  EXPECT_EQ(hid.OpenHandles(), 0);
  EXPECT_EQ(hid.Open("emu://hid/9"), nullptr);
}

TEST(HidEndpoint, ExchangesReports) {
  DeviceCore core;
  HidEndpoint hid(core);
  auto dev = hid.Open(kEmulatedHidPath);
  ASSERT_NE(dev, nullptr);

  int n = 0;
  EXPECT_EQ(ReadHex(*dev, 20, &n), "");
  EXPECT_EQ(n, 0);  // nothing to read: a time-out, not a failure

  EXPECT_EQ(dev->Write(Report({0x7F})), 61);
  const std::string reply = ReadHex(*dev, 1000, &n);
  EXPECT_EQ(n, 61);
  EXPECT_EQ(reply.substr(0, 11), "01 7F 18 00");
  EXPECT_EQ(reply.size(), 61u * 3 - 1);
  EXPECT_EQ(reply.find_first_not_of("0 ", 12), std::string::npos);  // zero padded

  // The whole 60-byte payload reaches the device; the command's own length decides.
  EXPECT_EQ(dev->Write(Report({0x85, 0x00, 0x00, 0x02, 0xAB, 0xCD})), 61);
  EXPECT_EQ(ReadHex(*dev, 1000).substr(0, 5), "01 85");
  EXPECT_EQ(core.Image()[0], 0xAB);
  EXPECT_EQ(core.Image()[2], DeviceCore().Image()[2]);
  EXPECT_EQ(core.Log().back().bytes.size(), 60u);

  // Two requests, two reports, in order.
  dev->Write(Report({0x80}));
  dev->Write(Report({0x07}));
  EXPECT_EQ(ReadHex(*dev, 1000).substr(0, 5), "01 80");
  EXPECT_EQ(ReadHex(*dev, 1000).substr(0, 8), "01 07 00");

  // Only whole output reports with identifier 0x02 are taken.
  UsbReport wrongId = Report({0x7F});
  wrongId[0] = 0x03;
  EXPECT_EQ(dev->Write(wrongId), -1);
  EXPECT_EQ(dev->Write(std::span<const uint8_t>(wrongId).first(20)), -1);
}

TEST(HidEndpoint, UnplugEndsABlockedReadAndPlugNeedsAFreshOpen) {
  DeviceCore core;
  HidEndpoint hid(core);
  auto dev = hid.Open(kEmulatedHidPath);
  ASSERT_NE(dev, nullptr);

  auto blocked = std::async(std::launch::async, [&] {
    std::array<uint8_t, 61> buf{};
    return dev->Read(buf, 10000);
  });
  std::this_thread::sleep_for(100ms);
  const auto pulled = Clock::now();
  hid.Unplug();
  ASSERT_EQ(blocked.wait_for(3s), std::future_status::ready);
  EXPECT_EQ(blocked.get(), -1);
  EXPECT_LT(Clock::now() - pulled, 2s);

  EXPECT_EQ(dev->Write(Report({0x7F})), -1);
  EXPECT_EQ(ReadHex(*dev, 0), "");
  uint16_t v = 0, p = 0;
  EXPECT_FALSE(dev->Attributes(v, p));
  EXPECT_TRUE(hid.Enumerate().empty());
  EXPECT_EQ(hid.Open(kEmulatedHidPath), nullptr);

  hid.Plug();
  EXPECT_EQ(hid.Enumerate().size(), 1u);
  EXPECT_EQ(dev->Write(Report({0x7F})), -1);  // the old handle stays dead
  auto fresh = hid.Open(kEmulatedHidPath);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->Write(Report({0x7F})), 61);
  EXPECT_EQ(ReadHex(*fresh, 1000).substr(0, 5), "01 7F");
}

TEST(HidEndpoint, DeliversTheLearnedKeyToABlockedRead) {
  DeviceCore core({}, 150ms);
  HidEndpoint hid(core);
  auto dev = hid.Open(kEmulatedHidPath);
  const auto start = Clock::now();
  dev->Write(Report({0x60, 0x19}));
  const std::string report = ReadHex(*dev, 5000);
  EXPECT_GE(Clock::now() - start, 140ms);
  EXPECT_EQ(report.substr(0, 14), "01 60 80 19 " + Hex(Bytes{RemoteKeyCode(25)}));
}

TEST(HidEndpoint, AppliesLatencySilenceAndDrop) {
  EmulatorOptions o;
  o.latency = 500ms;
  DeviceCore core;
  {
    HidEndpoint slow(core, o);
    auto dev = slow.Open(kEmulatedHidPath);
    dev->Write(Report({0x07}));
    EXPECT_EQ(ReadHex(*dev, 50), "");
    EXPECT_EQ(ReadHex(*dev, 3000).substr(0, 5), "01 07");
  }
  o = {};
  o.silentAfter = 400ms;
  o.noAnswer.set(0x80);
  {
    HidEndpoint quiet(core, o);
    auto dev = quiet.Open(kEmulatedHidPath);
    dev->Write(Report({0x80}));
    dev->Write(Report({0x7F}));
    EXPECT_EQ(ReadHex(*dev, 1000).substr(0, 5), "01 7F");
    std::this_thread::sleep_for(450ms);
    EXPECT_EQ(dev->Write(Report({0x07})), 61);  // still taken ...
    // ... never answered: without latency an answer is waiting as soon as the write returns.
    int n = -2;
    EXPECT_EQ(ReadHex(*dev, 0, &n), "");
    EXPECT_EQ(n, 0);
  }
  o = {};
  o.dropAfter = 150ms;
  {
    HidEndpoint flaky(core, o);
    auto dev = flaky.Open(kEmulatedHidPath);
    int n = 0;
    const auto start = Clock::now();
    ReadHex(*dev, 5000, &n);
    EXPECT_EQ(n, -1);
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_EQ(dev->Write(Report({0x07})), -1);
  }
}

TEST(HidEndpoint, HandlesOutliveTheEndpointSafely) {
  DeviceCore core;
  std::unique_ptr<HidDevice> dev;
  {
    HidEndpoint hid(core);
    dev = hid.Open(kEmulatedHidPath);
  }
  EXPECT_EQ(dev->Write(Report({0x7F})), -1);
  EXPECT_EQ(ReadHex(*dev, 10), "");
}

}  // namespace
}  // namespace nr::emu
