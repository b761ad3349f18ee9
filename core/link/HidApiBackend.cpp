#include "link/HidApiBackend.h"

#include <hidapi/hidapi.h>

namespace nr {
namespace {

class HidApiDevice final : public HidDevice {
 public:
  explicit HidApiDevice(hid_device* handle) : handle_(handle) {}
  ~HidApiDevice() override { hid_close(handle_); }

  bool Attributes(uint16_t& vendorId, uint16_t& productId) override {
    const hid_device_info* info = hid_get_device_info(handle_);
    if (!info) return false;
    vendorId = info->vendor_id;
    productId = info->product_id;
    return true;
  }
  int Read(std::span<uint8_t> buffer, int timeoutMs) override {
    return hid_read_timeout(handle_, buffer.data(), buffer.size(), timeoutMs);
  }
  int Write(std::span<const uint8_t> report) override { return hid_write(handle_, report.data(), report.size()); }

 private:
  hid_device* handle_;
};

}  // namespace

HidApiBackend::HidApiBackend() : initialised_(hid_init() == 0) {}

HidApiBackend::~HidApiBackend() {
  if (initialised_) hid_exit();
}

std::vector<HidDeviceEntry> HidApiBackend::Enumerate() {
  std::vector<HidDeviceEntry> entries;
  if (!initialised_) return entries;
  hid_device_info* list = hid_enumerate(0, 0);
  for (const hid_device_info* d = list; d; d = d->next)
    entries.push_back(HidDeviceEntry{d->path ? d->path : "", d->vendor_id, d->product_id});
  hid_free_enumeration(list);
  return entries;
}

std::unique_ptr<HidDevice> HidApiBackend::Open(const std::string& path) {
  if (!initialised_) return nullptr;
  hid_device* handle = hid_open_path(path.c_str());
  if (!handle) return nullptr;
  return std::make_unique<HidApiDevice>(handle);
}

}  // namespace nr
