#include "shell/CGQ2270v13View.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QResizeEvent>
#include <QShortcut>
#include <QThread>
#include <array>

#include "link/Commands.h"
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
#include "shell/ModeCommands.h"
#include "shell/Prompts.h"
#include "shell/QtLinkEvents.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"
#include "shell/TrayBalloon.h"
#include "shell/TransferFailureText.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::gui {

// One live control: its ribbon elements in both categories, its parameter and mute parameter,
// label prefix and format, and the machine-settings byte that limits it (-1: no limit).
struct CGQ2270v13View::LiveSpec {
  std::array<int, 2> label, slider, mute;
  int module, index;
  int muteModule, muteIndex;  // muteModule 0: no mute
  TextPair prefix;
  const char* formatEn;       // the Chinese format is always "%s%3d"
  int limitByte;
  TextPair limitTip;
  bool muteTip;               // says "vol is mute" when moved while muted
};

namespace {

using namespace rid;

const TextPair kConnectFirst{"请先连接设备!", "Please connect device!"};
const TextPair kInformation{"信息", "Information"};
const TextPair kPitchPrefix{"音乐变调:", "Music Pitch:"};
const TextPair kMutedTip{"当前是静音状态", "vol is mute"};
const TextPair kNoLimit{"", ""};

const std::array<CGQ2270v13View::LiveControl, 6> kControls{CGQ2270v13View::kMic,   CGQ2270v13View::kEffect,
                                                           CGQ2270v13View::kReverb, CGQ2270v13View::kEcho,
                                                           CGQ2270v13View::kMusic, CGQ2270v13View::kNoiseGate};

QString FormatLabel(int language, const TextPair& prefix, const char* formatEn, int value) {
  const QString format = QString::fromUtf8(language == 1 ? formatEn : "%s%3d");
  return QString::asprintf(format.toUtf8().constData(), prefix.Get(language).toUtf8().constData(), value);
}

}  // namespace

const CGQ2270v13View::LiveSpec& CGQ2270v13View::Spec(int control) {
  static const std::array<LiveSpec, kLiveControls> kSpecs{{
      {{kInMicLabel, kOutMicLabel}, {kInMicSlider, kOutMicSlider}, {kInMicMute, kOutMicMute}, 1, 14, 1, 15,
       {"话筒音量:", "Mic    Vol: "}, "%s%3d", 5, {"不能超过最大话筒音量!", "Mic vol can't over max value!"}, true},
      {{kInEffectLabel, kOutEffectLabel}, {kInEffectSlider, kOutEffectSlider}, {kInEffectMute, kOutEffectMute}, 1,
       16, 1, 17, {"效果总音量:", "Effect    Vol:"}, "%s%3d", -1, kNoLimit, false},
      {{kInReverbLabel, kOutReverbLabel}, {kInReverbSlider, kOutReverbSlider}, {kInReverbMute, kOutReverbMute}, 3,
       24, 3, 25, {"混响音量:  ", "Reverb Vol:"}, "%s%3d", -1, kNoLimit, true},
      {{kInEchoLabel, kOutEchoLabel}, {kInEchoSlider, kOutEchoSlider}, {kInEchoMute, kOutEchoMute}, 2, 34, 2, 35,
       {"回声音量:", "Echo Vol:"}, "%s%3d", -1, kNoLimit, true},
      {{kInMusicLabel, kOutMusicLabel}, {kInMusicSlider, kOutMusicSlider}, {kInMusicMute, kOutMusicMute}, 4, 12, 4,
       13, {"音乐音量:", "Music Vol:"}, "%s%3d", 6, {"不能超过最大音乐音量!", "Music vol can't over max value!"},
       true},
      {{kInNoiseGateLabel, kOutNoiseGateLabel}, {kInNoiseGateSlider, kOutNoiseGateSlider}, {0, 0}, 4, 17, 0, 0,
       {"音乐噪声门:", "Noisegate:"}, "%s%7d", -1, kNoLimit, false},
  }};
  return kSpecs[static_cast<size_t>(control)];
}

int CGQ2270v13View::ControlOfSlider(int id) {
  for (int c : kControls)
    if (Spec(c).slider[0] == id || Spec(c).slider[1] == id) return c;
  return -1;
}

int CGQ2270v13View::ControlOfMute(int id) {
  for (int c : kControls)
    if (Spec(c).muteModule != 0 && (Spec(c).mute[0] == id || Spec(c).mute[1] == id)) return c;
  return -1;
}

CGQ2270v13View::CGQ2270v13View(AppContext& ctx, CMainFrame& frame, QtLinkEvents& events, Prompts& prompts)
    : ctx_(ctx),
      frame_(frame),
      events_(events),
      prompts_(prompts),
      sync_(std::make_unique<SyncDialogOwner>(ctx, &frame)),
      wait_(std::make_unique<WaitDialogOwner>(ctx, &frame)),
      modes_(std::make_unique<ModeCommands>(ctx, prompts, *sync_, &frame)),
      notice_(new LinkNoticeBar(this)) {
  setMinimumSize(1024, 520);
  connectTimer_.setSingleShot(true);
  connectTimer_.setInterval(250);
  statusTimer_.setInterval(500);
  pitchTimer_.setInterval(2000);
  operationTimer_.setSingleShot(true);
  devicePoll_.setInterval(1000);
  statusBarTimer_.setInterval(250);
  announceTimer_.setInterval(100);
  ConnectSignals();
  frame_.canClose = [this] { return modes_->OfferToSaveChanges(); };
  for (CMyMFCRibbonBar* ribbon = frame_.Ribbon(); int category : {0, 1})
    ribbon->SetSliderRange(IdsOf(category).pitchSlider, -5, 5);
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
    ArmReadHold();
    RefreshAll();
    UpdateStatusBar();
  });

  CMFCMyRibbonStatusBar* bar = frame_.StatusBar();
  connect(bar, &CMFCMyRibbonStatusBar::bypassToggled, this, [this](bool on) {
    if (page_ && page_->HasEqBypass()) page_->SetEqBypass(on);
  });
  connect(bar, &CMFCMyRibbonStatusBar::resetEqClicked, this, &CGQ2270v13View::OnResetEq);
  connect(&frame_, &CMainFrame::closing, this, [this] {
    StopPolling();
    ctx_.GetLink().Close(true);
  });

  connect(&events_, &QtLinkEvents::transferFinished, this, &CGQ2270v13View::OnTransferFinished);
  connect(&events_, &QtLinkEvents::heartbeatLost, this, &CGQ2270v13View::OnHeartbeatLost);
  connect(&events_, &QtLinkEvents::hostBusy, this, &CGQ2270v13View::OnHostBusy);
  connect(&events_, &QtLinkEvents::usbReadFailed, this, [this] {
    if (ctx_.GetLink().CheckUsbRemoval()) DeviceRemoved();
  });
  connect(&events_, &QtLinkEvents::connectionLost, this, [this] {
    StopPolling();
    sync_->Close();
    UpdateStatusBar();
    notice_->ShowNotice({"与设备的网络连接已断开。", "The network connection to the device was lost."},
                        ctx_.Language());
  });
  connect(notice_, &LinkNoticeBar::reconnectClicked, this, &CGQ2270v13View::Reconnect);
  notice_->installEventFilter(this);
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

  connect(&ctx_, &AppContext::languageChanged, this, &CGQ2270v13View::OnLanguageChanged);
  connect(&connectTimer_, &QTimer::timeout, this, [this] {
    // A device plugged in before the start is not an arrival: the start-up attempt is its turn.
    usbPresent_ = ctx_.GetLink().UsbDevicePresent();
    if (ctx_.GetLink().ConnectLink() == 1) Connected(5000);
    devicePoll_.start();
  });
  connect(&statusTimer_, &QTimer::timeout, this, &CGQ2270v13View::OnStatusPoll);
  connect(&pitchTimer_, &QTimer::timeout, this, &CGQ2270v13View::OnPitchRefresh);
  connect(&operationTimer_, &QTimer::timeout, this,
          [this] { wait_->Show(pendingText_, pendingOperation_, pendingA_, pendingB_, pendingColor_); });
  connect(&devicePoll_, &QTimer::timeout, this, &CGQ2270v13View::PollUsbDevice);
  connect(&statusBarTimer_, &QTimer::timeout, this, &CGQ2270v13View::UpdateStatusBar);
  connect(&announceTimer_, &QTimer::timeout, this, [this] { AnnounceIfIdentified(false); });

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

void CGQ2270v13View::SetCategoryPage(int category, int dialogNumber, PageFactory factory) {
  categoryPages_[category] = CategoryPage{dialogNumber, std::move(factory)};
  if (category == ActiveCategory() && !page_) OnCategoryChanged(category);
}

void CGQ2270v13View::SetToolCommand(int commandId, std::function<void()> open) {
  toolCommands_[commandId] = std::move(open);
}

void CGQ2270v13View::ShowPage(std::unique_ptr<Page> page) {
  if (page_) {
    page_->hide();
    page_->deleteLater();
    page_ = nullptr;
  }
  if (!page) {
    UpdateStatusBar();
    return;
  }
  page_ = page.release();
  page_->setParent(this);
  page_->setGeometry(PageRect());
  connect(page_, &Page::eqBypassChanged, this, [this](bool on) { frame_.StatusBar()->SetBypassChecked(on); });
  page_->show();
  notice_->raise();  // the notice stays over whichever page is shown
  UpdateStatusBar();
}

void CGQ2270v13View::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOutPage();
}

// The notice takes the top of the view while it is shown; the page moves below it, so none of
// the page's controls is hidden under it.
QRect CGQ2270v13View::PageRect() const {
  return notice_->isVisible() ? rect().adjusted(0, notice_->height(), 0, 0) : rect();
}

void CGQ2270v13View::LayOutPage() {
  notice_->setGeometry(0, 0, width(), notice_->sizeHint().height());
  if (page_) page_->setGeometry(PageRect());
}

bool CGQ2270v13View::eventFilter(QObject* watched, QEvent* event) {
  if (watched == notice_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) LayOutPage();
  return QWidget::eventFilter(watched, event);
}

void CGQ2270v13View::SwitchCategory(int category) {
  frame_.Ribbon()->SetActiveCategory(category);
  OnCategoryChanged(category);
}

int CGQ2270v13View::ActiveCategory() const { return frame_.Ribbon()->ActiveCategory(); }

void CGQ2270v13View::OnCategoryChanged(int category) {
  const auto it = categoryPages_.find(category);
  if (it == categoryPages_.end()) {
    ShowPage(nullptr);
    return;
  }
  if (page_ && page_->DialogNumber() == it->second.dialogNumber) {
    page_->RefreshFromImage();  // already showing: only refreshed
    return;
  }
  ShowPage(it->second.factory(*this));
  SetPitchCaption(ctx_.Model().Read([](const DeviceState& s) { return s.derived.pitch; }));
}

// ---- Live controls ----

void CGQ2270v13View::SetLiveLabels(int control, int value) {
  const LiveSpec& spec = Spec(control);
  const QString text = FormatLabel(ctx_.Language(), spec.prefix, spec.formatEn, value);
  for (int c : {0, 1}) frame_.Ribbon()->SetElementText(spec.label[static_cast<size_t>(c)], text);
}

void CGQ2270v13View::SetPitchCaption(int pitch) {
  const QString caption = ctx_.T(kPitchPrefix) + QString::asprintf("%+-d", pitch);
  for (int c : {0, 1}) frame_.Ribbon()->SetPanelCaption(c, kPanelPitch, caption);
}

void CGQ2270v13View::OnSliderMoved(int id, int value) {
  if (id == kInPitchSlider || id == kOutPitchSlider) {
    OnPitchMoved(value);
    return;
  }
  const int control = ControlOfSlider(id);
  if (control < 0) return;
  const LiveSpec& spec = Spec(control);
  int position = value;
  if (spec.limitByte >= 0) {
    const int limit = ctx_.Model().Read([&](const DeviceState& s) { return s.machine[static_cast<size_t>(spec.limitByte)]; });
    if (position > limit) {
      ShowInfoTip(ctx_.T(spec.limitTip), 1100);
      position = limit;
    }
  }
  for (int c : {0, 1}) frame_.Ribbon()->SetSliderValue(spec.slider[static_cast<size_t>(c)], position);
  ctx_.Session().SetParam(spec.module, spec.index, position);
  if (spec.muteTip) {
    const int mute = ctx_.Model().Read([&](const DeviceState& s) { return s.IntValue(spec.muteModule, spec.muteIndex); });
    if (mute == 0) ShowInfoTip(ctx_.T(kMutedTip), 1100);
  }
  SetLiveLabels(control, position);
}

void CGQ2270v13View::OnPitchMoved(int value) {
  const int pitch = std::clamp(value, -5, 5);
  if (ctx_.Connected()) pitchTimer_.start();  // keep the status from moving it back meanwhile
  ctx_.Model().Update([&](DeviceState& s) { s.derived.pitch = pitch; });
  const uint8_t word[4] = {0, 0, 0, static_cast<uint8_t>(pitch + 5)};
  ctx_.Session().WriteParamBlock(4, 0x10, word);
  for (int c : {0, 1}) frame_.Ribbon()->SetSliderValue(IdsOf(c).pitchSlider, pitch);
  SetPitchCaption(pitch);
}

void CGQ2270v13View::OnMuteToggled(int id) {
  const int control = ControlOfMute(id);
  if (control < 0) return;
  const LiveSpec& spec = Spec(control);
  const int stored = ctx_.Model().Read([&](const DeviceState& s) { return s.IntValue(spec.muteModule, spec.muteIndex); });
  const int next = stored == 0 ? 100 : 0;
  ctx_.Session().SetParam(spec.muteModule, spec.muteIndex, next);
  for (int c : {0, 1}) frame_.Ribbon()->SetChecked(spec.mute[static_cast<size_t>(c)], next == 0);
}

void CGQ2270v13View::RefreshControls() {
  const DeviceState s = ctx_.Model().Snapshot();
  CMyMFCRibbonBar* ribbon = frame_.Ribbon();
  for (int control : kControls) {
    const LiveSpec& spec = Spec(control);
    const int value = s.IntValue(spec.module, spec.index);
    for (int c : {0, 1}) {
      ribbon->SetSliderValue(spec.slider[static_cast<size_t>(c)], value);
      if (spec.muteModule != 0)
        ribbon->SetChecked(spec.mute[static_cast<size_t>(c)], s.IntValue(spec.muteModule, spec.muteIndex) == 0);
    }
    SetLiveLabels(control, value);
  }
  for (int c : {0, 1}) {
    ribbon->SetSliderRange(IdsOf(c).pitchSlider, -5, 5);
    ribbon->SetSliderValue(IdsOf(c).pitchSlider, s.derived.pitch);
  }
  SetPitchCaption(s.derived.pitch);
  ribbon->update();
}

void CGQ2270v13View::RefreshAll() {
  RefreshControls();
  if (page_) page_->RefreshFromImage();
  for (QWidget* dialog : ctx_.OpenDialogs())
    if (auto* tool = dynamic_cast<ToolDialog*>(dialog)) tool->RefreshFromImage();
}

// ---- Connection and synchronisation ----

void CGQ2270v13View::StartConnecting() { connectTimer_.start(); }

void CGQ2270v13View::StartOffline() {
  usbPresent_ = ctx_.GetLink().UsbDevicePresent();  // one plugged in already waits to be asked for
  devicePoll_.start();
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

void CGQ2270v13View::ArmReadHold() {
  if (ctx_.Document().IsOpen())
    ctx_.Conn().Sync().HoldReadIfItDiffers();
  else
    ctx_.Conn().Sync().HoldReadIfItReplacesEdits();
}

bool CGQ2270v13View::Reconnect() {
  Link& link = ctx_.GetLink();
  if (link.IsConnected()) return true;
  bool connected = false;
  TextPair failed{"没有找到USB设备，请检查连接线后再点“重新连接”。",
                  "The USB device was not found. Check the cable, then reconnect again."};
  if (!link.IsNetwork()) {
    connected = ConnectUsb();
  } else if (NetTarget{link.NetAddress(), link.NetPort()} == ctx_.DemoTarget()) {
    connected = ConnectDemo();
    failed = {"演示设备无法启动。", "The demo device could not start."};
  } else {
    ctx_.SetHostBusyMark(false);
    connected = link.NetConnect() == 1;
    if (connected) Connected(5000);
    UpdateStatusBar();
    failed = {"重新连接失败：设备没有应答。请确认设备已开机并在网络上，再点“重新连接”。",
              "Reconnecting failed: the device did not answer. Check that it is on and on the network, then "
              "reconnect again."};
  }
  // A click that seems to do nothing leaves the user guessing: the notice says what happened.
  if (!connected) notice_->ShowNotice(failed, ctx_.Language());
  return connected;
}

void CGQ2270v13View::Connected(int balloonMs) {
  notice_->hide();
  // "Connected" is said once the device has answered its identification, not when a socket
  // opened to something that may never answer.
  announceMs_ = balloonMs;
  announceTimer_.start();
  justConnected_ = true;
  // A reconnection must not silently replace edits made while the link was down, nor a preset
  // being edited.
  ArmReadHold();
  ctx_.Conn().Sync().StartBulkRead();
  sync_->Show();
  statusTimer_.start();
  pitchTimer_.start();
  UpdateStatusBar();
}

void CGQ2270v13View::AnnounceIfIdentified(bool transferEnded) {
  const Synchronizer::Stage stage = ctx_.Conn().Sync().CurrentStage();
  if (stage.kind != TransferKind::kRead || !stage.identified) {
    if (transferEnded) announceTimer_.stop();  // never identified: the failure says enough
    return;
  }
  announceTimer_.stop();
  ShowTrayBalloon(ctx_.T(kInformation), ctx_.T({"设备已连接，同步中……", "Device connected!"}), announceMs_);
}

void CGQ2270v13View::OnTransferFinished(const TransferResult& result) {
  if (announceTimer_.isActive()) AnnounceIfIdentified(true);
  if (!ctx_.Conn().Sync().Busy()) sync_->Close();  // a remembered transfer follows this one
  const std::optional<std::string> mismatch = ctx_.Conn().Sync().FinishTransfer(result);
  if (mismatch) {
    StopPolling();
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
  if (ctx_.Document().IsOpen()) ArmReadHold();    // every read asks while a preset file is edited
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

void CGQ2270v13View::PollUsbDevice() {
  Link& link = ctx_.GetLink();
  if (link.IsConnected() && !link.IsNetwork()) {
    if (link.CheckUsbRemoval()) DeviceRemoved();
    return;
  }
  // Only a real arrival (absent, then present) connects. A device that is merely still plugged
  // in (refused for its protocol version, or disconnected by the user) waits until it is
  // plugged in again or the user asks.
  const bool present = link.UsbDevicePresent();
  const bool arrived = present && !usbPresent_;
  usbPresent_ = present;
  if (arrived) DeviceArrived();
}

void CGQ2270v13View::DeviceArrived() {
  Link& link = ctx_.GetLink();
  if (link.IsConnected()) return;
  link.SetNetwork(false);
  if (link.ConnectLink() != 1) return;
  for (QWidget* dialog : ctx_.OpenDialogs()) dialog->close();
  Connected(4000);
}

bool CGQ2270v13View::ConnectDemo() {
  const std::optional<NetTarget> demo = ctx_.StartDemoDevice();
  if (!demo) return false;
  Link& link = ctx_.GetLink();
  if (link.IsConnected()) {
    StopPolling();
    link.Close(true);
  }
  ctx_.SetHostBusyMark(false);
  link.SetNetwork(true);
  link.SetNetTarget(demo->host, demo->port);
  const bool connected = link.NetConnect() == 1;
  if (connected) Connected(5000);
  UpdateStatusBar();
  return connected;
}

void CGQ2270v13View::Disconnect() {
  Link& link = ctx_.GetLink();
  if (!link.IsConnected()) return;
  StopPolling();
  sync_->Close();
  notice_->hide();
  link.Close(true);  // a USB device stays plugged in: it waits to be plugged again or asked for
  UpdateStatusBar();
}

bool CGQ2270v13View::ConnectUsb() {
  Link& link = ctx_.GetLink();
  if (link.IsConnected() && !link.IsNetwork()) return true;
  usbPresent_ = link.UsbDevicePresent();
  if (!usbPresent_) return false;  // the link that is open stays open
  StopPolling();
  link.Close(true);
  link.SetNetwork(false);
  const bool connected = link.ConnectLink() == 1;
  if (connected) Connected(4000);
  UpdateStatusBar();
  return connected;
}

void CGQ2270v13View::DeviceRemoved() {
  usbPresent_ = false;
  StopPolling();
  sync_->Close();
  ShowTrayBalloon(ctx_.T(kInformation), ctx_.T({"设备已断开!", "Device Disconnected!"}), 5000);
  notice_->ShowNotice({"USB设备已断开，插回后会自动重新连接。",
                       "The USB device was disconnected; it connects again when it is plugged back in."},
                      ctx_.Language());
  UpdateStatusBar();
}

void CGQ2270v13View::OnHeartbeatLost() {
  StopPolling();
  sync_->Close();
  UpdateStatusBar();
  notice_->ShowNotice({"设备没有响应，网络连接已断开。", "The device stopped answering; the network connection was closed."},
                      ctx_.Language());
  prompts_.Warn(&frame_, ctx_.T(kInformation), ctx_.T({"主机超时，网络断开!", "Host timeout,Disconnected!"}));
}

void CGQ2270v13View::OnHostBusy() {
  sync_->Close();
  ctx_.SetHostBusyMark(true);
  ShowInfoTip(ctx_.T({"主机已连接其他设备，请先断开!", "Host is connected!"}), 3000);
}

void CGQ2270v13View::StopPolling() {
  statusTimer_.stop();
  pitchTimer_.stop();
}

void CGQ2270v13View::OnStatusPoll() {
  Link& link = ctx_.GetLink();
  if (link.PollingAllowed() && link.IsConnected() && ctx_.PeakPolling()) ctx_.Session().Send(BuildQueryStatus());
}

void CGQ2270v13View::OnPitchRefresh() {
  const int category = ActiveCategory();
  if (category != kCategoryInput && category != kCategoryOutput) return;
  const int pitch = std::clamp(ctx_.Model().Read([](const DeviceState& s) { return s.derived.pitch; }), -5, 5);
  for (int c : {0, 1}) frame_.Ribbon()->SetSliderValue(IdsOf(c).pitchSlider, pitch);
  SetPitchCaption(pitch);
}

QString CGQ2270v13View::LinkStatusText() const {
  Link& link = ctx_.GetLink();
  if (!link.IsConnected() && ctx_.Document().IsOpen()) {
    const QString text = ctx_.T({"离线编辑：%1", "Offline: %1"}).arg(ctx_.Document().FileName());
    return ctx_.Document().Modified() ? text + ctx_.T({"（未保存）", " (not saved)"}) : text;
  }
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
  const bool hasEq = page_ && page_->HasEq();
  bar->SetEqButtonsEnabled(hasEq);
  if (hasEq && !page_->HasEqBypass()) bar->BypassBox()->setEnabled(false);
  if (hasEq) bar->SetBypassChecked(page_->EqBypass());
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
  ctx_.Session().Send(BuildResetMachine());
  ctx_.Settings().ResetQtOption();
  ShowInfoTip(ctx_.T({"请手动重启……", "Please restart……"}), 10000);
}

void CGQ2270v13View::OnResetEq() {
  if (!page_ || !page_->HasEq()) return;
  if (prompts_.Ask(&frame_, QStringLiteral("提示"), ctx_.T({"您确定重置当前均衡吗?", "Are you sure reset the EQ?"}),
                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
    page_->ResetCurrentEq();
}

void CGQ2270v13View::OpenConnectDialog() {
  auto* dialog = qobject_cast<CNetConnectDlg*>(ctx_.Dialog(kSlotNetConnect));
  if (!dialog) {
    dialog = new CNetConnectDlg(ctx_, &frame_);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    ctx_.SetDialog(kSlotNetConnect, dialog);
    connect(dialog, &CNetConnectDlg::connected, this, [this] { Connected(5000); });
    dialog->connectUsb = [this] { return ConnectUsb(); };
    dialog->connectDemo = [this] { return ConnectDemo(); };
    dialog->disconnect = [this] { Disconnect(); };
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
  notice_->Relabel(ctx_.Language());
  RefreshControls();
  UpdateStatusBar();
  if (page_) page_->Relabel();
  for (QWidget* dialog : ctx_.OpenDialogs()) {
    if (auto* tool = dynamic_cast<ToolDialog*>(dialog)) tool->Relabel();
  }
}

// ---- Tips and late operations ----

void CGQ2270v13View::ShowInfoTip(const QString& text, int ms) { CInfoDlg::Of(ctx_).ShowTip(text, ms); }

void CGQ2270v13View::ShowTrayBalloon(const QString& title, const QString& text, int ms) {
  TrayBalloon::Of(ctx_).Show(title, text, ms);
}

void CGQ2270v13View::RunDeviceOperation(const QString& text, int operation, int delayMs, int a, int b) {
  pendingText_ = text;
  pendingOperation_ = operation;
  pendingA_ = a;
  pendingB_ = b;
  pendingColor_ = QColor();
  ctx_.Conn().Smart().PerformOperation(operation, a, b);
  operationTimer_.start(std::max(0, delayMs));
}

void CGQ2270v13View::SetOperationText(const QString& text, const QColor& color) {
  if (wait_->IsShown()) {
    wait_->SetText(text, color);
    return;
  }
  pendingText_ = text;
  pendingColor_ = color;
}

}  // namespace nr::gui
