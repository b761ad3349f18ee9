#pragma once
// The connection dialog. The user types the device's network address in one line (an IPv4 or
// IPv6 address or a host name, with an optional ":port"), checked as it is typed (the status line
// says why Connect is disabled) and offered again from the recent addresses; "Connect" has the
// connection controller try it off the UI thread, the status line saying what is tried, Cancel
// stopping it, and, when it fails, what failed in words. The link that is open stays until the
// new device has identified itself. The same dialog connects the USB device, starts the built-in
// demo device, and disconnects, and "Scan" looks for devices on the PC's own subnets and fills
// the address with what it finds. Created once and kept; closing hides it (and stops a scan).
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QValidator>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "link/NetAddress.h"
#include "session/NetScan.h"
#include "shell/ConnectionController.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace nr::gui {

class AppContext;

// Lets through what is or can still become a device address; the rest is never typed.
class DeviceAddressValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

class CNetConnectDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 521;
  static constexpr int kConnectId = 1;
  static constexpr int kCancelId = 2;
  static constexpr int kAddressId = 1003;
  static constexpr int kAddressLabelId = 1005;
  static constexpr int kStatusId = 1006;
  static constexpr const char* kDefaultAddress = "192.168.1.123";
  static constexpr int kDefaultPort = kDefaultDevicePort;

  explicit CNetConnectDlg(AppContext& ctx, QWidget* parent = nullptr);
  ~CNetConnectDlg() override;

  // Who connects: without one, nothing can be tried (Connect says so).
  void SetConnector(ConnectionController* connector);
  // The subnets a scan tries: the PC's own by default (tests give a loopback one).
  std::function<std::vector<Ipv4Subnet>()> scanSubnets = LocalSubnets;
  ScanOptions scanOptions;  // the port is the one in the address line (30303 unless typed)

  // Fills the address line from the stored target and the recent list.
  void LoadTarget();
  // What "Connect" does: true when the attempt started. Its end closes the dialog (the link is
  // open, `connected`) or says in the status line what failed.
  bool TryConnect();
  bool TryUsb();
  bool TryDemo();
  // An attempt started here runs.
  bool Connecting() const { return connecting_; }
  // Starts a scan on a worker thread, or stops the one running. The address line gets the first
  // device found; every device found joins the address list.
  void ToggleScan();
  bool Scanning() const { return scanner_.joinable(); }
  // Re-labels from the current language.
  void ApplyTexts();

  // The address as typed, parsed: host (IPv6 without brackets) and port; nothing while the text
  // is not a whole address.
  std::optional<NetTarget> Target() const;
  QString Address() const;  // the host, or empty
  int Port() const;         // the port, 30303 when none is typed
  void SetAddressText(const QString& text);
  QString StatusText() const;
  QComboBox* AddressBox() const { return address_; }
  QPushButton* ConnectButton() const { return connect_; }
  QPushButton* UsbButton() const { return usb_; }
  QPushButton* DemoButton() const { return demo_; }
  QPushButton* DisconnectButton() const { return disconnect_; }
  QPushButton* ScanButton() const { return scan_; }
  QPushButton* CancelButton() const { return cancel_; }

 signals:
  // The network link is open and the target stored; the main view starts reading the device.
  void connected();
  // A scan has ended (found, stopped or nothing there).
  void scanFinished();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void OnAddressEdited();
  void ShowStatus();
  void OnAttemptFinished(const ConnectResult& result, ConnectionController::Origin origin);
  void OnCancel();
  QString AddressProblemText() const;

  AppContext& ctx_;
  QLabel* addressLabel_ = nullptr;
  QComboBox* address_ = nullptr;
  QLabel* hint_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* connect_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* usb_ = nullptr;
  QPushButton* demo_ = nullptr;
  QPushButton* disconnect_ = nullptr;
  QPushButton* scan_ = nullptr;
  // What the status line says: a connect error code, one of the fixed complaints, or how a scan
  // goes (scanReport_).
  enum class Complaint { kNone, kConnecting, kError, kBadAddress, kNoDemo, kScan };
  // An attempt started (or not) by one of the ways to connect.
  bool Started(bool started, Complaint otherwise);
  void ScanProgress(const QString& subnet, int done, int total);
  void ScanDone(const std::vector<ScanHit>& hits, const QStringList& subnets, bool stopped);
  void StopScan();
  QString ScanText() const;

  Complaint complaint_ = Complaint::kNone;
  std::optional<ConnectResult> lastFailure_;  // kError: what failed, said in the language of the moment
  QString attempting_;                        // kConnecting: what is tried
  QPointer<ConnectionController> connector_;
  bool connecting_ = false;
  // How the last scan goes or went, said in the language of the moment.
  struct ScanReport {
    enum Phase { kNoNetwork, kRunning, kDone } phase = kNoNetwork;
    QString subnet;  // running: the subnet being tried
    int done = 0, total = 0;
    std::vector<ScanHit> devices;  // done: what answered as a device
    uint16_t port = kDefaultDevicePort;
    QStringList subnets;  // done: what was tried
    bool stopped = false;
  };
  ScanReport scanReport_;
  std::atomic<bool> stopScan_{false};
  std::thread scanner_;  // joined before the dialog goes
};

}  // namespace nr::gui
