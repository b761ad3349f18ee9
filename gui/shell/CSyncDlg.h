#pragma once
// The progress dialog shown while the whole device state is copied to or from the device.
//
// It is application-modal but shown without exec(): the caller starts the transfer worker and
// returns to the event loop at once, the dialog keeps the user from editing pages meanwhile, and
// whoever learns that the transfer ended (the main view, on the link's transfer-finished report)
// closes it through the owner. A nested event loop would instead leave the caller suspended
// inside the show call while that very report is delivered.
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTimer>

class QLabel;
class QProgressBar;

namespace nr::gui {

class AppContext;

class CSyncDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CSyncDlg(AppContext& ctx, QWidget* parent = nullptr);

  // An empty text shows the default "please wait" text of the current language.
  void SetText(const QString& text);
  QString Text() const;
  // Only the owner ends the dialog; the user has no button, Esc or close box for it.
  void AllowClose() { closeAllowed_ = true; }
  // The image chunks done so far (0..70): a busy bar until the first, then the real share.
  void SetChunks(int chunks);
  QProgressBar* Bar() const { return bar_; }

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Relabel();

  AppContext& ctx_;
  QLabel* text_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QString callerText_;
  bool closeAllowed_ = false;
};

// Keeps at most one synchronisation dialog and its time-out. The time-out runs from the last
// answer a transfer received, not from the dialog's start: a slow device that keeps answering
// is never cut off, a silent one is.
class SyncDialogOwner : public QObject {
  Q_OBJECT

 public:
  static constexpr int kDefaultTimeoutMs = 30000;

  // parentWindow: the window the dialog and the time-out box are centred on (may be null).
  explicit SyncDialogOwner(AppContext& ctx, QWidget* parentWindow = nullptr, int timeoutMs = kDefaultTimeoutMs);
  ~SyncDialogOwner() override;

  // Shows the dialog with text (empty: the default text) and starts the time-out. While one is
  // shown, a further call only brings it to the front: text and time-out stay as they are.
  void Show(const QString& text = QString());
  // Stops the time-out and closes the dialog, if one is shown.
  void Close();
  bool IsShown() const { return dialog_ != nullptr; }
  CSyncDlg* Dialog() const { return dialog_; }
  // The error box of the last time-out while it is open.
  QMessageBox* TimeoutBox() const { return timeoutBox_; }

 signals:
  // The transfer did not end in time: the dialog is closed, the box shown, a network link closed.
  void timedOut();

 private:
  void OnTimeout();

  AppContext& ctx_;
  QPointer<QWidget> parentWindow_;
  QPointer<CSyncDlg> dialog_;
  QPointer<QMessageBox> timeoutBox_;
  QTimer timeout_;
  QTimer progressWatch_;  // restarts the time-out while the transfer makes progress, moves the bar
  uint64_t lastProgress_ = 0;
};

}  // namespace nr::gui
