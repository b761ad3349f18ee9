#pragma once
// Real HID devices through hidapi (hidraw on Linux).
#include "link/HidBackend.h"

namespace nr {

class HidApiBackend final : public HidBackend {
 public:
  HidApiBackend();
  ~HidApiBackend() override;
  HidApiBackend(const HidApiBackend&) = delete;
  HidApiBackend& operator=(const HidApiBackend&) = delete;

  bool Available() const { return initialised_; }
  std::vector<HidDeviceEntry> Enumerate() override;
  std::unique_ptr<HidDevice> Open(const std::string& path) override;

 private:
  bool initialised_ = false;
};

}  // namespace nr
