// The USB link against the emulator's in-process HID endpoint: discovery, synchronisation,
// pacing by the device's answers, and a cable pulled in the middle of a transfer.
#include <gtest/gtest.h>

#include "LinkHarness.h"
#include "link/Commands.h"

namespace nr::test {
namespace {

struct TraceLog : TraceSink {
  std::mutex mutex;
  std::string text;
  void Write(std::string_view t) override {
    std::lock_guard lock(mutex);
    text += t;
  }
  bool Contains(std::string_view s) {
    std::lock_guard lock(mutex);
    return text.find(s) != std::string::npos;
  }
};

class UsbLink : public ::testing::Test {
 protected:
  void Start(emu::EmulatorOptions options = EphemeralOptions()) {
    emulator = std::make_unique<emu::Emulator>(options);
    conn = std::make_unique<Connection>(events, &emulator->Hid(), &trace);
  }
  void TearDown() override {
    conn.reset();
    if (emulator) emulator->Stop();
  }

  EventRecorder events;
  TraceLog trace;
  std::unique_ptr<emu::Emulator> emulator;
  std::unique_ptr<Connection> conn;
};

TEST_F(UsbLink, DiscoverySkipsForeignDevicesAndBulkReadMirrorsTheImage) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.foreignHidDevices.push_back(HidDeviceEntry{"emu://hid/foreign", 0x046D, 0xC077});
  Start(options);
  ASSERT_EQ(conn->GetLink().ConnectLink(), 1);
  EXPECT_EQ(conn->GetLink().UsbPath(), emu::kEmulatedHidPath);
  EXPECT_TRUE(conn->GetLink().UsbDevicePresent());
  conn->Sync().StartBulkRead();
  ASSERT_TRUE(events.WaitFor([&] { return !events.finished.empty(); }, 20s));
  const auto codes = Codes(emulator->Core());
  ASSERT_EQ(codes.size(), 77u);
  EXPECT_EQ(codes.front(), 0x80);
  EXPECT_EQ(codes.back(), 0x62);
  EXPECT_EQ(conn->Model().Snapshot().image, emulator->Core().Image());
  EXPECT_TRUE(trace.Contains("Read:"));
  EXPECT_TRUE(trace.Contains("Write:"));
}

TEST_F(UsbLink, AbsentDeviceIsReportedOnlyByTheResult) {
  Start();
  emulator->Hid().Unplug();
  EXPECT_EQ(conn->GetLink().ConnectLink(), 0);
  EXPECT_FALSE(conn->GetLink().IsConnected());
  EXPECT_TRUE(trace.Contains("连接目标设备失败，没有找到目标设备"));
}

TEST_F(UsbLink, SilentDeviceLetsEachSynchronousWriteGoAfterTheTimeOut) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.noAnswer.set(0x09);
  Start(options);
  ASSERT_EQ(conn->GetLink().ConnectLink(), 1);
  for (int v = 1; v <= 3; ++v) conn->Session().SetParam(1, 0x0E, v);
  const auto log = emulator->Core().Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_GE(log[1].at - log[0].at, 1900ms);
  EXPECT_GE(log[2].at - log[1].at, 1900ms);
  EXPECT_TRUE(trace.Contains("WaitForSingleObject Time Out \r\n "));
}

TEST_F(UsbLink, PulledCableEndsTheReaderReleasesSendersAndRefusesWrites) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.latency = 5ms;
  Start(options);
  ASSERT_EQ(conn->GetLink().ConnectLink(), 1);
  conn->Sync().StartBulkRead();
  ASSERT_TRUE(Eventually([&] { return Codes(emulator->Core()).size() >= 20; }));
  emulator->Hid().Unplug();
  ASSERT_TRUE(events.WaitFor([&] { return events.usbFailures > 0 && !events.finished.empty(); }, 10s));
  EXPECT_TRUE(trace.Contains("Read Usb Error will return !\n"));
  const size_t sent = Codes(emulator->Core()).size();
  EXPECT_LT(sent, 77u);  // the transfer stopped instead of applying a half-read image
  EXPECT_EQ(events.finished[0].failure, TransferFailure::kLinkLost);
  EXPECT_EQ(events.finished[0].step, TransferStep::kImage);
  EXPECT_EQ(conn->Session().Send(BuildQueryStatus()), 0);
  EXPECT_TRUE(trace.Contains("g_bReadThreadEnd == TRUE ,WriteUsbData return \n"));
  EXPECT_TRUE(conn->GetLink().CheckUsbRemoval());
  EXPECT_FALSE(conn->GetLink().IsConnected());

  // Plugged back in: found again, and talks.
  emulator->Hid().Plug();
  EXPECT_TRUE(conn->GetLink().UsbDevicePresent());
  ASSERT_EQ(conn->GetLink().ConnectLink(), 1);
  conn->Session().SetParam(4, 0x0C, 40);
  EXPECT_TRUE(conn->GetLink().WaitUntilIdle(3s));
}

TEST_F(UsbLink, AChunkForAnotherOffsetFailsTheReadAndAppliesNothing) {
  emu::EmulatorOptions options = EphemeralOptions();
  options.chunkFaults.push_back({emu::ChunkFault::Kind::kOffset, 40, 0, false});
  Start(options);
  ASSERT_EQ(conn->GetLink().ConnectLink(), 1);
  const ParamImage before = conn->Model().Snapshot().image;
  const TransferResult result = conn->Sync().BulkRead();
  EXPECT_EQ(result.failure, TransferFailure::kWrongAnswer);
  EXPECT_EQ(result.chunk, 40);
  EXPECT_EQ(conn->Model().Snapshot().image, before);
}

TEST_F(UsbLink, CloseWithNoticeSaysGoodbyeAndRemovalDoesNot) {
  Start();
  ASSERT_EQ(conn->GetLink().ConnectLink(), 1);
  conn->GetLink().CloseUsb(true);
  EXPECT_EQ(Codes(emulator->Core()), std::vector<uint8_t>{0x8A});
  EXPECT_FALSE(conn->GetLink().IsConnected());

  emulator->Core().ClearLog();
  ASSERT_EQ(conn->GetLink().ConnectLink(), 1);
  EXPECT_FALSE(conn->GetLink().CheckUsbRemoval());  // still plugged: nothing happens
  emulator->Hid().Unplug();
  EXPECT_TRUE(conn->GetLink().CheckUsbRemoval());
  EXPECT_TRUE(Codes(emulator->Core()).empty());
}

}  // namespace
}  // namespace nr::test
