#pragma once
// Carries what the link reports from its threads to the UI thread as Qt signals. Lives on the UI
// thread; signals emitted from link threads are queued to receivers there.
#include <QByteArray>
#include <QObject>

#include "link/LinkEvents.h"

Q_DECLARE_METATYPE(nr::TransferResult)
Q_DECLARE_METATYPE(nr::ModeCommandResult)

namespace nr::gui {

class QtLinkEvents : public QObject, public LinkEvents {
  Q_OBJECT

 public:
  explicit QtLinkEvents(QObject* parent = nullptr) : QObject(parent) {}

  // Every report is queued, never waited for: a link thread that waited for the UI thread could
  // deadlock against a UI thread that is closing the link. Queued signals keep their order, so a
  // learned key still reaches the dialog before anything the device sends after it.
  void BulkReadRequested() override { emit bulkReadRequested(); }
  void RemoteKeyLearned(int code) override { emit remoteKeyLearned(code); }
  void TransferFinished(const TransferResult& result) override { emit transferFinished(result); }
  void UsbReadFailed() override { emit usbReadFailed(); }
  void ConnectionLost() override { emit connectionLost(); }
  void HeartbeatLost() override { emit heartbeatLost(); }
  void HostBusy() override { emit hostBusy(); }
  void ErrorReport(const std::string& text) override { emit errorReport(QString::fromStdString(text)); }
  void EqTableChanged(int offset, int length) override { emit eqTableChanged(offset, length); }
  void ZWaveFrame(std::span<const uint8_t> bytes) override;
  void ZWaveMemory(std::span<const uint8_t> bytes) override;
  void SmartPlugReport(const PlugReport& report) override { emit smartPlugReport(report); }
  void SmartHomeFinished(int what, int value) override { emit smartHomeFinished(what, value); }
  void ModeCommandFinished(const ModeCommandResult& result) override { emit modeCommandFinished(result); }

 signals:
  void bulkReadRequested();
  void remoteKeyLearned(int code);
  void transferFinished(const nr::TransferResult& result);
  void usbReadFailed();
  void connectionLost();
  void heartbeatLost();
  void hostBusy();
  void errorReport(const QString& text);
  void eqTableChanged(int offset, int length);
  void zwaveFrame(const QByteArray& bytes);
  void zwaveMemory(const QByteArray& bytes);
  void smartPlugReport(const nr::PlugReport& report);
  void smartHomeFinished(int what, int value);
  void modeCommandFinished(const nr::ModeCommandResult& result);
};

}  // namespace nr::gui
