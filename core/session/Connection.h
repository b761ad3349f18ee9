#pragma once
// One device connection as the programs use it: the model, the link, the synchronisation
// workers and the session writes, wired together. Link events reach the application's listener;
// a device's request to read everything again starts the bulk read here, whoever the front end.
#include <memory>

#include "link/DeviceModel.h"
#include "link/DeviceSession.h"
#include "link/Link.h"
#include "link/LinkEvents.h"
#include "link/Synchronizer.h"
#include "shell/DeviceModes.h"
#include "smarthome/LinkPort.h"
#include "smarthome/SmartHome.h"

namespace nr {

class Connection : private LinkEvents {
 public:
  Connection(LinkEvents& application, HidBackend* hid, TraceSink* trace = nullptr, LinkConfig config = {},
             SmartHomeTimings smartHome = {}, ModeTimings modes = {});
  ~Connection() override;

  DeviceModel& Model() { return model_; }
  Link& GetLink() { return link_; }
  Synchronizer& Sync() { return sync_; }
  DeviceSession& Session() { return session_; }
  SmartHome& Smart() { return smartHome_; }
  DeviceModes& Modes() { return modes_; }

 private:
  void BulkReadRequested() override;
  void RemoteKeyLearned(int code) override { app_.RemoteKeyLearned(code); }
  void TransferFinished(const TransferResult& result) override { app_.TransferFinished(result); }
  void UsbReadFailed() override { app_.UsbReadFailed(); }
  void ConnectionLost() override { app_.ConnectionLost(); }
  void HeartbeatLost() override { app_.HeartbeatLost(); }
  void HostBusy() override { app_.HostBusy(); }
  void ErrorReport(const std::string& text) override { app_.ErrorReport(text); }
  void EqTableChanged(int offset, int length) override { app_.EqTableChanged(offset, length); }
  void ZWaveFrame(std::span<const uint8_t> bytes) override;
  void ZWaveMemory(std::span<const uint8_t> bytes) override;
  void ZWaveChannelPayload(std::span<const uint8_t> bytes) override;
  void SmartPlugReport(const PlugReport& report) override { app_.SmartPlugReport(report); }
  void SmartHomeFinished(int what, int value) override { app_.SmartHomeFinished(what, value); }
  void ModeCommandFinished(const ModeCommandResult& result) override { app_.ModeCommandFinished(result); }

  LinkEvents& app_;
  DeviceModel model_;
  // The smart home outlives the link, whose reader threads hand it the controller's replies.
  LinkPort zwavePort_;
  SmartHome smartHome_;
  Link link_;
  DeviceSession session_;
  Synchronizer sync_;
  DeviceModes modes_;  // its worker goes first
};

}  // namespace nr
