#include "shell/CGQ2270v13View.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QResizeEvent>
#include <QShortcut>

#include "shell/AppContext.h"
#include "shell/CAboutDlg.h"
#include "shell/CInfoDlg.h"
#include "shell/CMFCMyRibbonStatusBar.h"
#include "shell/CMainFrame.h"
#include "shell/CNetConnectDlg.h"
#include "shell/CSyncDlg.h"
#include "shell/CWaitDlg.h"
#include "shell/DialogTexts.h"
#include "shell/EditHistory.h"
#include "shell/LinkNoticeBar.h"
#include "shell/LiveControls.h"
#include "shell/ModeCommands.h"
#include "shell/PageArea.h"
#include "shell/Prompts.h"
#include "shell/QtLinkEvents.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"
#include "shell/TrayBalloon.h"
#include "shell/TransferFailureText.h"

namespace nr::gui {
namespace {

using namespace rid;

const TextPair kInformation{"信息", "Information"};

}  // namespace

CGQ2270v13View::CGQ2270v13View(AppContext& ctx, CMainFrame& frame, QtLinkEvents& events, Prompts& prompts)
    : ctx_(ctx),
      frame_(frame),
      events_(events),
      prompts_(prompts),
      sync_(std::make_unique<SyncDialogOwner>(ctx, &frame)),
      wait_(std::make_unique<WaitDialogOwner>(ctx, &frame)),
      modes_(std::make_unique<ModeCommands>(ctx, prompts, *sync_, &frame)),
      pages_(new PageArea(this)),
      live_(std::make_unique<LiveControls>(ctx, *frame.Ribbon())),
      connection_(std::make_unique<ConnectionController>(ctx, events, *sync_, *pages_->Notice())),
      plug_(std::make_unique<PlugOperation>(ctx, *wait_)) {
  setMinimumSize(1024, 520);
  statusBarTimer_.setInterval(250);
  ConnectSignals();
  frame_.canClose = [this] { return modes_->OfferToSaveChanges(); };
  RefreshControls();
  UpdateStatusBar();
  statusBarTimer_.start();
}

CGQ2270v13View::~CGQ2270v13View() = default;

void CGQ2270v13View::ConnectSignals() {
  CMyMFCRibbonBar* ribbon = frame_.Ribbon();
  connect(ribbon, &CMyMFCRibbonBar::commandTriggered, this, &CGQ2270v13View::OnCommand);
  connect(ribbon, &CMyMFCRibbonBar::sliderMoved, this, &CGQ2270v13View::OnSliderMoved);
  connect(ribbon, &CMyMFCRibbonBar::checkToggled, this, [this](int id, bool) { OnMuteToggled(id); });
  connect(ribbon, &CMyMFCRibbonBar::categoryChanged, this, &CGQ2270v13View::OnCategoryChanged);
  connect(ribbon, &CMyMFCRibbonBar::recentFileChosen, this, [this](const QString& path) {
    if (ctx_.Connected())
      modes_->OpenFile(path);
    else
      OpenOffline(path);  // without a device a preset can still be edited
  });
  connect(modes_.get(), &ModeCommands::recentFilesChanged, &frame_, &CMainFrame::RefreshRecentFiles);
  connect(modes_.get(), &ModeCommands::offlinePresetOpened, this, [this] {
    connection_->ArmReadHold();
    RefreshAll();
    UpdateStatusBar();
  });
  connect(pages_, &PageArea::pageChanged, this, [this] {
    if (Page* page = CurrentPage())
      connect(page, &Page::eqBypassChanged, this, [this](bool on) { frame_.StatusBar()->SetBypassChecked(on); });
    UpdateStatusBar();
  });

  CMFCMyRibbonStatusBar* bar = frame_.StatusBar();
  connect(bar, &CMFCMyRibbonStatusBar::bypassToggled, this, [this](bool on) {
    if (Page* page = CurrentPage(); page && page->HasEqBypass()) page->SetEqBypass(on);
  });
  connect(bar, &CMFCMyRibbonStatusBar::resetEqClicked, this, &CGQ2270v13View::OnResetEq);
  connect(&frame_, &CMainFrame::closing, this, [this] {
    connection_->Stop();
    connection_->StopPolling();
    live_->StopPitchRefresh();
    ctx_.GetLink().Close(true);
  });

  // The connection's news.
  connect(connection_.get(), &ConnectionController::linkOpened, this, [this] {
    justConnected_ = true;
    live_->StartPitchRefresh();
    UpdateStatusBar();
  });
  connect(connection_.get(), &ConnectionController::linkClosed, this, [this] {
    live_->StopPitchRefresh();
    UpdateStatusBar();
  });
  connect(connection_.get(), &ConnectionController::attemptStarted, this, &CGQ2270v13View::UpdateStatusBar);
  connect(connection_.get(), &ConnectionController::finished, this, &CGQ2270v13View::UpdateStatusBar);

  connect(&events_, &QtLinkEvents::transferFinished, this, &CGQ2270v13View::OnTransferFinished);
  connect(&events_, &QtLinkEvents::errorReport, this, [this](const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error"), text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  });
  connect(&events_, &QtLinkEvents::remoteKeyLearned, this, &CGQ2270v13View::remoteKeyLearned);
  connect(&events_, &QtLinkEvents::zwaveFrame, this, &CGQ2270v13View::zwaveFrame);
  connect(&events_, &QtLinkEvents::zwaveMemory, this, &CGQ2270v13View::zwaveMemory);
  connect(&events_, &QtLinkEvents::smartPlugReport, this, &CGQ2270v13View::smartPlugReport);
  connect(&events_, &QtLinkEvents::smartHomeFinished, this, &CGQ2270v13View::smartHomeFinished);
  connect(&events_, &QtLinkEvents::modeCommandFinished, modes_.get(), &ModeCommands::OnModeCommandFinished);

  connect(&ctx_, &AppContext::languageChanged, this, &CGQ2270v13View::OnLanguageChanged);
  connect(&statusBarTimer_, &QTimer::timeout, this, &CGQ2270v13View::UpdateStatusBar);

  ConnectEditShortcuts();
  auto* open = new QShortcut(QKeySequence::Open, &frame_);
  connect(open, &QShortcut::activated, this, [this] { OnCommand(kFileOpen); });
  auto* save = new QShortcut(QKeySequence::Save, &frame_);
  connect(save, &QShortcut::activated, this, [this] { OnCommand(kFileSave); });
}

void CGQ2270v13View::ConnectEditShortcuts() {
  EditHistory& history = ctx_.History();
  connect(&history, &EditHistory::restored, this, [this] {
    RefreshAll();
    UpdateStatusBar();
  });
  // Undo and redo reach every window of the application, tool dialogs included.
  const auto shortcut = [this](const QKeySequence& keys, int command) {
    auto* s = new QShortcut(keys, &frame_);
    s->setContext(Qt::ApplicationShortcut);
    connect(s, &QShortcut::activated, this, [this, command] { OnCommand(command); });
  };
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), kEditUndo);
  shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), kEditRedo);
  shortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), kEditRedo);
  const auto enable = [this](int id, bool on) {
    if (QWidget* item = frame_.Ribbon()->Element(id)) item->setEnabled(on);
  };
  connect(&history.Stack(), &QUndoStack::canUndoChanged, this, [enable](bool on) { enable(kEditUndo, on); });
  connect(&history.Stack(), &QUndoStack::canRedoChanged, this, [enable](bool on) { enable(kEditRedo, on); });
  enable(kEditUndo, false);
  enable(kEditRedo, false);
}


// ---- The page area ----

void CGQ2270v13View::SetCategoryPage(int category, int dialogNumber, PageFactory factory) {
  pages_->SetCategoryPage(category, dialogNumber, [this, factory = std::move(factory)] { return factory(*this); });
  if (category == ActiveCategory() && !CurrentPage()) OnCategoryChanged(category);
}

void CGQ2270v13View::ShowPage(std::unique_ptr<Page> page) { pages_->ShowPage(std::move(page)); }

Page* CGQ2270v13View::CurrentPage() const { return pages_->CurrentPage(); }

LinkNoticeBar* CGQ2270v13View::LinkNotice() const { return pages_->Notice(); }

void CGQ2270v13View::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  pages_->setGeometry(rect());
}

void CGQ2270v13View::SwitchCategory(int category) {
  frame_.Ribbon()->SetActiveCategory(category);
  OnCategoryChanged(category);
}

int CGQ2270v13View::ActiveCategory() const { return frame_.Ribbon()->ActiveCategory(); }

void CGQ2270v13View::OnCategoryChanged(int category) {
  if (pages_->ShowCategory(category))
    live_->SetPitchCaption(ctx_.Model().Read([](const DeviceState& s) { return s.derived.pitch; }));
}

void CGQ2270v13View::SetToolCommand(int commandId, std::function<void()> open) {
  toolCommands_[commandId] = std::move(open);
}

// ---- The live controls ----

void CGQ2270v13View::OnSliderMoved(int id, int value) { live_->OnSliderMoved(id, value); }

void CGQ2270v13View::OnMuteToggled(int id) { live_->OnMuteToggled(id); }

void CGQ2270v13View::RefreshControls() { live_->RefreshControls(); }

void CGQ2270v13View::RefreshAll() {
  RefreshControls();
  if (Page* page = CurrentPage()) page->RefreshFromImage();
  for (QWidget* dialog : ctx_.OpenDialogs())
    if (auto* tool = dynamic_cast<ToolDialog*>(dialog)) tool->RefreshFromImage();
}

// ---- The connection ----

void CGQ2270v13View::StartConnecting() { connection_->StartConnecting(); }

void CGQ2270v13View::StartOffline() {
  connection_->StartOffline();
  UpdateStatusBar();
}

void CGQ2270v13View::PollUsbDevice() { connection_->PollUsbDevice(); }

bool CGQ2270v13View::ConnectUsb() { return connection_->ConnectUsb(ConnectionController::Origin::kDialog); }

bool CGQ2270v13View::ConnectDemo() { return connection_->ConnectDemo(ConnectionController::Origin::kDialog); }

bool CGQ2270v13View::Reconnect() { return connection_->Reconnect(ConnectionController::Origin::kNotice); }

void CGQ2270v13View::Disconnect() {
  connection_->Disconnect();
  UpdateStatusBar();
}

bool CGQ2270v13View::OpenOffline(const QString& path) {
  if (ctx_.Connected()) {
    const TextPair question{"离线编辑文件会断开与设备的连接（设备保持当前参数）。\n要继续吗？",
                            "Editing a file offline closes the link to the device (the device keeps its present "
                            "parameters).\nGo on?"};
    if (prompts_.Ask(&frame_, ctx_.T(kInformation), ctx_.T(question), QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes)
      return false;
  }
  if (!modes_->OfferToSaveChanges()) return false;
  return modes_->OpenOffline(path, [this] { Disconnect(); });
}

bool CGQ2270v13View::ConnectToRoom(const NetTarget& target) {
  if (connection_->Busy() || !modes_->OfferToSaveChanges()) return false;
  return connection_->ConnectNetwork(target, ConnectionController::Origin::kNotice);
}

void CGQ2270v13View::OnTransferFinished(const TransferResult& result) {
  if (!ctx_.Conn().Sync().Busy()) sync_->Close();  // a remembered transfer follows this one
  const std::optional<std::string> mismatch = ctx_.Conn().Sync().FinishTransfer(result);
  if (mismatch) {
    connection_->StopPolling();
    if (!versionBox_) {
      auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("错误"), QString::fromStdString(*mismatch),
                                  QMessageBox::Ok, &frame_);
      box->setAttribute(Qt::WA_DeleteOnClose);
      box->setTextFormat(Qt::PlainText);  // the text carries the device's module name
      versionBox_ = box;
      box->open();
    }
    UpdateStatusBar();
    return;
  }
  if (!result.ok()) {
    justConnected_ = false;
    UpdateStatusBar();
    prompts_.Error(&frame_, ctx_.T({"错误", "Error"}), TransferFailureText(ctx_, result));
    return;
  }
  if (ctx_.Conn().Sync().HasHeldRead() && !ResolveHeldRead()) return;
  if (!result.IsWrite()) ctx_.History().Clear();  // the device's values: nothing to undo
  if (ctx_.Document().IsOpen()) connection_->ArmReadHold();  // every read asks while a preset file is edited
  RefreshAll();
  UpdateStatusBar();
  QTimer::singleShot(150, this, [this] { justConnected_ = false; });
}

bool CGQ2270v13View::ResolveHeldRead() {
  if (ctx_.Document().IsOpen()) return ResolveHeldReadForPreset();
  const TextPair question{
      "设备上的参数与屏幕上尚未保存的修改不同（修改是在断开连接时做的，或设备已重新启动）。\n要保留哪一份？",
      "The device's parameters differ from changes on the screen that are not saved anywhere (made while "
      "the link was down, or the device has restarted).\nWhich do you want to keep?"};
  const QStringList choices{ctx_.T({"使用设备的参数", "Use the device's values"}),
                            ctx_.T({"把屏幕上的参数发送到设备", "Send the screen's values to the device"}),
                            ctx_.T({"先把屏幕上的参数存为文件，再使用设备的参数",
                                    "Save the screen's values to a file, then use the device's"})};
  Synchronizer& sync = ctx_.Conn().Sync();
  for (;;) {
    switch (prompts_.Choose(&frame_, ctx_.T({"参数不同", "Different parameters"}), ctx_.T(question), choices, 2)) {
      case 0:
        sync.ApplyHeldRead();
        return true;
      case 1:
        sync.DropHeldRead();
        modes_->SendScreenToDevice();  // the end of that write refreshes the screen
        return false;
      default:
        if (!modes_->SaveScreenToFile()) continue;  // not saved: ask again
        sync.ApplyHeldRead();
        return true;
    }
  }
}

// The device's values differ from the preset file being edited: the device takes the preset, or
// the screen takes the device's values (the file stays as it is saved, or is saved first).
bool CGQ2270v13View::ResolveHeldReadForPreset() {
  PresetDocument& document = ctx_.Document();
  const TextPair question{"设备上的参数与正在编辑的预设“%1”不同。\n要把这个预设发送到设备吗？",
                          "The device's parameters differ from the preset \"%1\" being edited.\nSend the preset to the "
                          "device?"};
  QStringList choices{ctx_.T({"把预设发送到设备", "Send the preset to the device"}),
                      ctx_.T({"使用设备的参数（文件保持已保存的内容）", "Use the device's values (the file stays as saved)"})};
  const bool modified = document.Modified();
  if (modified)
    choices << ctx_.T({"先保存预设文件，再使用设备的参数", "Save the preset file, then use the device's values"});
  Synchronizer& sync = ctx_.Conn().Sync();
  for (;;) {
    const int choice = prompts_.Choose(&frame_, ctx_.T({"连接设备", "Device connected"}),
                                       ctx_.T(question).arg(document.FileName()), choices, modified ? 2 : 1);
    if (choice == 0) {
      sync.DropHeldRead();
      modes_->SendScreenToDevice();  // the preset stays the document; the write's end refreshes
      return false;
    }
    if (choice == 2 && !modes_->SaveScreenToFile()) continue;  // not saved: ask again
    document.Close();
    sync.ApplyHeldRead();
    return true;
  }
}


QString CGQ2270v13View::LinkStatusText() const {
  Link& link = ctx_.GetLink();
  if (!link.IsConnected() && ctx_.Document().IsOpen()) {
    const QString text = ctx_.T({"离线编辑：%1", "Offline: %1"}).arg(ctx_.Document().FileName());
    return ctx_.Document().Modified() ? text + ctx_.T({"（未保存）", " (not saved)"}) : text;
  }
  if (!link.IsConnected() && connection_->Busy())
    return ctx_.T({"正在连接：%1……", "Connecting: %1..."}).arg(connection_->AttemptTarget());
  if (!link.IsConnected()) return ctx_.T({"未连接", "Disconnected"});
  QString which = QStringLiteral("USB");
  if (link.IsNetwork()) {
    const NetTarget target{link.NetAddress(), link.NetPort()};
    which = target == ctx_.DemoTarget() ? ctx_.T({"演示设备（模拟器）", "Demo (emulator)"})
                                        : QString::fromStdString(FormatNetTarget(target));
  }
  return ctx_.T({"已连接：%1", "Connected: %1"}).arg(which);
}

void CGQ2270v13View::UpdateStatusBar() {
  CMFCMyRibbonStatusBar* bar = frame_.StatusBar();
  const bool connected = ctx_.GetLink().IsConnected();
  const bool offline = !connected && ctx_.Document().IsOpen();
  bar->SetLinkText(LinkStatusText(), connected ? QColor(0, 150, 0) : offline ? QColor(40, 90, 170) : QColor(220, 0, 0));
  frame_.ShowDocument(ctx_.Document().FileName(), ctx_.Document().Modified());
  const int mode = std::clamp(ctx_.Model().Read([](const DeviceState& s) { return s.currentMode; }), 0, 3);
  bar->SetModeText(ctx_.T({"当前模式:", "Current Mode:"}) + QStringLiteral("M%1").arg(mode + 1));
  Page* page = CurrentPage();
  const bool hasEq = page && page->HasEq();
  bar->SetEqButtonsEnabled(hasEq);
  if (hasEq && !page->HasEqBypass()) bar->BypassBox()->setEnabled(false);
  if (hasEq) bar->SetBypassChecked(page->EqBypass());
}


// ---- Commands ----

void CGQ2270v13View::OnCommand(int id) {
  if (id >= kLoadM1 && id <= kLoadM4) return modes_->LoadDeviceMode(id - kLoadM1);
  if (id >= kSaveM1 && id <= kSaveM4) return modes_->SaveDeviceMode(id - kSaveM1);
  if (const auto tool = toolCommands_.find(id); tool != toolCommands_.end()) {
    if (tool->second) tool->second();
    return;
  }
  switch (id) {
    case kInLoadFile:
    case kOutLoadFile:
    case kFileOpen:
      modes_->LoadFile();
      break;
    case kInSaveFile:
    case kOutSaveFile:
    case kFileSave:
      modes_->SaveFile();
      break;
    case kFileSaveAs:
      modes_->SaveFileAs();
      break;
    case kFileOpenOffline:
      if (const QString path = prompts_.OpenFile(&frame_, QStringLiteral("Mode Files (*.mode)")); !path.isEmpty())
        OpenOffline(path);
      break;
    case kEditUndo:
      ctx_.History().Undo();
      break;
    case kEditRedo:
      ctx_.History().Redo();
      break;
    case kResetMachine:
      ResetMachine();
      break;
    case kConnectIp:
      OpenConnectDialog();
      break;
    case kDisconnect:
      Disconnect();
      break;
    case kLanguage:
      ctx_.ToggleLanguage();
      break;
    case kAppAbout:
      OpenAboutBox();
      break;
    case kAppExit:
      frame_.close();
      break;
    default:
      break;
  }
}

void CGQ2270v13View::ResetMachine() {
  if (!ctx_.Connected()) return;
  const TextPair question{"您确定要将机器复位吗? \n机器复位后请手动重启机器.", "Are you sure reset machine? "};
  if (prompts_.Ask(&frame_, QStringLiteral("提示"), ctx_.T(question), QMessageBox::Yes | QMessageBox::No) !=
      QMessageBox::Yes)
    return;
  ctx_.Conn().Modes().ResetDevice();
  ctx_.Settings().ResetQtOption();
  ShowInfoTip(ctx_.T({"请手动重启……", "Please restart……"}), 10000);
}

void CGQ2270v13View::OnResetEq() {
  Page* page = CurrentPage();
  if (!page || !page->HasEq()) return;
  if (prompts_.Ask(&frame_, QStringLiteral("提示"), ctx_.T({"您确定重置当前均衡吗?", "Are you sure reset the EQ?"}),
                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
    page->ResetCurrentEq();
}

void CGQ2270v13View::OpenConnectDialog() {
  auto* dialog = qobject_cast<CNetConnectDlg*>(ctx_.Dialog(kSlotNetConnect));
  if (!dialog) {
    dialog = new CNetConnectDlg(ctx_, &frame_);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    ctx_.SetDialog(kSlotNetConnect, dialog);
    dialog->SetConnector(connection_.get());
  }
  dialog->LoadTarget();
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

void CGQ2270v13View::OpenAboutBox() {
  CAboutDlg about(ctx_, &frame_);
  about.exec();
}

void CGQ2270v13View::OnLanguageChanged() {
  LinkNotice()->Relabel(ctx_.Language());
  RefreshControls();
  UpdateStatusBar();
  if (Page* page = CurrentPage()) page->Relabel();
  for (QWidget* dialog : ctx_.OpenDialogs()) {
    if (auto* tool = dynamic_cast<ToolDialog*>(dialog)) tool->Relabel();
  }
}

// ---- Tips and plug operations ----

void CGQ2270v13View::ShowInfoTip(const QString& text, int ms) { CInfoDlg::Of(ctx_).ShowTip(text, ms); }

void CGQ2270v13View::ShowTrayBalloon(const QString& title, const QString& text, int ms) {
  TrayBalloon::Of(ctx_).Show(title, text, ms);
}

void CGQ2270v13View::RunDeviceOperation(const QString& text, int operation, int delayMs, int a, int b) {
  plug_->Run(text, PlugOperationRequest{static_cast<uint8_t>(operation), a, b}, delayMs);
}

void CGQ2270v13View::SetOperationText(const QString& text, const QColor& color) { plug_->SetText(text, color); }

}  // namespace nr::gui
