#pragma once
// The main view: hosts one page at a time, runs the ribbon's live controls (volumes, mutes,
// noise gate, pitch), follows the device coming and going, starts and finishes synchronisation,
// polls the device status and keeps the status bar current. Everything runs on the UI thread;
// the link reports through QtLinkEvents.
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "link/LinkEvents.h"
#include "link/TransferResult.h"
#include "shell/Page.h"
#include "shell/TextPair.h"

namespace nr::gui {

class AppContext;
class CMainFrame;
class LinkNoticeBar;
class ModeCommands;
class Prompts;
class QtLinkEvents;
class SyncDialogOwner;
class WaitDialogOwner;

class CGQ2270v13View : public QWidget, public PageHost {
  Q_OBJECT

 public:
  // The live controls of the ribbon; each exists once per ribbon category.
  enum LiveControl { kMic, kEffect, kReverb, kEcho, kMusic, kNoiseGate, kLiveControls };

  using PageFactory = std::function<std::unique_ptr<Page>(CGQ2270v13View& view)>;

  CGQ2270v13View(AppContext& ctx, CMainFrame& frame, QtLinkEvents& events, Prompts& prompts);
  ~CGQ2270v13View() override;

  // The page shown when a ribbon category becomes active (0 Input, 1 Output), by its dialog
  // number: when that page is already showing it is only refreshed.
  void SetCategoryPage(int category, int dialogNumber, PageFactory factory);
  // Opens a tool dialog for a ribbon command (features, input source, remote control...).
  void SetToolCommand(int commandId, std::function<void()> open);

  // PageHost.
  void ShowPage(std::unique_ptr<Page> page) override;
  Page* CurrentPage() const override { return page_; }

  // Starts trying to connect (250 ms after creation, as the window appears); the once-a-second
  // check for the USB device arriving and leaving follows.
  void StartConnecting();
  // Starts without a device (editing a preset file): no connection is tried, a USB device that
  // is plugged in later connects as usual and is offered the preset.
  void StartOffline();
  // Edits a preset file without a device: closes the link first (asking), offers to save what
  // the screen would lose, then shows the file. False when nothing was opened.
  bool OpenOffline(const QString& path);
  // That check: connects to our USB device when it has just been plugged in, notices when it
  // has gone.
  void PollUsbDevice();
  // The user asks for the USB device: any other link is closed first. False when none answered.
  bool ConnectUsb();
  // The user asks for the built-in demo device (started on first use). False when it cannot run.
  bool ConnectDemo();
  // Closes the link with the device's goodbye; nothing reconnects until the user asks (or plugs
  // the USB device in again).
  void Disconnect();
  // Connects again the way the last link was made (USB, the network target, the demo device).
  // When nothing answers, the link notice says so (it stays up for another try). True when a
  // link is open.
  bool Reconnect();
  // The bar over the page that says the link has dropped.
  LinkNoticeBar* LinkNotice() const { return notice_; }
  void RefreshControls();
  void RefreshAll();  // controls, page and open tool dialogs from the image
  void ShowInfoTip(const QString& text, int ms);
  void ShowTrayBalloon(const QString& title, const QString& text, int ms);
  // An operation the device answers late (smart plugs): performed now, the wait dialog follows.
  void RunDeviceOperation(const QString& text, int operation, int delayMs, int a, int b);

  AppContext& Context() { return ctx_; }
  ModeCommands& Modes() { return *modes_; }
  SyncDialogOwner& Sync() { return *sync_; }
  WaitDialogOwner& Wait() { return *wait_; }
  bool JustConnected() const { return justConnected_; }

  // The ribbon command handler (also reached by the menu, keys and tests).
  void OnCommand(int id);
  // Activates a ribbon category and shows its page, as a click on its tab does.
  void SwitchCategory(int category);
  void OnSliderMoved(int id, int value);
  void OnMuteToggled(int id);

  // Link status pane text and colour for the present state.
  QString LinkStatusText() const;

  // ---- Smart plugs ----
  // The wait dialog's text for the operation in progress: shown at once when the dialog is up,
  // otherwise the text (and colour) it shows when it appears.
  void SetOperationText(const QString& text, const QColor& color = QColor());
  // The wait dialog of the last operation will not appear (the device answered first).
  void CancelPendingOperation() { operationTimer_.stop(); }
  bool OperationPending() const { return operationTimer_.isActive(); }
  // The last late-answered operation: its code (13, 4A, 4B) and its two arguments.
  int OperationKind() const { return pendingOperation_; }
  int OperationNode() const { return pendingA_; }
  int OperationValue() const { return pendingB_; }
  Prompts& GetPrompts() { return prompts_; }

 signals:
  // A learned remote key, for the key-learning dialog.
  void remoteKeyLearned(int code);
  void zwaveFrame(const QByteArray& bytes);
  void zwaveMemory(const QByteArray& bytes);
  // Smart-home reports, for the smart-plug page.
  void smartPlugReport(const nr::PlugReport& report);
  void smartHomeFinished(int what, int value);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct LiveSpec;
  static const LiveSpec& Spec(int control);
  static int ControlOfSlider(int id);
  static int ControlOfMute(int id);

  void ConnectSignals();
  QRect PageRect() const;
  void LayOutPage();
  void Connected(int balloonMs);
  void OnTransferFinished(const TransferResult& result);
  // Says "connected" once the read after a connection has identified the device.
  void AnnounceIfIdentified(bool transferEnded);
  // A read held because it would replace unsaved edits: the user chooses which values stay.
  // False when the screen's values are being sent instead (that transfer ends the matter).
  bool ResolveHeldRead();
  bool ResolveHeldReadForPreset();
  void DeviceArrived();
  void DeviceRemoved();
  void OnHeartbeatLost();
  void OnHostBusy();
  void OnCategoryChanged(int category);
  void OnPitchMoved(int value);
  void OnStatusPoll();
  void OnPitchRefresh();
  void OnLanguageChanged();
  void OnResetEq();
  void ResetMachine();
  void OpenConnectDialog();
  void ConnectEditShortcuts();
  // The next read of the device is held when it would lose something: edits nothing keeps, or
  // (while a preset file is being edited) anything the screen shows.
  void ArmReadHold();
  void OpenAboutBox();
  void UpdateStatusBar();
  void SetLiveLabels(int control, int value);
  void SetPitchCaption(int pitch);
  void StopPolling();
  int ActiveCategory() const;

  AppContext& ctx_;
  CMainFrame& frame_;
  QtLinkEvents& events_;
  Prompts& prompts_;
  std::unique_ptr<SyncDialogOwner> sync_;
  std::unique_ptr<WaitDialogOwner> wait_;
  std::unique_ptr<ModeCommands> modes_;
  LinkNoticeBar* notice_;  // a child of the view
  Page* page_ = nullptr;
  struct CategoryPage {
    int dialogNumber;
    PageFactory factory;
  };
  std::map<int, CategoryPage> categoryPages_;
  std::map<int, std::function<void()>> toolCommands_;
  bool justConnected_ = false;
  bool usbPresent_ = false;  // our USB device was plugged in at the last check
  QPointer<QWidget> versionBox_;

  QTimer connectTimer_;  // 1: first connection attempt
  QTimer statusTimer_;   // 3: status query every 500 ms
  QTimer pitchTimer_;    // 4: pitch from the status every 2000 ms
  QTimer operationTimer_;  // 5: the wait dialog of a late-answered operation
  QTimer devicePoll_;    // arrival and removal of the USB device, once a second
  QTimer statusBarTimer_;
  QTimer announceTimer_;  // watches for the identification after a connection
  int announceMs_ = 5000;
  QString pendingText_;
  int pendingOperation_ = 0;
  int pendingA_ = 0;
  int pendingB_ = 0;
  QColor pendingColor_;
};

}  // namespace nr::gui
