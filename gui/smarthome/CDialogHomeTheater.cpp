#include "smarthome/CDialogHomeTheater.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/CloseButton.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CSyncDlg.h"
#include "shell/CWaitDlg.h"
#include "shell/DialogTexts.h"
#include "smarthome/SmartHomeTips.h"
#include "shell/Prompts.h"
#include "smarthome/CDialogZwaveRemoter.h"
#include "smarthome/CDlgZwaveList.h"
#include "smarthome/CRemoteLearnDlg.h"
#include "smarthome/SmartHomeContext.h"
#include "smarthome/PlugPairing.h"
#include "smarthome/SmartHomeIcons.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::gui {
namespace {

constexpr TextPair kSynchronising{"同步插座数据，请稍等……", "synchronize data..."};
constexpr TextPair kResetting{"正在复位，请稍等……", "Resetting, wait a moment"};
constexpr TextPair kResetQuestion{"复位后所有插座都需要重新添加，遥控键码也会清除。确定复位吗?",
                                  "After a reset every plug must be added again and the learned keys are cleared. Reset?"};
constexpr TextPair kPowerOnRun{"调用开机情景……", "Power on "};
constexpr TextPair kPowerOffRun{"调用关机情景……", "Power off"};
constexpr TextPair kNoFunction{"同步失败！该机型无此功能！", "Please don't try."};
constexpr TextPair kNotReady{"同步失败！可能智能模块未就绪，请稍等片刻重试！", "Please try again later."};
constexpr TextPair kPressToAdd{"请长按3秒确认添加", "Press and hold 3 second"};
constexpr TextPair kPressSecond{"请长按3秒第二次确认", "Press and hold 3 second"};
constexpr TextPair kPressToRemove{"请长按3秒确认删除", "Press and hold 3 second"};
constexpr TextPair kPressFirst{"请长按3秒第一次确认", "Press and hold 3 second"};
constexpr TextPair kConfirmed{"已确认，请稍等", "Confirmed! Please wait..."};
constexpr TextPair kAddFailed{"添加失败，请重试", "Add failed,please retry"};
constexpr TextPair kRemoveFailed{"删除失败，请重试", "Remove failed,please retry"};
constexpr TextPair kSetTimeout{"设置超时", "set timeout"};
constexpr int kPowerOnLabelId = 1005;
constexpr int kPowerOffLabelId = 1007;
constexpr int kSynchroniseAfterMs = 200;
constexpr int kFailShownMs = 1000;
constexpr int kSceneImageSize = 56;
const QColor kPressColor(130, 0, 255);
const QColor kConfirmedColor(255, 0, 210);
const QColor kFailColor(255, 0, 0);
const QColor kActiveTab(0, 0, 255);

const char* const kStyle = R"(
QPushButton#tab {
  background: rgb(250, 250, 250);
  border: 1px solid rgb(170, 185, 200);
  border-bottom: none;
  border-top-left-radius: 5px;
  border-top-right-radius: 5px;
  padding: 6px 18px;
  min-width: 80px;
}
QPushButton#tab:checked { background: white; font-weight: bold; }
QStackedWidget#tabArea { background: white; border: 1px solid rgb(170, 185, 200); }
QLabel#sceneLabel { font-weight: bold; color: rgb(40, 60, 80); }
)";

}  // namespace

CDialogHomeTheater::CDialogHomeTheater(AppContext& ctx, CGQ2270v13View& view, const QString& keyFolder, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      view_(view),
      sc_(std::make_unique<SmartHomeContext>(ctx, view, keyFolder)),
      openUrl_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(240, 240, 240));
  setPalette(pal);
  setStyleSheet(QString::fromLatin1(kStyle));
  ctx_.GetLink().SetPollingAllowed(false);

  tabs_ = WithId(new QStackedWidget(this), kTabAreaId);
  tabs_->setObjectName(QStringLiteral("tabArea"));
  plugList_ = new CDlgZwaveList(*sc_, tabs_);
  scenes_ = new CDialogZwaveRemoter(*sc_, tabs_);
  keys_ = new CRemoteLearnDlg(*sc_, tabs_);
  tabs_->addWidget(plugList_);
  tabs_->addWidget(scenes_);
  tabs_->addWidget(keys_);

  auto* tabRow = new QHBoxLayout;
  tabRow->setSpacing(2);
  const std::pair<int, const char*> tabButtons[] = {{kPlugListTabId, "插座列表"}, {kSceneTabId, "情景编辑"}, {kKeyTabId, "遥控学习"}};
  for (int tab = 0; tab < 3; ++tab) {
    auto* b = WithId(new QPushButton(QString::fromUtf8(tabButtons[tab].second), this), tabButtons[tab].first);
    b->setObjectName(QStringLiteral("tab"));
    b->setCheckable(true);
    connect(b, &QPushButton::clicked, this, [this, tab] { ShowTab(tab); });
    tabRow->addWidget(b, 0, Qt::AlignBottom);
  }
  tabRow->addStretch();
  auto* reset = WithId(new QPushButton(QString::fromUtf8("复位插座"), this), kResetId);
  auto* help = WithId(new QPushButton(QString::fromUtf8("查看帮助"), this), kHelpId);
  connect(reset, &QPushButton::clicked, this, &CDialogHomeTheater::ResetPlugs);
  connect(help, &QPushButton::clicked, this, &CDialogHomeTheater::OpenHelp);
  tabRow->addWidget(reset, 0, Qt::AlignVCenter);
  tabRow->addWidget(help, 0, Qt::AlignVCenter);

  auto* scenes = new QVBoxLayout;
  scenes->setSpacing(4);
  scenes->addSpacing(40);
  scenes->addWidget(SceneButton(kPowerOnId, true), 0, Qt::AlignHCenter);
  auto* onLabel = WithId(new QLabel(QString::fromUtf8("开机情景"), this), kPowerOnLabelId);
  onLabel->setObjectName(QStringLiteral("sceneLabel"));
  scenes->addWidget(onLabel, 0, Qt::AlignHCenter);
  scenes->addSpacing(24);
  scenes->addWidget(SceneButton(kPowerOffId, false), 0, Qt::AlignHCenter);
  auto* offLabel = WithId(new QLabel(QString::fromUtf8("关机情景"), this), kPowerOffLabelId);
  offLabel->setObjectName(QStringLiteral("sceneLabel"));
  scenes->addWidget(offLabel, 0, Qt::AlignHCenter);
  scenes->addStretch();

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(12, 10, 12, 12);
  grid->setHorizontalSpacing(12);
  grid->setVerticalSpacing(0);
  grid->addLayout(tabRow, 0, 1);
  grid->addLayout(scenes, 1, 0);
  grid->addWidget(tabs_, 1, 1);
  grid->addLayout(CloseButtonRow(*this, ctx_), 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(1, 1);
  resize(900, 560);

  connect(&view_, &CGQ2270v13View::smartPlugReport, this, &CDialogHomeTheater::OnPlugReport);
  connect(&view_, &CGQ2270v13View::smartHomeFinished, this, &CDialogHomeTheater::OnSmartHomeFinished);
  connect(&view_.Wait(), &WaitDialogOwner::plugKeyReset, keys_, &CRemoteLearnDlg::OnKeyAbandoned);
  openTimer_.setSingleShot(true);
  openTimer_.setInterval(kSynchroniseAfterMs);
  connect(&openTimer_, &QTimer::timeout, this, &CDialogHomeTheater::StartSynchronisationIfNeeded);
  openTimer_.start();

  Relabel();
  ShowTab(kPlugList);
}

CDialogHomeTheater::~CDialogHomeTheater() { ctx_.GetLink().SetPollingAllowed(true); }

QToolButton* CDialogHomeTheater::SceneButton(int id, bool on) {
  auto* b = WithId(new QToolButton(this), id);
  b->setIcon(SmartHomeIcon(on ? SmartGlyph::ScenePowerOn : SmartGlyph::ScenePowerOff));
  b->setIconSize(QSize(kSceneImageSize, kSceneImageSize));
  b->setAutoRaise(true);
  b->setCursor(Qt::PointingHandCursor);
  connect(b, &QToolButton::clicked, this, [this, on] { RunScene(on ? kPowerOnScene : kPowerOffScene); });
  return b;
}

void CDialogHomeTheater::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplySmartHomeTips(this, kDialogNumber, ctx_.Language());
  plugList_->Relabel();
  scenes_->Relabel();
  keys_->Relabel();
}

void CDialogHomeTheater::RefreshFromImage() {
  plugList_->Refresh();
  scenes_->Refresh();
  keys_->Refresh();
}

QAbstractButton* CDialogHomeTheater::TabButton(int tab) const {
  static constexpr int kIds[] = {kPlugListTabId, kSceneTabId, kKeyTabId};
  return qobject_cast<QAbstractButton*>(FindControl(const_cast<CDialogHomeTheater*>(this), kIds[tab]));
}

void CDialogHomeTheater::ShowTab(int tab) {
  tabs_->setCurrentIndex(tab);
  for (int t = 0; t < 3; ++t) {
    QAbstractButton* b = TabButton(t);
    b->setChecked(t == tab);
    QPalette pal = b->palette();
    pal.setColor(QPalette::ButtonText, t == tab ? kActiveTab : QColor(Qt::black));
    b->setPalette(pal);
    b->setStyleSheet(t == tab ? QStringLiteral("color: rgb(0, 0, 255);") : QStringLiteral("color: black;"));
  }
}

int CDialogHomeTheater::CurrentTab() const { return tabs_->currentIndex(); }

void CDialogHomeTheater::StartSynchronisationIfNeeded() {
  if (!ctx_.Connected() || sc_->Smart().DataValid()) return;
  if (sc_->Smart().StartSynchronisation()) view_.Sync().Show(sc_->T(kSynchronising));
}

void CDialogHomeTheater::RunScene(int scene) {
  if (!ctx_.Connected()) return sc_->Tip(kConnectDeviceTip);
  if (sc_->Smart().StartScene(scene)) view_.Sync().Show(sc_->T(scene == kPowerOnScene ? kPowerOnRun : kPowerOffRun));
}

void CDialogHomeTheater::ResetPlugs() {
  if (!ctx_.Connected()) return;
  // Resetting forgets every plug of the controller: one stray click must not do that.
  if (view_.GetPrompts().Ask(this, QString::fromUtf8("提示"), sc_->T(kResetQuestion), QMessageBox::Yes | QMessageBox::No) !=
      QMessageBox::Yes)
    return;
  if (!sc_->Smart().StartReset()) return;
  view_.Sync().Show(sc_->T(kResetting));
  sc_->Keys().Clear();
}

void CDialogHomeTheater::OpenHelp() {
  // The help page travels inside the program; the browser gets a copy in a folder of this
  // process's own (a fixed name in the shared temporary folder could be a link another user
  // planted there). It stays until the application ends, however soon the browser reads it.
  const QString folder = ctx_.PrivateFolder();
  if (folder.isEmpty()) return;
  QFile page(QStringLiteral(":/help/smart_plug.html"));
  const QString copy = QDir(folder).filePath(QStringLiteral("smart_plug.html"));
  QFile out(copy);
  if (!page.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      out.write(page.readAll()) < 0 || !out.flush())
    return;
  out.close();
  openUrl_(QUrl::fromLocalFile(copy));
}

void CDialogHomeTheater::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    OpenHelp();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CDialogHomeTheater::CloseWait() {
  view_.CancelPendingOperation();
  view_.Wait().Finish(0);
}

// A failure the wait dialog shows in red for a moment; before the dialog appeared, a tip instead.
void CDialogHomeTheater::Fail(const QString& text) {
  if (!view_.Wait().IsShown()) {
    view_.CancelPendingOperation();
    sc_->Tip(text);
    return;
  }
  view_.Wait().SetText(text, kFailColor);
  view_.Wait().Finish(kFailShownMs);
}

void CDialogHomeTheater::OnPlugReport(const PlugReport& report) {
  SmartHome& smart = sc_->Smart();
  if (report.function == zwave::kAddNode || report.function == zwave::kRemoveNode) {
    const bool adding = smart.Phase() == AddPhase::kAdding;
    PlugPairing pairing(smart, sc_->KeyFolder());
    const PairingUpdate update = pairing.OnReport(report, view_.Wait().IsShown());
    switch (update.step) {
      case PairingStep::kPressToAdd: return view_.SetOperationText(sc_->T(adding ? kPressSecond : kPressToAdd), kPressColor);
      case PairingStep::kPlugFound: return view_.SetOperationText(sc_->T(kConfirmed), kConfirmedColor);
      case PairingStep::kAdded:
        CloseWait();
        return RefreshFromImage();
      case PairingStep::kAddFailed: return Fail(sc_->T(kAddFailed));
      case PairingStep::kRemoved:
        if (!update.addingNext && !adding) {
          CloseWait();
          RefreshFromImage();
        }
        return;
      case PairingStep::kRemoveFailed: return Fail(sc_->T(kRemoveFailed));
      case PairingStep::kPressToRemove: return view_.SetOperationText(sc_->T(adding ? kPressFirst : kPressToRemove));
      case PairingStep::kNone: return;
    }
    return;
  }
  switch (report.function) {
    case zwave::kSendData:
      if (report.callback == zwave::kCallbackSet || report.status != 0) {
        CloseWait();
        if (report.status != 0) sc_->Tip(kSetTimeout);
      }
      return;
    case zwave::kApplicationCommand:
      // Only a plug's answer to a key operation is an infrared status; the level a switch or
      // dimmer reports after a set is not.
      if (view_.OperationKind() == zwave::kSendData && view_.OperationNode() == report.node &&
          view_.OperationValue() >= kSendKeyBase && view_.OperationValue() < kSwitchOn)
        keys_->OnPlugReport(report.node, report.value);
      return;
    default:
      return;
  }
}

void CDialogHomeTheater::OnSmartHomeFinished(int what, int value) {
  if (what == kSmartSceneRun && value == 0) return;
  view_.Sync().Close();
  if (what == kSmartSceneRun) return RefreshFromImage();
  if (what != kSmartSynchronised) return;
  RefreshFromImage();
  if (sc_->Smart().DataValid()) return;
  const bool noFunction = ctx_.Model().Snapshot().info.ModuleName() == "WX490II";
  view_.GetPrompts().Inform(this, QString(), sc_->T(noFunction ? kNoFunction : kNotReady));
}

}  // namespace nr::gui
