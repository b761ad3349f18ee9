#include "shell/CSetDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "inputs/InputPages.h"
#include "link/DeviceSession.h"
#include "shell/AppContext.h"
#include "shell/CInfoDlg.h"
#include "shell/ControlTips.h"
#include "shell/DialogTexts.h"
#include "shell/ModeCommands.h"
#include "shell/Prompts.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

constexpr TextPair kInvalid{"无效", "Invalid"};
constexpr TextPair kApplied{"机器设置已生效!", "Setting valid"};
constexpr TextPair kConnectFirst{"请先连接设备!", "Please connect device!"};
constexpr TextPair kFactoryQuestion{"确定将模式M%1恢复为出厂参数吗?\n该模式当前的参数将丢失。",
                                    "Restore mode M%1 to its factory settings?\nIts present parameters will be lost."};

// Control identifiers of the language table (template 335).
struct ChannelIds {
  int startCaption, enable, startValue, maxCaption, maxValue;
  const char* startText;
  const char* maxText;
};
constexpr ChannelIds kIds[2] = {{1005, 1039, 1145, 1006, 1147, "话筒开机音量", "话筒最大音量"},
                                {1002, 1040, 1146, 1131, 1150, "音乐开机音量", "音乐最大音量"}};
constexpr VolumeChannel kChannels[2] = {VolumeChannel::kMic, VolumeChannel::kMusic};

QLabel* Hint(const char* text, int id, QWidget* parent) {
  auto* label = WithId(new QLabel(QString::fromUtf8(text), parent), id);
  label->setObjectName(QStringLiteral("hint"));
  label->setWordWrap(true);
  return label;
}

QGroupBox* Group(const char* title, int id, QWidget* parent) {
  return WithId(new QGroupBox(QString::fromUtf8(title), parent), id);
}

template <class B>
B* Button(const char* text, int id, QWidget* parent) {
  return WithId(new B(QString::fromUtf8(text), parent), id);
}

constexpr ControlTip kTips[] = {
    {1005, {"开机时话筒的音量", "The microphone volume the device starts with"}},
    {1002, {"开机时音乐的音量", "The music volume the device starts with"}},
    {1006, {"话筒音量的上限（主界面的话筒滑块也不能超过它）", "The highest microphone volume (the main window's slider stops there too)"}},
    {1131, {"音乐音量的上限（主界面的音乐滑块也不能超过它）", "The highest music volume (the main window's slider stops there too)"}},
    {1039, {"开机时使用指定的话筒音量；不勾选则保持关机前的音量", "Start with this microphone volume; unticked, the device keeps the last one"}},
    {1040, {"开机时使用指定的音乐音量；不勾选则保持关机前的音量", "Start with this music volume; unticked, the device keeps the last one"}},
    {1190, {"主音量和输入源在关机后保留", "The master volumes and the input source are kept over a power cycle"}},
    {1191, {"每个模式保存各自的主音量和输入源", "Each mode keeps its own master volumes and input source"}},
    {1046, {"锁定机器面板上的按键", "Lock the keys on the device's front panel"}},
    {1047, {"锁定音量，面板和遥控器都不能改变", "Lock the volumes against the panel and the remote control"}},
    {1048, {"锁定模式，面板和遥控器都不能切换", "Lock the mode against the panel and the remote control"}},
    {1238, {"机器开机时进入的模式（Auto：关机前的模式）", "The mode the device starts in (Auto: the mode it was in)"}},
    {1134, {"机器开机时进入的模式（Auto：关机前的模式）", "The mode the device starts in (Auto: the mode it was in)"}},
    {1049, {"HDMI 输出口静音", "Silence the HDMI output"}},
    {1192, {"DTS/AC3 的环绕声道送到侧环绕 SL/SR", "DTS/AC3 surround channels go to the side surrounds SL/SR"}},
    {1195, {"DTS/AC3 的环绕声道送到后环绕 SBL/SBR", "DTS/AC3 surround channels go to the back surrounds SBL/SBR"}},
    {1199, {"DTS/AC3 的环绕声道同时送到侧环绕和后环绕", "DTS/AC3 surround channels go to both the side and the back surrounds"}},
    {CSetDlg::kRevertId, {"放弃尚未应用的修改，显示设备的设置", "Drop the changes not yet applied and show the device's settings"}},
    {CSetDlg::kApplyId, {"把这些设置写入设备", "Write these settings into the device"}},
    {CSetDlg::kCancelId, {"关闭窗口，放弃尚未应用的修改", "Close, dropping the changes not yet applied"}},
};
constexpr TextPair kFactoryModeTip{"把模式M%1恢复为出厂参数（会先询问）", "Restore mode M%1 to its factory settings (asks first)"};

}  // namespace

CSetDlg::CSetDlg(AppContext& ctx, DeviceSession& session, ModeCommands* modes, Prompts& prompts, QWidget* parent)
    : QDialog(parent), ctx_(ctx), session_(session), modes_(modes), prompts_(prompts) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setWindowTitle(QString::fromUtf8("机器设置"));
  ApplyInputPageStyle(this);
  // What is shown is what Apply sends: edits left over from an earlier window are dropped.
  DiscardMachineEdits(ctx_.Model());

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(12, 10, 12, 10);
  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  left->addWidget(BuildVolumes());
  left->addWidget(BuildSaveMode());
  left->addWidget(BuildLocks());
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(BuildPowerOn());
  right->addWidget(BuildHdmi());
  right->addWidget(BuildRoute());
  right->addWidget(BuildFactoryModes());
  right->addStretch(1);
  columns->addLayout(left, 3);
  columns->addLayout(right, 2);
  root->addLayout(columns);
  root->addWidget(BuildButtons());

  auto* wheel = new FocusWheelRouter(this, [this](QWidget* focus) {
    for (size_t c = 0; c < 2; ++c)
      if (focus == start_[c].slider || focus == max_[c].slider) return true;
    return false;
  });
  wheel->Install();

  hdmiGroup_->setVisible(!HasNoHdmi(ctx_.Model().Read([](const DeviceState& s) { return s.info.ModuleName(); })));
  RefreshFromImage();
  Relabel();
}

CSetDlg::~CSetDlg() = default;

bool CSetDlg::HasNoHdmi(const std::string& moduleName) {
  static const char* const kModules[] = {"NR420", "NR460", "NR430", "F880", "ML07", "F860II"};
  return std::any_of(std::begin(kModules), std::end(kModules), [&](const char* m) { return moduleName == m; });
}

// ---- construction ------------------------------------------------------------------------------

QWidget* CSetDlg::BuildVolumes() {
  auto* box = new QWidget(this);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* startGroup = Group("开机音量", 1197, box);
  auto* startGrid = new QGridLayout(startGroup);
  for (size_t c = 0; c < 2; ++c) {
    const ChannelIds& ids = kIds[c];
    start_[c] = AddSliderRow(startGrid, static_cast<int>(c), 0, ids.startCaption, QString::fromUtf8(ids.startText), 0,
                             machine::kVolumeMax, QStringLiteral("Invalid"));
    WithId(start_[c].value, ids.startValue);
    enable_[c] = Button<QCheckBox>("启用", ids.enable, startGroup);
    startGrid->addWidget(enable_[c], static_cast<int>(c), 3);
    const VolumeChannel channel = kChannels[c];
    connect(start_[c].slider, &QSlider::valueChanged, this, [this, channel](int v) { OnStartMoved(channel, v); });
    connect(enable_[c], &QCheckBox::clicked, this, [this, channel](bool on) { OnEnable(channel, on); });
  }
  startGrid->addWidget(Hint("开机音量不能超过最大音量", 1012, startGroup), 2, 0, 1, 4);
  layout->addWidget(startGroup);

  auto* maxGroup = Group("最大音量", 1200, box);
  auto* maxGrid = new QGridLayout(maxGroup);
  for (size_t c = 0; c < 2; ++c) {
    const ChannelIds& ids = kIds[c];
    max_[c] = AddSliderRow(maxGrid, static_cast<int>(c), 0, ids.maxCaption, QString::fromUtf8(ids.maxText), 1,
                           machine::kVolumeMax, QStringLiteral("99"));
    WithId(max_[c].value, ids.maxValue);
    const VolumeChannel channel = kChannels[c];
    connect(max_[c].slider, &QSlider::valueChanged, this, [this, channel](int v) { OnMaxMoved(channel, v); });
  }
  maxGrid->addWidget(Hint("最大音量同时限制主界面的话筒和音乐音量", 1013, maxGroup), 2, 0, 1, 3);
  layout->addWidget(maxGroup);
  return box;
}

QWidget* CSetDlg::BuildLocks() {
  auto* group = Group("锁定", 1198, this);
  auto* layout = new QVBoxLayout(group);
  panelLock_ = Button<QCheckBox>("锁定面板", 1046, group);
  volumeLock_ = Button<QCheckBox>("锁定音量", 1047, group);
  modeLock_ = Button<QCheckBox>("锁定模式", 1048, group);
  auto* row = new QHBoxLayout;
  for (QCheckBox* box : {panelLock_, volumeLock_, modeLock_}) row->addWidget(box);
  row->addStretch(1);
  layout->addLayout(row);
  layout->addWidget(Hint("锁定后面板按键无效", 1044, group));
  connect(panelLock_, &QCheckBox::clicked, this, [this](bool on) { Edit([on](MachineSettings& s) { SetPanelLock(s, on); }); });
  connect(volumeLock_, &QCheckBox::clicked, this, [this](bool on) { Edit([on](MachineSettings& s) { SetVolumeLock(s, on); }); });
  connect(modeLock_, &QCheckBox::clicked, this, [this](bool on) { Edit([on](MachineSettings& s) { SetModeLock(s, on); }); });
  return group;
}

QWidget* CSetDlg::BuildSaveMode() {
  auto* group = Group("音量保存模式", 1201, this);
  auto* grid = new QGridLayout(group);
  grid->addWidget(WithId(new QLabel(QString::fromUtf8("主音量和输入源："), group), 1239), 0, 0, 1, 2);
  saveModes_[0] = Button<QRadioButton>("随开关机保存", 1190, group);
  saveModes_[1] = Button<QRadioButton>("随模式保存", 1191, group);
  grid->addWidget(saveModes_[0], 1, 0);
  grid->addWidget(saveModes_[1], 1, 1);
  grid->addWidget(Hint("随开关机保存：关机后保留音量", 1042, group), 2, 0, 1, 2);
  grid->addWidget(Hint("随模式保存：每个模式保存各自的音量", 1043, group), 3, 0, 1, 2);
  for (bool byMode : {false, true}) {
    connect(saveModes_[byMode ? 1 : 0], &QRadioButton::clicked, this,
            [this, byMode] { Edit([byMode](MachineSettings& s) { SetSaveByMode(s, byMode); }); });
  }
  return group;
}

QWidget* CSetDlg::BuildPowerOn() {
  auto* group = Group("开机指定模式", 1202, this);
  auto* grid = new QGridLayout(group);
  grid->addWidget(WithId(new QLabel(QString::fromUtf8("机器开机指定模式"), group), 1238), 0, 0);
  powerOn_ = WithId(new QComboBox(group), 1134);
  for (const char* item : {"Auto", "M1", "M2", "M3", "M4"}) powerOn_->addItem(QString::fromLatin1(item));
  grid->addWidget(powerOn_, 0, 1);
  grid->setColumnStretch(2, 1);
  grid->addWidget(Hint("机器开机时进入的模式", 1045, group), 1, 0, 1, 3);
  connect(powerOn_, &QComboBox::activated, this,
          [this](int index) { Edit([index](MachineSettings& s) { SetPowerOnMode(s, index); }); });
  return group;
}

QWidget* CSetDlg::BuildHdmi() {
  hdmiGroup_ = Group("HDMI静音", 1186, this);
  auto* layout = new QVBoxLayout(hdmiGroup_);
  hdmiMute_ = Button<QCheckBox>("HDMI输出口静音", 1049, hdmiGroup_);
  layout->addWidget(hdmiMute_);
  layout->addWidget(Hint("静音时HDMI输出口无声音", 1241, hdmiGroup_));
  connect(hdmiMute_, &QCheckBox::clicked, this, [this](bool on) { Edit([on](MachineSettings& s) { SetHdmiMute(s, on); }); });
  return hdmiGroup_;
}

QWidget* CSetDlg::BuildRoute() {
  auto* group = Group("DTS/AC3 环绕输出路由", 1187, this);
  auto* layout = new QVBoxLayout(group);
  static constexpr const char* kTexts[3] = {"输出至SL/SR", "输出至SBL/SBR", "输出至SL/SR和SBL/SBR"};
  static constexpr int kRouteIds[3] = {1192, 1195, 1199};
  for (int r = 0; r < 3; ++r) {
    routes_[static_cast<size_t>(r)] = Button<QRadioButton>(kTexts[r], kRouteIds[r], group);
    layout->addWidget(routes_[static_cast<size_t>(r)]);
    const auto route = static_cast<SurroundRoute>(r);
    connect(routes_[static_cast<size_t>(r)], &QRadioButton::clicked, this,
            [this, route] { Edit([route](MachineSettings& s) { SetSurroundRoute(s, route); }); });
  }
  for (const auto& [text, id] : {std::pair{"SL/SR：侧环绕", 1193}, std::pair{"SBL/SBR：后环绕", 1194}}) {
    QLabel* legend = Hint(text, id, group);
    legend->setWordWrap(false);
    layout->addWidget(legend);
  }
  return group;
}

QWidget* CSetDlg::BuildFactoryModes() {
  auto* group = Group("出厂机器模式", 1183, this);
  auto* layout = new QVBoxLayout(group);
  auto* row = new QHBoxLayout;
  factoryModes_ = new QButtonGroup(this);
  factoryModes_->setExclusive(false);
  for (int mode = 0; mode < 4; ++mode) {
    auto* button = new QPushButton(QStringLiteral("M%1").arg(mode + 1), group);
    button->setObjectName(QStringLiteral("subPageButton"));
    button->setCheckable(true);
    button->setAutoDefault(false);
    button->setProperty("mode", mode);
    factoryModes_->addButton(button, kFactoryModeFirstId + mode);
    row->addWidget(button);
  }
  layout->addLayout(row);
  layout->addWidget(Hint("恢复所选模式的出厂参数", 1023, group));
  connect(factoryModes_, &QButtonGroup::idClicked, this, [this](int id) { OnFactoryMode(id - kFactoryModeFirstId); });
  return group;
}

QWidget* CSetDlg::BuildButtons() {
  auto* bar = new QWidget(this);
  auto* row = new QHBoxLayout(bar);
  row->setContentsMargins(0, 4, 0, 0);
  row->addWidget(Hint("修改后请点击“应用”", 1022, bar), 1);
  auto* revert = Button<QPushButton>("还原", kRevertId, bar);
  apply_ = Button<QPushButton>("应用", kApplyId, bar);
  auto* cancel = Button<QPushButton>("取消", kCancelId, bar);
  for (QPushButton* b : {revert, apply_, cancel}) {
    b->setAutoDefault(false);
    b->setMinimumWidth(88);
    row->addWidget(b);
  }
  connect(revert, &QPushButton::clicked, this, [this] {
    DiscardMachineEdits(ctx_.Model());
    RefreshFromImage();
  });
  connect(apply_, &QPushButton::clicked, this, &CSetDlg::OnApply);
  connect(cancel, &QPushButton::clicked, this, &CSetDlg::close);
  return bar;
}

QAbstractButton* CSetDlg::FactoryModeButton(int mode) const { return factoryModes_->button(kFactoryModeFirstId + mode); }

// ---- showing -----------------------------------------------------------------------------------

void CSetDlg::ShowStart(VolumeChannel c, int value) {
  SliderRow& row = start_[Index(c)];
  const bool on = value != 0;
  {
    const QSignalBlocker quiet(enable_[Index(c)]);
    enable_[Index(c)]->setChecked(on);
  }
  row.SetEnabled(on);
  if (on)
    row.Show(value, QString::number(value));
  else
    row.value->setText(ctx_.T(kInvalid));
}

void CSetDlg::ShowMax(VolumeChannel c, int value) {
  max_[Index(c)].Show(std::clamp(value, 1, machine::kVolumeMax), QString::number(value));
  // A start volume is 1..maximum.
  const QSignalBlocker quiet(start_[Index(c)].slider);
  start_[Index(c)].slider->setRange(std::min(1, value), std::max(value, 0));
}

void CSetDlg::RefreshFromImage() {
  // The edit copy: what Apply sends. A refresh (after a read, an undo) never hides an edit.
  const MachineSettings s = ctx_.Model().Read([](const DeviceState& st) { return st.machineEdit; });
  const MachineSettingsView v = DecodeMachineSettings(s);
  ShowMax(VolumeChannel::kMic, v.micMax);
  ShowMax(VolumeChannel::kMusic, v.musicMax);
  ShowStart(VolumeChannel::kMic, v.micStart);
  ShowStart(VolumeChannel::kMusic, v.musicStart);
  const auto setChecked = [](QAbstractButton* b, bool on) {
    const QSignalBlocker quiet(b);
    b->setChecked(on);
  };
  setChecked(panelLock_, v.panelLock);
  setChecked(volumeLock_, v.volumeLock);
  setChecked(modeLock_, v.modeLock);
  {
    const QSignalBlocker quiet(powerOn_);
    powerOn_->setCurrentIndex(std::clamp(v.powerOnMode, 0, machine::kPowerOnModes - 1));
  }
  setChecked(saveModes_[v.saveByMode ? 1 : 0], true);
  setChecked(hdmiMute_, v.hdmiMute);
  if (v.route) setChecked(routes_[static_cast<size_t>(*v.route)], true);  // an unknown route leaves them
  MarkCurrentMode();
}

void CSetDlg::MarkCurrentMode() {
  const int current = ctx_.Model().Read([](const DeviceState& s) { return s.currentMode; });
  for (int mode = 0; mode < 4; ++mode) {
    QAbstractButton* b = FactoryModeButton(mode);
    const QSignalBlocker quiet(b);
    b->setChecked(mode == current);
  }
}

void CSetDlg::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyControlTips(this, ctx_.Language(), kTips);
  for (int mode = 0; mode < 4; ++mode) FactoryModeButton(mode)->setToolTip(ctx_.T(kFactoryModeTip).arg(mode + 1));
  // The "Invalid" of a start volume that is off follows the language.
  const MachineSettings edit = ctx_.Model().Read([](const DeviceState& s) { return s.machineEdit; });
  for (VolumeChannel c : kChannels)
    if (edit[static_cast<size_t>(StartVolumeByte(c))] == 0) start_[Index(c)].value->setText(ctx_.T(kInvalid));
}

// ---- edits -------------------------------------------------------------------------------------

void CSetDlg::Edit(const std::function<void(MachineSettings&)>& edit) { EditMachineSettings(ctx_.Model(), edit); }

void CSetDlg::OnStartMoved(VolumeChannel c, int position) {
  MoveStartVolume(session_, c, position);
  const int start = ctx_.Model().Read([&](const DeviceState& s) { return int{s.machineEdit[static_cast<size_t>(StartVolumeByte(c))]}; });
  ShowStart(c, start);
}

void CSetDlg::OnMaxMoved(VolumeChannel c, int position) {
  const int start = MoveMaxVolume(session_, c, position);
  max_[Index(c)].value->setText(QString::number(position));
  const QSignalBlocker quiet(start_[Index(c)].slider);
  start_[Index(c)].slider->setRange(std::min(1, position), position);
  ShowStart(c, start);
}

void CSetDlg::OnEnable(VolumeChannel c, bool on) { ShowStart(c, EnableStartVolume(session_, c, on)); }

void CSetDlg::OnApply() {
  // Without a device the settings would reach nothing and no file keeps them: they stay edits,
  // shown, for an Apply once a device is connected.
  if (!ctx_.Connected()) {
    ShowInfoTip(ctx_, ctx_.T(kConnectFirst), 1100);
    return;
  }
  ApplyMachineSettings(session_);
  ShowInfoTip(ctx_, ctx_.T(kApplied), 1100);
}

void CSetDlg::OnFactoryMode(int mode) {
  MarkCurrentMode();  // the buttons show the running mode, not the last click
  if (!modes_ || !ctx_.Connected()) return;
  const QString question = ctx_.T(kFactoryQuestion).arg(mode + 1);
  if (prompts_.Ask(this, QStringLiteral("提示"), question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) return;
  modes_->FactoryMode(mode);
  MarkCurrentMode();
}

void CSetDlg::reject() {
  DiscardMachineEdits(ctx_.Model());
  QDialog::reject();
}

void CSetDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;  // Enter applies nothing
  QDialog::keyPressEvent(event);
}

}  // namespace nr::gui
