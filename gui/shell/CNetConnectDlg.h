#pragma once
// The connection dialog. The user types the device's network address in one line (an IPv4 or
// IPv6 address or a host name, with an optional ":port"), checked as it is typed and offered
// again from the recent addresses; "Connect" opens the network link to it (closing a USB link
// first). The same dialog connects the USB device, starts the built-in demo device, and
// disconnects. Created once and kept; closing hides it.
#include <QDialog>
#include <QString>
#include <QValidator>
#include <functional>
#include <optional>

#include "link/NetAddress.h"

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

  // Other ways to connect, offered by the main view: each returns true when a link is open.
  std::function<bool()> connectUsb;
  std::function<bool()> connectDemo;
  std::function<void()> disconnect;

  // Fills the address line from the stored target and the recent list.
  void LoadTarget();
  // What "Connect" does; true when the link is open (the dialog is then closed).
  bool TryConnect();
  bool TryUsb();
  bool TryDemo();
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

 signals:
  // The network link is open and the target stored; the main view starts reading the device.
  void connected();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void OnAddressEdited();
  void ShowStatus();

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
  // What the status line says: a connect error code, or one of the fixed complaints.
  enum class Complaint { kNone, kError, kBadAddress, kNoUsb, kNoDemo };
  // Connects another way than by address (USB, the demo device); says so when nothing answers.
  bool TryOtherWay(const std::function<bool()>& connectTo, Complaint failure);
  Complaint complaint_ = Complaint::kNone;
  int lastError_ = 0;
};

}  // namespace nr::gui
