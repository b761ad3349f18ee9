#include "emu/HidEndpoint.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "emu/ReplyFaults.h"
#include "link/FrameCodec.h"

namespace nr::emu {

struct HidEndpoint::Shared {
  explicit Shared(DeviceCore& c, EmulatorOptions o) : core(&c), options(std::move(o)), foreign(options.foreignHidDevices) {}

  std::mutex mutex;
  std::condition_variable changed;  // a reply was queued, or the cable was pulled
  DeviceCore* core;                 // null once the endpoint is gone
  const EmulatorOptions options;
  bool plugged = true;
  uint64_t generation = 0;  // bumped by every unplug: handles of an older generation are dead
  std::vector<HidDeviceEntry> foreign;
  int openHandles = 0;
};

namespace {

// Longest single wait of a read that was asked to block without limit; it just waits again.
constexpr Millis kMaxWaitSlice{1000};
constexpr Millis kForeignReadLimit{1000};

bool SamePath(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

class EmulatedHidDevice final : public HidDevice {
 public:
  EmulatedHidDevice(std::shared_ptr<HidEndpoint::Shared> shared, uint64_t generation, DeviceCore::SessionId session,
                    Clock::time_point opened)
      : shared_(std::move(shared)),
        generation_(generation),
        session_(session),
        faults_(shared_->options, opened),
        replyFaults_(shared_->options) {}

  ~EmulatedHidDevice() override {
    std::lock_guard lock(shared_->mutex);
    --shared_->openHandles;
    if (shared_->core) shared_->core->CloseSession(session_);
  }

  bool Attributes(uint16_t& vendorId, uint16_t& productId) override {
    std::lock_guard lock(shared_->mutex);
    if (!Alive(Clock::now())) return false;
    vendorId = kDeviceVendorId;
    productId = kDeviceProductId;
    return true;
  }

  int Write(std::span<const uint8_t> report) override {
    std::lock_guard lock(shared_->mutex);
    const Clock::time_point now = Clock::now();
    if (!Alive(now)) return -1;
    if (report.size() != kUsbReportSize || report[0] != kUsbReportId) return -1;
    const std::span<const uint8_t> payload = report.subspan(1);
    TraceBytes(shared_->options.trace, "emu <- ", payload);
    DeviceCore& core = *shared_->core;
    if (faults_.Silent(now)) {
      core.Record(kNetPrefixDevice, payload, now);
      return kUsbReportSize;
    }
    CoreResult result = core.Handle(payload, session_, now);
    replyFaults_.Apply(payload, result.replies);
    if (faults_.Answers(payload[0]))
      for (Bytes& reply : result.replies) queue_.push_back({faults_.DueTime(now), std::move(reply)});
    shared_->changed.notify_all();
    return kUsbReportSize;
  }

  int Read(std::span<uint8_t> buffer, int timeoutMs) override {
    std::unique_lock lock(shared_->mutex);
    const Clock::time_point start = Clock::now();
    const bool waitForever = timeoutMs < 0;
    const Clock::time_point deadline = start + Millis(waitForever ? 0 : timeoutMs);
    for (;;) {
      const Clock::time_point now = Clock::now();
      if (!Alive(now)) return -1;
      const bool silent = faults_.Silent(now);
      for (Bytes& report : shared_->core->TakeDue(session_, now))
        if (!silent && faults_.Answers(report[0])) queue_.push_back({faults_.DueTime(now), std::move(report)});
      if (!queue_.empty() && queue_.front().first <= now) {
        const Bytes reply = std::move(queue_.front().second);
        queue_.pop_front();
        if (silent) continue;  // a device that has gone quiet sends nothing, not even late answers
        return Deliver(reply, buffer);
      }
      if (!waitForever && now >= deadline) return 0;

      Clock::time_point wake = waitForever ? now + kMaxWaitSlice : deadline;
      if (!queue_.empty()) wake = std::min(wake, queue_.front().first);
      if (const auto due = shared_->core->NextDue(session_)) wake = std::min(wake, *due);
      if (const auto drop = faults_.DropTime()) wake = std::min(wake, *drop);
      shared_->changed.wait_until(lock, wake);
    }
  }

 private:
  // Caller holds the shared mutex.
  bool Alive(Clock::time_point now) const {
    return shared_->core && shared_->generation == generation_ && !faults_.Dropped(now);
  }

  int Deliver(const Bytes& reply, std::span<uint8_t> buffer) {
    TraceBytes(shared_->options.trace, "emu -> ", reply);
    const size_t n = std::min<size_t>(buffer.size(), kUsbReportSize);
    if (n == 0) return 0;
    std::fill(buffer.begin(), buffer.begin() + static_cast<long>(n), uint8_t{0});
    buffer[0] = kInputReportId;
    std::copy_n(reply.begin(), std::min(reply.size(), n - 1), buffer.begin() + 1);
    return static_cast<int>(n);
  }

  std::shared_ptr<HidEndpoint::Shared> shared_;
  const uint64_t generation_;
  const DeviceCore::SessionId session_;
  const SessionFaults faults_;
  ReplyFaults replyFaults_;  // guarded by the shared mutex
  std::deque<std::pair<Clock::time_point, Bytes>> queue_;  // input reports not read yet
};

// Some other HID device on the bus: it can be opened and identified, and says nothing.
class ForeignHidDevice final : public HidDevice {
 public:
  explicit ForeignHidDevice(HidDeviceEntry entry) : entry_(std::move(entry)) {}
  bool Attributes(uint16_t& vendorId, uint16_t& productId) override {
    vendorId = entry_.vendorId;
    productId = entry_.productId;
    return true;
  }
  int Read(std::span<uint8_t>, int timeoutMs) override {
    std::this_thread::sleep_for(std::clamp(Millis(timeoutMs), Millis(0), kForeignReadLimit));
    return 0;
  }
  int Write(std::span<const uint8_t> report) override { return static_cast<int>(report.size()); }

 private:
  HidDeviceEntry entry_;
};

}  // namespace

HidEndpoint::HidEndpoint(DeviceCore& core, EmulatorOptions options)
    : shared_(std::make_shared<Shared>(core, std::move(options))) {}

HidEndpoint::~HidEndpoint() {
  std::lock_guard lock(shared_->mutex);
  shared_->core = nullptr;
  shared_->plugged = false;
  ++shared_->generation;
  shared_->changed.notify_all();
}

std::vector<HidDeviceEntry> HidEndpoint::Enumerate() {
  std::lock_guard lock(shared_->mutex);
  std::vector<HidDeviceEntry> list = shared_->foreign;
  if (shared_->plugged) list.push_back({kEmulatedHidPath, kDeviceVendorId, kDeviceProductId});
  return list;
}

std::unique_ptr<HidDevice> HidEndpoint::Open(const std::string& path) {
  std::lock_guard lock(shared_->mutex);
  if (SamePath(path, kEmulatedHidPath)) {
    if (!shared_->plugged || !shared_->core) return nullptr;
    ++shared_->openHandles;
    return std::make_unique<EmulatedHidDevice>(shared_, shared_->generation, shared_->core->OpenSession(),
                                               Clock::now());
  }
  for (const HidDeviceEntry& e : shared_->foreign)
    if (SamePath(path, e.path)) return std::make_unique<ForeignHidDevice>(e);
  return nullptr;
}

void HidEndpoint::Unplug() {
  std::lock_guard lock(shared_->mutex);
  shared_->plugged = false;
  ++shared_->generation;
  shared_->changed.notify_all();
}

void HidEndpoint::Plug() {
  std::lock_guard lock(shared_->mutex);
  shared_->plugged = true;
}

bool HidEndpoint::Plugged() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->plugged;
}

void HidEndpoint::AddForeignDevice(HidDeviceEntry entry) {
  std::lock_guard lock(shared_->mutex);
  shared_->foreign.push_back(std::move(entry));
}

int HidEndpoint::OpenHandles() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->openHandles;
}

}  // namespace nr::emu
