#pragma once
// The network connection dialog: the user enters the device's IPv4 address, and "Connect" opens
// the network link to it (closing a USB link first). Created once and kept; closing hides it.
#include <QDialog>
#include <QFrame>
#include <QString>
#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace nr::gui {

class AppContext;

// An IPv4 address control: four fields of 0..255 with dots between them. Typing a dot or a third
// digit moves to the next field, backspace in an empty field goes back, and pasting a dotted
// address fills all four.
class Ipv4AddressEdit : public QFrame {
  Q_OBJECT

 public:
  explicit Ipv4AddressEdit(QWidget* parent = nullptr);

  // Fills the fields from "a.b.c.d"; false (and nothing changed) when text is not an address.
  bool SetAddress(const QString& text);
  // "a.b.c.d" when all four fields hold a number, else empty.
  QString Address() const;
  bool IsComplete() const;
  void Clear();
  QLineEdit* Field(int i) const { return fields_[static_cast<size_t>(i)]; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int IndexOf(QObject* field) const;
  void FocusField(int i, bool atEnd);

  std::array<QLineEdit*, 4> fields_{};
};

class CNetConnectDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 521;
  static constexpr int kConnectId = 1;
  static constexpr int kCancelId = 2;
  static constexpr int kAddressId = 1003;
  static constexpr int kPortId = 1004;
  static constexpr int kAddressLabelId = 1005;
  static constexpr int kStatusId = 1006;
  static constexpr const char* kDefaultAddress = "192.168.1.123";
  static constexpr int kDefaultPort = 30303;

  explicit CNetConnectDlg(AppContext& ctx, QWidget* parent = nullptr);

  // Fills the address and port from the stored settings (done once, when the dialog is made).
  void LoadTarget();
  // What "Connect" does; true when the link is open (the dialog is then closed).
  bool TryConnect();
  // Re-labels from the current language table.
  void ApplyTexts();

  QString Address() const;
  int Port() const;
  QString StatusText() const;
  Ipv4AddressEdit* AddressEdit() const { return address_; }
  QPushButton* ConnectButton() const { return connect_; }

 signals:
  // The network link is open and the target stored; the main view starts reading the device.
  void connected();

 private:
  void ShowStatus();

  AppContext& ctx_;
  QLabel* addressLabel_ = nullptr;
  Ipv4AddressEdit* address_ = nullptr;
  QLineEdit* port_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* connect_ = nullptr;
  QPushButton* cancel_ = nullptr;
  // The last failure: an error code, or the incomplete-address complaint.
  std::optional<int> lastError_;
  bool incompleteAddress_ = false;
};

}  // namespace nr::gui
