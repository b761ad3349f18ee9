#pragma once
// The few HID operations the USB transport needs, behind an interface: hidapi implements it for
// real devices, the emulator's in-process endpoint implements it for tests and demos.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace nr {

inline constexpr uint16_t kDeviceVendorId = 0x2010;
inline constexpr uint16_t kDeviceProductId = 0x1031;

struct HidDeviceEntry {
  std::string path;  // opaque; compared without regard to case
  uint16_t vendorId = 0;
  uint16_t productId = 0;
};

class HidDevice {
 public:
  virtual ~HidDevice() = default;
  // Vendor and product as the opened device reports them; false when they cannot be read.
  virtual bool Attributes(uint16_t& vendorId, uint16_t& productId) = 0;
  // Reads one input report into buffer (61 bytes: report identifier, command, arguments).
  // Returns the byte count, 0 when nothing arrived within timeoutMs, -1 when the device failed
  // (unplugged). Must be safe to call while another thread writes.
  virtual int Read(std::span<uint8_t> buffer, int timeoutMs) = 0;
  // Writes one output report (identifier 0x02 first). Returns the byte count or -1.
  virtual int Write(std::span<const uint8_t> report) = 0;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // Every HID interface present now, ours or not.
  virtual std::vector<HidDeviceEntry> Enumerate() = 0;
  // Opens an interface for reading and writing; nullptr when it cannot be opened.
  virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;
};

}  // namespace nr
