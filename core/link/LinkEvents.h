#pragma once
// What the link tells the application. Calls arrive on link threads; a GUI adapter re-posts them
// to its own thread. Every method has an empty default so a listener overrides only what it needs.
#include <cstdint>
#include <span>
#include <string>

#include "link/TransferResult.h"

namespace nr {

// A Z-Wave controller report as the smart-plug page handles it. Which fields carry something
// depends on the Serial API function that reported:
//   04 a plug reported:          node, value (its level, or the status of an infrared key)
//   13 send-data callback:       callback (43 set, 44 infrared key), status (0 delivered)
//   42 controller reset:         nothing more
//   4A adding, 4B removing:      status; node with the final status (4A 5, 4B 6), 0 when the
//                                controller named none
struct PlugReport {
  uint8_t function = 0;
  int node = 0;
  uint8_t callback = 0;
  uint8_t status = 0;
  uint8_t value = 0;
  bool operator==(const PlugReport&) const = default;
};

// The device-mode commands (see shell/DeviceModes) and how one went: sent is true when the
// command left the PC on an open link.
enum class ModeCommand { kLoad, kFactoryRestore, kStore };
struct ModeCommandResult {
  ModeCommand command = ModeCommand::kLoad;
  int slot = 0;
  bool sent = false;
  bool operator==(const ModeCommandResult&) const = default;
};

class LinkEvents {
 public:
  virtual ~LinkEvents() = default;

  // The device asks the PC to read everything again (it loaded or restored a mode slot).
  virtual void BulkReadRequested() {}
  // A remote-control key was learned. The receive thread waits until this returns.
  virtual void RemoteKeyLearned(int /*code*/) {}
  // A bulk read or write has ended, completed or not.
  virtual void TransferFinished(const TransferResult& /*result*/) {}
  // A USB read failed (cable pulled?): writes are refused from now on. The application checks
  // whether the device is still present and closes the link when it is gone.
  virtual void UsbReadFailed() {}
  // The TCP connection failed underneath and the link closed itself.
  virtual void ConnectionLost() {}
  // The network peer stopped sending heartbeats; the link is closed.
  virtual void HeartbeatLost() {}
  // The device is already serving another client.
  virtual void HostBusy() {}
  // The device reported a parameter error (shown at most once per session). The receive thread
  // handles no further packet until this returns.
  virtual void ErrorReport(const std::string& /*text*/) {}
  // The device pushed band or sound-field bytes into the EQ table.
  virtual void EqTableChanged(int /*offset*/, int /*length*/) {}
  // Z-Wave traffic tunnelled through the device: a serial frame, or a configuration-memory chunk.
  virtual void ZWaveFrame(std::span<const uint8_t> /*bytes*/) {}
  virtual void ZWaveMemory(std::span<const uint8_t> /*bytes*/) {}
  // A payload on the network's Z-Wave channel (0x80), the bytes after the channel prefix. It is
  // no answer to a device command: it never paces the device channel.
  virtual void ZWaveChannelPayload(std::span<const uint8_t> /*bytesAfterPrefix*/) {}

  // A mode command started with DeviceModes::Start has run its course (a load or restore: the
  // command is out, the device's read follows; a store: the device has had its time to store).
  virtual void ModeCommandFinished(const ModeCommandResult& /*result*/) {}

  // ---- Smart home ----
  // A Z-Wave controller report (see PlugReport).
  virtual void SmartPlugReport(const PlugReport& /*report*/) {}
  // A smart-home worker reports: synchronisation or reset ended (8, 0); a scene run started (1, 0)
  // or ended (1, 1).
  virtual void SmartHomeFinished(int /*what*/, int /*value*/) {}
};

}  // namespace nr
