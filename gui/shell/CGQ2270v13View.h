#pragma once
// The main view: a thin shell that joins four parts and routes the ribbon's commands to them:
//   the page area (one page at a time, under the link notice),
//   the live controls (volumes, mutes, noise gate, pitch),
//   the connection controller (connecting off the UI thread, reconnecting, the link's news),
//   the plug operation (smart-plug operations the device answers late, with their wait dialog).
// What is left here: the command router, the status bar, the end of a transfer (refresh, the
// question when a read would replace unkept edits) and the tips.
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "link/LinkEvents.h"
#include "link/TransferResult.h"
#include "shell/ConnectionController.h"
#include "shell/Page.h"
#include "shell/PlugOperation.h"
#include "shell/TextPair.h"

namespace nr::gui {

class AppContext;
class CMainFrame;
class LinkNoticeBar;
class LiveControls;
class ModeCommands;
class PageArea;
class Prompts;
class QtLinkEvents;
class SyncDialogOwner;
class WaitDialogOwner;

class CGQ2270v13View : public QWidget, public PageHost {
  Q_OBJECT

 public:
  using PageFactory = std::function<std::unique_ptr<Page>(CGQ2270v13View& view)>;

  CGQ2270v13View(AppContext& ctx, CMainFrame& frame, QtLinkEvents& events, Prompts& prompts);
  ~CGQ2270v13View() override;

  // ---- The page area ----
  // The page shown when a ribbon category becomes active (0 Input, 1 Output), by its dialog
  // number: when that page is already showing it is only refreshed.
  void SetCategoryPage(int category, int dialogNumber, PageFactory factory);
  void ShowPage(std::unique_ptr<Page> page) override;
  Page* CurrentPage() const override;
  // Activates a ribbon category and shows its page, as a click on its tab does.
  void SwitchCategory(int category);
  // The bar over the page that says the link has dropped.
  LinkNoticeBar* LinkNotice() const;
  PageArea& Pages() { return *pages_; }

  // ---- The live controls ----
  void OnSliderMoved(int id, int value);
  void OnMuteToggled(int id);
  void RefreshControls();
  LiveControls& Live() { return *live_; }

  // ---- The connection ----
  ConnectionController& Connector() { return *connection_; }
  // Starts trying to connect (250 ms after creation, as the window appears); the once-a-second
  // check for the USB device arriving and leaving follows.
  void StartConnecting();
  // Starts without a device (editing a preset file): no connection is tried, a USB device that
  // is plugged in later connects as usual and is offered the preset.
  void StartOffline();
  // Edits a preset file without a device: closes the link first (asking), offers to save what
  // the screen would lose, then shows the file. False when nothing was opened.
  bool OpenOffline(const QString& path);
  // The once-a-second check for the USB device arriving and leaving.
  void PollUsbDevice();
  // Each starts an attempt that ends with ConnectionController::finished; false when none
  // started (one runs already, or the demo device cannot run). True at once for a link of that
  // kind already open.
  bool ConnectUsb();
  bool ConnectDemo();
  bool Reconnect();
  // Connects to a room of the venue: asks first about edits nothing keeps (save them, drop them,
  // or stay), then tries the address as the connection dialog does. False when the user stayed
  // or an attempt runs already.
  bool ConnectToRoom(const NetTarget& target);
  // Closes the link with the device's goodbye; nothing reconnects until the user asks (or plugs
  // the USB device in again).
  void Disconnect();

  // ---- Plug operations ----
  // An operation the device answers late (smart plugs): performed now, the wait dialog follows.
  void RunDeviceOperation(const QString& text, int operation, int delayMs, int a, int b);
  void SetOperationText(const QString& text, const QColor& color = QColor());
  void CancelPendingOperation() { plug_->CancelPending(); }
  bool OperationPending() const { return plug_->Pending(); }
  // The last late-answered operation: its function (13, 4A, 4B) and its two arguments.
  int OperationKind() const { return plug_->Last() ? plug_->Last()->function : 0; }
  int OperationNode() const { return plug_->Last() ? plug_->Last()->node : 0; }
  int OperationValue() const { return plug_->Last() ? plug_->Last()->value : 0; }
  PlugOperation& Plug() { return *plug_; }

  // ---- The rest ----
  void RefreshAll();  // controls, page and open tool dialogs from the image
  void ShowInfoTip(const QString& text, int ms);
  void ShowTrayBalloon(const QString& title, const QString& text, int ms);
  // Opens a tool dialog for a ribbon command (features, input source, remote control...).
  void SetToolCommand(int commandId, std::function<void()> open);

  AppContext& Context() { return ctx_; }
  ModeCommands& Modes() { return *modes_; }
  SyncDialogOwner& Sync() { return *sync_; }
  WaitDialogOwner& Wait() { return *wait_; }
  Prompts& GetPrompts() { return prompts_; }
  bool JustConnected() const { return justConnected_; }

  // The ribbon command handler (also reached by the menu, keys and tests).
  void OnCommand(int id);
  // Link status pane text for the present state.
  QString LinkStatusText() const;

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

 private:
  void ConnectSignals();
  void ConnectEditShortcuts();
  void OnCategoryChanged(int category);
  void OnTransferFinished(const TransferResult& result);
  // A read held because it would replace unsaved edits: the user chooses which values stay.
  // False when the screen's values are being sent instead (that transfer ends the matter).
  bool ResolveHeldRead();
  bool ResolveHeldReadForPreset();
  void OnLanguageChanged();
  void OnResetEq();
  void ResetMachine();
  void OpenConnectDialog();
  void OpenAboutBox();
  void UpdateStatusBar();
  int ActiveCategory() const;

  AppContext& ctx_;
  CMainFrame& frame_;
  QtLinkEvents& events_;
  Prompts& prompts_;
  std::unique_ptr<SyncDialogOwner> sync_;
  std::unique_ptr<WaitDialogOwner> wait_;
  std::unique_ptr<ModeCommands> modes_;
  PageArea* pages_;  // a child of the view
  std::unique_ptr<LiveControls> live_;
  std::unique_ptr<ConnectionController> connection_;
  std::unique_ptr<PlugOperation> plug_;
  std::map<int, std::function<void()>> toolCommands_;
  bool justConnected_ = false;
  QPointer<QWidget> versionBox_;
  QTimer statusBarTimer_;
};

}  // namespace nr::gui
