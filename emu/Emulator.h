#pragma once
// A whole emulated device in one object: the device state, its network server and its USB
// endpoint. Tests start one per case on port 0; the application's demo mode starts one and
// connects to it.
#include <memory>
#include <string>

#include "emu/DeviceCore.h"
#include "emu/EmulatorOptions.h"
#include "emu/HidEndpoint.h"
#include "emu/NetServer.h"

namespace nr::emu {

class Emulator {
 public:
  explicit Emulator(EmulatorOptions options = {});
  ~Emulator();
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  // Starts the network server; false (with the reason) when it cannot listen.
  bool Start(std::string* error = nullptr);
  // Stops the server and pulls the USB cable. Idempotent.
  void Stop();

  uint16_t Port() const { return server_.Port(); }
  std::string Address() const { return server_.Address(); }
  const EmulatorOptions& Options() const { return options_; }

  DeviceCore& Core() { return core_; }
  NetServer& Server() { return server_; }
  HidEndpoint& Hid() { return hid_; }

 private:
  const EmulatorOptions options_;
  DeviceCore core_;
  NetServer server_;
  HidEndpoint hid_;
};

}  // namespace nr::emu
