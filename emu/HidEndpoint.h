#pragma once
// The device's USB side, in-process: an HidBackend that lists the emulated device (and any
// foreign devices a test asks for) and opens it as an HidDevice exchanging 61-byte reports
// with the DeviceCore. Unplug() pulls the virtual cable.
#include <memory>
#include <string>
#include <vector>

#include "emu/DeviceCore.h"
#include "emu/EmulatorOptions.h"
#include "link/HidBackend.h"

namespace nr::emu {

inline constexpr const char* kEmulatedHidPath = "emu://hid/0";
inline constexpr uint8_t kInputReportId = 0x01;

class HidEndpoint final : public HidBackend {
 public:
  // The core must outlive the endpoint. Devices opened from the endpoint may outlive it: once
  // the endpoint is gone they fail like an unplugged device. Starts plugged.
  HidEndpoint(DeviceCore& core, EmulatorOptions options = {});
  ~HidEndpoint() override;
  HidEndpoint(const HidEndpoint&) = delete;
  HidEndpoint& operator=(const HidEndpoint&) = delete;

  std::vector<HidDeviceEntry> Enumerate() override;
  std::unique_ptr<HidDevice> Open(const std::string& path) override;

  // Pulls the cable: reads pending now and later return -1, writes -1, and the device leaves
  // the enumeration. Plug() puts it back; handles opened before stay dead.
  void Unplug();
  void Plug();
  bool Plugged() const;

  void AddForeignDevice(HidDeviceEntry entry);
  int OpenHandles() const;  // emulated-device handles open now

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

}  // namespace nr::emu
