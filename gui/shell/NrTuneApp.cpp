#include "shell/NrTuneApp.h"

#include <QApplication>

#include "controls/AccessibleParts.h"
#include "controls/SliderValueTips.h"
#include "emu/Emulator.h"
#include "session/Connection.h"
#include "link/HidApiBackend.h"
#include "shell/AppContext.h"
#include "shell/AppPalette.h"
#include "shell/AppIcon.h"
#include "shell/AppSettings.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMainFrame.h"
#include "shell/CSyncDlg.h"
#include "shell/EditHistory.h"
#include "shell/KeyShortcuts.h"
#include "shell/ModeCommands.h"
#include "shell/Prompts.h"
#include "shell/QtLinkEvents.h"

namespace nr::gui {


NrTuneApp::NrTuneApp(AppOptions options) : options_(std::move(options)) {}

NrTuneApp::~NrTuneApp() {
  if (qApp) {
    qApp->removeEventFilter(shortcuts_.get());
    qApp->removeEventFilter(sliderTips_.get());
    if (ctx_) qApp->removeEventFilter(&ctx_->History());
  }
  frame_.reset();  // windows first, while the link still exists
  ctx_.reset();
  connection_.reset();  // closes the link and joins its threads
}

bool NrTuneApp::Start(QString* error) {
  UseProductPalette();  // before any window is made
  InstallAccessibleParts();
  // The window belongs to its desktop entry (the Wayland application id) and shows its icon.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
  QApplication::setWindowIcon(ApplicationIcon());
  if (options_.trace || qEnvironmentVariableIntValue("NRTUNE_TRACE") == 1) trace_ = std::make_unique<StderrTrace>();
  HidBackend* hid = options_.hid;
  if (!hid) {
    ownHid_ = std::make_unique<HidApiBackend>();
    hid = ownHid_.get();
  }
  if (options_.demo) {
    std::string why;
    if (!StartDemoDevice(&why)) {
      if (error) *error = QString::fromStdString("the demo device could not start: " + why);
      return false;
    }
  }
  events_ = std::make_unique<QtLinkEvents>();
  connection_ = std::make_unique<Connection>(*events_, hid, trace_.get(), LinkConfig{}, options_.smartHome);
  if (emulator_) {
    connection_->GetLink().SetNetwork(true);
    connection_->GetLink().SetNetTarget("127.0.0.1", emulator_->Port());
  } else if (!options_.netHost.isEmpty()) {
    connection_->GetLink().SetNetwork(true);
    connection_->GetLink().SetNetTarget(options_.netHost.toStdString(), options_.netPort);
  }
  settings_ = options_.settingsFile.isEmpty() ? std::make_unique<AppSettings>()
                                              : std::make_unique<AppSettings>(options_.settingsFile);
  ctx_ = std::make_unique<AppContext>(*connection_, *settings_);
  ctx_->SetDemoStarter([this]() -> std::optional<NetTarget> {
    if (!StartDemoDevice()) return std::nullopt;
    return NetTarget{"127.0.0.1", emulator_->Port()};
  });
  if (emulator_) ctx_->StartDemoDevice();  // already running: the status bar names it
  prompts_ = options_.prompts;
  if (!prompts_) {
    ownPrompts_ = std::make_unique<QtPrompts>(settings_.get());
    prompts_ = ownPrompts_.get();
  }
  ctx_->SetPrompts(prompts_);
  frame_ = std::make_unique<CMainFrame>(*ctx_);
  view_ = new CGQ2270v13View(*ctx_, *frame_, *events_, *prompts_);
  frame_->SetView(view_);
  frame_->RefreshRecentFiles();

  shortcuts_ = std::make_unique<KeyShortcuts>();
  shortcuts_->syncShowing = [this] { return view_->Sync().IsShown(); };
  // F6's advanced EQ edits a preset file as well as a device.
  shortcuts_->connected = [this] { return ctx_->Connected() || ctx_->Document().IsOpen(); };
  qApp->installEventFilter(shortcuts_.get());
  qApp->installEventFilter(&ctx_->History());
  sliderTips_ = std::make_unique<SliderValueTips>();
  qApp->installEventFilter(sliderTips_.get());

  // A preset named on the command line goes to the device once the first read-all is done,
  // so starting the program with a file actually loads it.
  pendingFile_ = options_.offline ? QString() : options_.openFile;
  if (!pendingFile_.isEmpty()) {
    QObject::connect(events_.get(), &QtLinkEvents::transferFinished, view_, [this](const TransferResult& result) {
      if (result.IsWrite() || !result.ok() || pendingFile_.isEmpty() || !ctx_->Connected()) return;
      const QString file = std::exchange(pendingFile_, QString());
      view_->Modes().OpenFile(file);
    });
  }
  return true;
}

bool NrTuneApp::StartDemoDevice(std::string* why) {
  if (emulator_) return true;
  emu::EmulatorOptions emuOptions;
  emuOptions.port = 0;  // any free loopback port
  auto emulator = std::make_unique<emu::Emulator>(emuOptions);
  if (!emulator->Start(why)) return false;
  emulator_ = std::move(emulator);
  return true;
}

void NrTuneApp::OpenHandedFile(const QString& path, bool offline) {
  if (offline || !ctx_->Connected()) {
    view_->OpenOffline(path);
    return;
  }
  view_->Modes().OpenFile(path);
}

void NrTuneApp::Show() {
  frame_->show();
  if (options_.offline) {
    view_->StartOffline();
    if (!options_.openFile.isEmpty()) view_->OpenOffline(options_.openFile);
    return;
  }
  view_->StartConnecting();
  if (!pendingFile_.isEmpty() && !view_->Modes().OpenFile(pendingFile_)) pendingFile_.clear();
}

}  // namespace nr::gui
