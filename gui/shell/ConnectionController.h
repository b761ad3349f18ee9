#pragma once
// The link's life as the main window sees it: connecting at start-up, on a USB arrival and when
// the user asks (a network address, USB, the demo device), reconnecting the way the last link was
// made, disconnecting, and what the link reports when it drops.
//
// Connecting and identifying never run on the UI thread: a worker tries the new link while the
// window keeps serving, and the link that is open stays open until the new device has identified
// itself (a network address is tried by a connection of its own first). Stop() ends an attempt at
// once. Each attempt ends with one `finished` signal carrying a ConnectResult, which says in
// words (Describe) what failed; the view shows it once, where the user asked.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <atomic>
#include <optional>
#include <thread>

#include "session/ConnectProbe.h"
#include "link/NetAddress.h"
#include "shell/Language.h"

Q_DECLARE_METATYPE(nr::ConnectResult)

namespace nr::gui {

class AppContext;
class LinkNoticeBar;
class QtLinkEvents;
class SyncDialogOwner;

class ConnectionController : public QObject {
  Q_OBJECT

 public:
  enum class Way { kNetwork, kUsb, kDemo };
  // Where an attempt was asked for: where its failure is said.
  enum class Origin {
    kStartup,  // the first attempt after the window appeared (a network failure is said in the notice)
    kArrival,  // a USB device plugged in (said nowhere: the device may still be starting)
    kDialog,   // the connection dialog (said in its status line)
    kNotice,   // the link notice's Reconnect (said in the notice)
  };
  Q_ENUM(Origin)

  ConnectionController(AppContext& ctx, QtLinkEvents& events, SyncDialogOwner& sync, LinkNoticeBar& notice,
                       QObject* parent = nullptr);
  ~ConnectionController() override;

  // Each starts an attempt; false when one is running already (nothing new starts) or, for the
  // demo, when the demo device cannot run.
  bool ConnectNetwork(const NetTarget& target, Origin origin);
  bool ConnectUsb(Origin origin);
  bool ConnectDemo(Origin origin);
  // The way the last link was made.
  bool Reconnect(Origin origin = Origin::kNotice);
  // Stops the attempt that runs; its end is reported as kStopped and the open link stays.
  void Stop();
  // Stops any attempt, then closes the link with the device's goodbye.
  void Disconnect();
  bool Busy() const { return worker_.joinable(); }
  // What the attempt that runs is about: "127.0.0.1:30303", "USB".
  QString AttemptTarget() const { return attemptTarget_; }
  std::optional<ConnectResult> LastResult() const { return lastResult_; }

  // Starts connecting 250 ms after the window appeared; the once-a-second USB check follows.
  void StartConnecting();
  // No attempt at start: a USB device plugged in later connects as usual.
  void StartOffline();
  // The once-a-second check: connects our USB device when it has just been plugged in, notices
  // when the USB device of the open link has gone.
  void PollUsbDevice();

  // The link's own tasks the view shares: the status query stops when the link goes; the next
  // read is held when it would lose edits nothing keeps (or, while a preset file is edited,
  // anything the screen shows).
  void StopPolling();
  void ArmReadHold();

  // A failure in words, in the language given (0 Chinese, 1 English); never an error number.
  static QString Describe(const ConnectResult& result, gui::Language language);

  // The probe's limits (tests shorten them).
  ProbeOptions probe;

 signals:
  // An attempt has started (the text says what is being tried, in the current language).
  void attemptStarted(const QString& text);
  // An attempt has ended; on success the link is open and the read of the device has started.
  void finished(const nr::ConnectResult& result, nr::gui::ConnectionController::Origin origin);
  // The link opened (reads, polling and the announcement start) or closed.
  void linkOpened();
  void linkClosed();

 private:
  struct Attempt {
    Way way;
    NetTarget target;
    Origin origin;
    bool presetOpen = false;  // a preset file is being edited: every read that differs is held
  };
  bool Start(const Attempt& attempt);
  // On the worker: opens the link (Open), then starts the read.
  ConnectResult Run(const Attempt& attempt);
  ConnectResult Open(const Attempt& attempt);
  void Finish(const Attempt& attempt, const ConnectResult& result);
  void Join();
  void Opened(int balloonMs);
  void AnnounceIfIdentified(bool transferEnded);
  void DeviceRemoved();
  void OnHeartbeatLost();
  void OnHostBusy();
  void OnConnectionLost();

  AppContext& ctx_;
  QtLinkEvents& events_;
  SyncDialogOwner& sync_;
  LinkNoticeBar& notice_;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  QString attemptTarget_;
  std::optional<ConnectResult> lastResult_;
  bool usbPresent_ = false;  // our USB device was plugged in at the last check
  QTimer connectTimer_;      // the first attempt
  QTimer devicePoll_;        // arrival and removal of the USB device, once a second
  QTimer statusTimer_;       // the status query every 500 ms
  QTimer announceTimer_;     // watches for the identification after a connection
  int announceMs_ = 5000;
};

}  // namespace nr::gui
