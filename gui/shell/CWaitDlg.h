#pragma once
// The please-wait dialog of the smart-plug operations that the device answers late (set a plug,
// add or remove a node): a stepping progress bar, one line of text and a forced-stop button that
// aborts the running Z-Wave operation. Its texts exist in Chinese only.
//
// Like the synchronisation dialog it is application-modal without a nested event loop: the page
// that started the operation hears the device's reports on the event loop and ends the dialog
// with Finish().
#include <QColor>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;

namespace nr::gui {

class AppContext;

// The Serial API request that aborts a running operation of this kind (set a plug 13, add a
// node 4A, remove a node 4B); empty for operations that have no abort.
std::vector<uint8_t> AbortFrame(int kind);

class CWaitDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kStopId = 1;

  explicit CWaitDlg(QWidget* parent = nullptr);

  void SetText(const QString& text, const QColor& color = QColor());
  QString Text() const;
  QColor TextColor() const { return color_; }
  QProgressBar* Bar() const { return bar_; }
  QPushButton* StopButton() const { return stop_; }
  // Advances the bar by one step of 10, starting over once it passes the end.
  void Step();
  void AllowClose() { closeAllowed_ = true; }

 signals:
  void stopRequested();

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* text_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* stop_ = nullptr;
  QColor color_;
  bool closeAllowed_ = false;
};

struct WaitTimings {
  int stepMs = 150;
  int timeoutMs = 30000;       // when the dialog is opened
  int rearmTimeoutMs = 20000;  // when an open dialog is armed again for a further operation
  int timeoutTipMs = 1100;
};

// Keeps at most one wait dialog, its timers and the operation it waits for.
class WaitDialogOwner : public QObject {
  Q_OBJECT

 public:
  explicit WaitDialogOwner(AppContext& ctx, QWidget* parentWindow = nullptr, WaitTimings timings = {});
  ~WaitDialogOwner() override;

  // Opens the dialog for operation kind with its two arguments. While one is open, the text and
  // operation are taken over and the step timer and the (shorter) time-out start again.
  void Show(const QString& text, int kind, int argument1, int argument2, const QColor& color = QColor());
  // Stops the timers; delayMs 0 closes at once, otherwise the bar shows 100 and the dialog
  // closes after delayMs.
  void Finish(int delayMs);
  void SetText(const QString& text, const QColor& color = QColor());
  bool IsShown() const { return dialog_ != nullptr; }
  CWaitDlg* Dialog() const { return dialog_; }
  int Kind() const { return kind_; }

 signals:
  // The user stopped the operation, or it timed out; the abort frame (if any) has been sent.
  void forcedStop(int kind);
  // A plug's key write was abandoned: the smart-plug page should mark the key not learned.
  void plugKeyReset(int plug, int keyPosition);
  void timedOut();

 private:
  void ForceStop();
  void CloseNow();
  void OnTimeout();

  AppContext& ctx_;
  QPointer<QWidget> parentWindow_;
  WaitTimings timings_;
  QPointer<CWaitDlg> dialog_;
  QPointer<CWaitDlg> retiring_;  // closed, waiting for its deferred deletion
  QTimer step_;
  QTimer timeout_;
  QTimer closeLater_;
  int kind_ = 0;
  int argument1_ = 0;
  int argument2_ = 0;
};

}  // namespace nr::gui
