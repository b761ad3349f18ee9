// The USB half of the link: discovery of our HID device, its reader thread, paced report writes
// and closing. The device is reached through a HidBackend (hidapi, or the emulator in tests).
#include <algorithm>
#include <cctype>
#include <cstring>

#include "link/Answers.h"
#include "link/Commands.h"
#include "link/LinkInternals.h"

namespace nr {
namespace {

bool SamePath(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

constexpr int kReadPollMs = 100;  // a reader notices a close within this time

}  // namespace

std::shared_ptr<HidDevice> Link::OpenIfOurs(const HidDeviceEntry& entry) {
  Trace(trace_, "设备路径:\r\n" + entry.path.substr(0, 260));
  Trace(trace_, "尝试打开通信端口....");
  std::shared_ptr<HidDevice> device = hid_->Open(entry.path);
  if (!device) {
    Trace(trace_, "无法打开通信端口。不能读取设备信息!(设备连接可能不正确?)\n");
    return nullptr;
  }
  Trace(trace_, "打开通信端口成功!\n");
  Trace(trace_, "正在读取设备的标识...\n");
  uint16_t vendor = 0, product = 0;
  if (!device->Attributes(vendor, product)) {
    Trace(trace_, "查询设备信息出错!\n");
    return nullptr;
  }
  if (vendor != kDeviceVendorId || product != kDeviceProductId) return nullptr;  // closes it
  return device;
}

bool Link::FindDevice() {
  if (!hid_) {
    Trace(trace_, "获取Hid设备信息失败");
    return false;
  }
  Trace(trace_, "开始枚举usb设备");
  const std::vector<HidDeviceEntry> entries = hid_->Enumerate();
  for (size_t i = 0; i < entries.size() && i < 128; ++i) {
    Trace(trace_, "枚举usb设备成功");
    std::shared_ptr<HidDevice> device = OpenIfOurs(entries[i]);
    if (!device) continue;
    auto usb = std::make_shared<UsbConnection>();
    usb->device = std::move(device);
    usb->path = entries[i].path;
    {
      std::lock_guard lock(connMutex_);
      usb_ = usb;
    }
    Trace(trace_, "连接目标设备成功!");
    {
      std::lock_guard lock(queueMutex_);
      unanswered_.clear();  // a new connection answers for its own writes only
      lastSynchronous_ = Payload();
    }
    answer_.Set();
    state_.readThreadEnd = false;
    state_.connected = true;
    threads_.Start([this, usb] { UsbReaderLoop(usb); });
    return true;
  }
  Trace(trace_, "枚举usb设备出错,usb设备接口可能枚举完成了");
  Trace(trace_, "连接目标设备失败，没有找到目标设备");
  return false;
}

void Link::UsbReaderLoop(std::shared_ptr<UsbConnection> usb) {
  state_.readThreadEnd = false;
  Trace(trace_, "start thread: ReadUsbThreadProc \n");
  std::array<uint8_t, kUsbReportSize> report{};
  while (usb->open && state_.connected) {
    report.fill(0);
    const int n = usb->device->Read(report, kReadPollMs);
    if (n == 0) continue;
    if (n < 0) {
      Trace(trace_, "Read Usb Error will return !\n");
      state_.pollingAllowed = false;
      state_.readThreadEnd = true;
      answer_.Set();  // release a sender waiting for an answer that will never come
      dispatcher_.LinkClosed();
      if (usb->open) events_.UsbReadFailed();
      break;
    }
    {
      std::lock_guard lock(writeLock_);
      TraceBytes(trace_, "Read:", std::span<const uint8_t>(report).subspan(1));
    }
    dispatcher_.DispatchPacket(report);
  }
  usb->readerExited.Set();
  Trace(trace_, "End thread: ReadUsbThreadProc \n");
}

int Link::WriteUsb(std::span<const uint8_t> payload, bool synchronous) {
  if (!state_.connected) return 0;
  if (state_.readThreadEnd) {
    Trace(trace_, "g_bReadThreadEnd == TRUE ,WriteUsbData return \n");
    return 0;
  }
  std::shared_ptr<UsbConnection> usb;
  {
    std::lock_guard lock(connMutex_);
    usb = usb_;
  }
  if (!usb) return 0;
  const UsbReport report = BuildUsbReport(payload);
  if (synchronous && !answer_.Wait(config_.answerTimeout)) {
    Trace(trace_, "WaitForSingleObject Time Out \r\n ");
    std::lock_guard lock(queueMutex_);
    NoteLastSynchronousUnanswered();
  }
  WaitOutGap();
  int n;
  {
    std::lock_guard lock(writeLock_);
    n = usb->device->Write(report);
    TraceBytes(trace_, "Write:", std::span<const uint8_t>(report).subspan(1, kUsbReportSize - 2));
  }
  const bool answered = AnsweredAtOnce(payload);
  if (!answered) StartGap();
  if (synchronous) {
    {
      std::lock_guard lock(queueMutex_);
      lastSynchronous_ = answered ? BuildCommand(payload) : Payload();
    }
    // Nothing will answer this one: the next synchronous packet waits for the gap only.
    if (!answered) answer_.Set();
  }
  if (n != kUsbReportSize) Trace(trace_, "usb数据写入出错");
  return std::max(n, 0);
}

void Link::CloseUsbInternal(bool notify) {
  std::shared_ptr<UsbConnection> usb;
  {
    std::lock_guard lock(connMutex_);
    usb = usb_;
  }
  if (!usb || !state_.connected || state_.network) return;
  model_.Update([](DeviceState& s) { s.status.Clear(); });
  if (notify) {
    const Payload bye = BuildCloseSession();
    WriteUsb(bye.bytes(), true);
  }
  usb->open = false;
  state_.connected = false;
  dispatcher_.LinkClosed();
  if (!usb->readerExited.Wait(config_.readerExitWait)) Trace(trace_, "wait read thread exited time out !\n");
  std::lock_guard lock(connMutex_);
  if (usb_ == usb) usb_.reset();  // the reader keeps the device until it has left
}

void Link::CloseUsb(bool notify) { CloseUsbInternal(notify); }

bool Link::CloseUsbOnRemoval() {
  CloseUsbInternal(false);
  return true;
}

bool Link::UsbDevicePresent() {
  if (!hid_) return false;
  for (const HidDeviceEntry& e : hid_->Enumerate())
    if (e.vendorId == kDeviceVendorId && e.productId == kDeviceProductId) return true;
  return false;
}

bool Link::CheckUsbRemoval() {
  if (state_.network || !state_.connected || !hid_) return false;
  const std::string path = UsbPath();
  for (const HidDeviceEntry& e : hid_->Enumerate())
    if (SamePath(e.path, path)) return false;
  return CloseUsbOnRemoval();
}

std::string Link::UsbPath() const {
  std::lock_guard lock(connMutex_);
  return usb_ ? usb_->path : std::string();
}

}  // namespace nr
