#include "outputs/CDialogOutput.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "eq/BandEditor.h"
#include "eq/BandLimits.h"
#include "eq/CEqPanel.h"
#include "eq/EqSetCopy.h"
#include "inputs/InputPages.h"
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"
#include "outputs/CompressorControls.h"
#include "outputs/Delay.h"
#include "outputs/OutputHeaderRow.h"
#include "outputs/OutputTips.h"
#include "outputs/TitlePicture.h"
#include "shell/AppContext.h"
#include "shell/CInfoDlg.h"
#include "shell/DialogTexts.h"
#include "shell/Prompts.h"

namespace nr::gui {
namespace {

constexpr int kMuteIdFirst = 1047;
constexpr int kPhaseIdFirst = 1055;
constexpr int kLinkIdFirst = 1063;  // front, side, back
constexpr int kSendGroupId = 1066;
constexpr int kCompressorGroupId = 1067;
constexpr int kDelayGroupId = 1068;
constexpr int kSplitCaptionId = 1080;
constexpr int kDelayCaptionId = 1081;
constexpr int kSendCaptionIdFirst = 1123;
constexpr int kPositionCaptionId = 1132;
constexpr int kSplitModeId = 1190;
constexpr int kChannelModeId = 1191;
constexpr int kCompressorSwitchId = 1045;
constexpr int kDelaySwitchId = 1293;
constexpr int kResetTipPerChannelMs = 1000;

constexpr std::array<const char*, kSendCount> kSendTemplates{"直达声音量", "混响音量", "回声音量", "音乐音量"};
constexpr std::array<const char*, kLinkPairs> kLinkTemplates{"前置左右齐调", "侧环绕左右齐调", "后环绕左右齐调"};
constexpr TextPair kSetSame{"参数不一致，同步参数吗？", "Set same?"};
constexpr TextPair kResetTip{"正在复位均衡...", "Reset EQ..."};

QString SplitText(int index) { return QString::asprintf("%dHz", SplitFrequency(index)); }
QString DelayText(int tenths) { return QString::asprintf("%.1fms", tenths / 10.0); }

}  // namespace

CDialogOutput::CDialogOutput(AppContext& ctx, PageHost& host, int channel, QWidget* parent)
    : CDialogOutput(ctx, ctx.Session(), host, channel, parent) {}

CDialogOutput::CDialogOutput(AppContext& ctx, DeviceSession& session, PageHost& host, int channel, QWidget* parent)
    : Page(parent), ctx_(ctx), session_(session), host_(host), channel_(ValidChannel(channel) ? channel : 0) {
  ctx_.SetOutputChannel(channel_);
  Build();
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyPageTips();
  RefreshFromImage();
}

CDialogOutput::~CDialogOutput() = default;

// ---- construction ------------------------------------------------------------------------------

void CDialogOutput::Build() {
  ApplyOutputPageStyle(this);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(8, 6, 8, 8);
  root->setSpacing(6);
  header_ = new OutputHeaderRow(ctx_, this);
  header_->ConnectNavigation(OutputPageKind::kChannel, ctx_, session_, host_, [this](int c) { SelectChannel(c); });
  root->addWidget(header_);

  auto* top = new QHBoxLayout;
  top->setSpacing(8);
  top->addWidget(BuildTitleColumn());
  top->addWidget(BuildSendGroup(), 1);
  top->addWidget(BuildCompressorGroup(), 1);
  top->addWidget(BuildDelayGroup(), 1);
  root->addLayout(top);

  auto* eq = new QHBoxLayout;
  eq->setSpacing(8);
  eq->addWidget(BuildChannelGroup());
  panel_ = new CEqPanel(&ctx_.Model(), ctx_.Language(), this);
  panel_->setMinimumSize(300, 200);
  panel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  eq->addWidget(panel_, 1);
  editor_ = new BandEditor(*panel_, session_, ctx_.CopiedSet(), ctx_.Language(), this);
  editor_->SetPrompts(&ctx_.UserPrompts());
  ArrangeBandEditor(editor_);
  editor_->SetWriteBandHook([this](int band) { WriteBand(band); });
  editor_->SetSetReplacedHook([this](int set) { CopySetToLinked(set); });
  eq->addWidget(editor_);
  root->addLayout(eq, 1);

  wheel_ = new FocusWheelRouter(this, [this](QWidget* focus) { return RoutedWheelTarget(focus); });
  wheel_->Install();
}

QWidget* CDialogOutput::BuildTitleColumn() {
  auto* column = new QWidget(this);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  title_ = new TitlePicture(TitlePicture::Icon::kLoudspeaker, column);
  layout->addWidget(title_);
  for (int i = 0; i < kLinkPairs; ++i) {
    const auto pair = static_cast<LinkPair>(i);
    auto* box = WithId(new QCheckBox(QString::fromUtf8(kLinkTemplates[static_cast<size_t>(i)]), column), kLinkIdFirst + i);
    links_[static_cast<size_t>(i)] = box;
    layout->addWidget(box);
    connect(box, &QCheckBox::clicked, this, [this, pair](bool on) { OnLink(pair, on); });
  }
  layout->addStretch(1);
  return column;
}

QWidget* CDialogOutput::BuildSendGroup() {
  auto* group = WithId(new QGroupBox(QString::fromUtf8("输出混音"), this), kSendGroupId);
  auto* grid = new QGridLayout(group);
  grid->setVerticalSpacing(3);
  for (int k = 0; k < kSendCount; ++k) {
    sends_[static_cast<size_t>(k)] = AddOutputSliderRow(grid, k, kSendTemplates[static_cast<size_t>(k)],
                                                  kSendCaptionIdFirst + k, 0, 100, QStringLiteral("100%"));
    connect(sends_[static_cast<size_t>(k)].slider, &QSlider::valueChanged, this, [this, k](int v) { OnSend(k, v); });
  }
  grid->setRowStretch(kSendCount, 1);
  return group;
}

QWidget* CDialogOutput::BuildCompressorGroup() {
  auto* group = WithId(new QGroupBox(QString::fromUtf8("压限器"), this), kCompressorGroupId);
  auto* layout = new QVBoxLayout(group);
  compressor_ = new CompressorControls(kCompressorSwitchId, "压限启用", CompressorControls::ValueStyle::kLabels, group);
  layout->addWidget(compressor_);
  layout->addStretch(1);
  connect(compressor_, &CompressorControls::switchClicked, this,
          [this](bool on) { SetLinkedCompressorOn(session_, channel_, Links(), on); });
  connect(compressor_, &CompressorControls::sliderMoved, this, &CDialogOutput::OnCompressorSlider);
  return group;
}

QWidget* CDialogOutput::BuildDelayGroup() {
  auto* group = WithId(new QGroupBox(QString::fromUtf8("延时"), this), kDelayGroupId);
  auto* grid = new QGridLayout(group);
  grid->setVerticalSpacing(3);
  delaySwitch_ = WithId(new QCheckBox(QString::fromUtf8("延时开关"), group), kDelaySwitchId);
  grid->addWidget(delaySwitch_, 0, 0, 1, 3);
  auto* modes = new QHBoxLayout;
  splitMode_ = WithId(new QRadioButton(QString::fromUtf8("高频延时"), group), kSplitModeId);
  channelMode_ = WithId(new QRadioButton(QString::fromUtf8("通道延时"), group), kChannelModeId);
  auto* modeGroup = new QButtonGroup(group);
  modeGroup->addButton(splitMode_);
  modeGroup->addButton(channelMode_);
  modes->addWidget(splitMode_);
  modes->addWidget(channelMode_);
  modes->addStretch(1);
  grid->addLayout(modes, 1, 0, 1, 3);
  split_ = AddOutputSliderRow(grid, 2, "分频频率", kSplitCaptionId, 0, kSplitSteps - 1, QStringLiteral("3000Hz"));
  delay_ = AddOutputSliderRow(grid, 3, "延时时间", kDelayCaptionId, kDelayMinTenths, kDelayMaxTenths,
                        QStringLiteral("100.0ms"));
  grid->setRowStretch(4, 1);
  connect(delaySwitch_, &QCheckBox::clicked, this, &CDialogOutput::OnDelaySwitch);
  connect(splitMode_, &QRadioButton::clicked, this, [this] { OnDelayMode(false); });
  connect(channelMode_, &QRadioButton::clicked, this, [this] { OnDelayMode(true); });
  connect(split_.slider, &QSlider::valueChanged, this, &CDialogOutput::OnSplit);
  connect(delay_.slider, &QSlider::valueChanged, this, &CDialogOutput::OnDelay);
  return group;
}

QWidget* CDialogOutput::BuildChannelGroup() {
  auto* group = new QGroupBox(this);
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(2);
  // Mute and phase are columns of boxes under one caption each (the texts of channel 1's boxes),
  // which leaves the EQ panel its width on the smallest window.
  grid->addWidget(WithId(new QLabel(QString::fromUtf8("位置"), group), kPositionCaptionId), 0, 1);
  grid->addWidget(WithId(new QLabel(QString::fromUtf8("静音"), group), kMuteIdFirst), 0, 2, Qt::AlignHCenter);
  grid->addWidget(WithId(new QLabel(QString::fromUtf8("相位180°"), group), kPhaseIdFirst), 0, 3, Qt::AlignHCenter);
  for (int c = 0; c < kOutputCount; ++c) {
    ChannelRow& row = rows_[static_cast<size_t>(c)];
    row.name = new QLabel(group);
    row.position = new QComboBox(group);
    row.position->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    row.mute = new QCheckBox(group);
    row.phase = new QCheckBox(group);
    grid->addWidget(row.name, c + 1, 0);
    grid->addWidget(row.position, c + 1, 1);
    grid->addWidget(row.mute, c + 1, 2, Qt::AlignHCenter);
    grid->addWidget(row.phase, c + 1, 3, Qt::AlignHCenter);
    connect(row.position, &QComboBox::activated, this, [this, c](int position) { OnPosition(c, position); });
    connect(row.mute, &QCheckBox::clicked, this, [this, c](bool on) { SetOutputMute(session_, c, on); });
    connect(row.phase, &QCheckBox::clicked, this, [this, c](bool on) { SetOutputPhase(session_, c, on); });
  }
  grid->setRowStretch(kOutputCount + 1, 1);
  FillPositionLists();
  return group;
}

void CDialogOutput::FillPositionLists() {
  for (int c = 0; c < kOutputCount; ++c) {
    ChannelRow& row = rows_[static_cast<size_t>(c)];
    row.name->setText(ChannelText(c, ctx_.Language()));
    const QSignalBlocker block(row.position);
    const int selected = row.position->currentIndex();
    row.position->clear();
    for (int p = 0; p < kPositionCount; ++p) row.position->addItem(PositionText(p).Get(ctx_.Language()));
    row.position->setCurrentIndex(selected);
  }
}

bool CDialogOutput::RoutedWheelTarget(QWidget* focus) const {
  if (compressor_->HoldsSlider(focus) || focus == split_.slider || focus == delay_.slider) return true;
  for (const SliderRow& row : sends_)
    if (focus == row.slider) return true;
  return editor_->HoldsWheelTarget(focus);
}

QComboBox* CDialogOutput::PositionList(int channel) const { return rows_.at(static_cast<size_t>(channel)).position; }
QCheckBox* CDialogOutput::MuteBox(int channel) const { return rows_.at(static_cast<size_t>(channel)).mute; }
QCheckBox* CDialogOutput::PhaseBox(int channel) const { return rows_.at(static_cast<size_t>(channel)).phase; }

// ---- edits -------------------------------------------------------------------------------------

LinkOptions CDialogOutput::Links() const { return StoredLinkOptions(ctx_.Settings()); }

void CDialogOutput::OnSend(int send, int value) {
  SetOutputSend(session_, channel_, Links(), send, value);
  sends_[static_cast<size_t>(send)].value->setText(QString::asprintf("%d%%", value));
}

void CDialogOutput::OnPosition(int channel, int position) {
  SetSpeakerPosition(session_, channel, position);
  SelectChannel(channel);
}

void CDialogOutput::OnLink(LinkPair pair, bool on) {
  LinkOptions options = Links();
  options.Set(pair, on);
  if (on) {
    const DeviceState s = ctx_.Model().Snapshot();
    const ChannelList differing = ChannelsDifferingInPair(s, pair);
    if (!differing.empty()) {
      const auto answer = ctx_.UserPrompts().Ask(this, QString(), ctx_.T(kSetSame), QMessageBox::Yes | QMessageBox::No);
      if (answer == QMessageBox::Yes) {
        const int first = PairChannels(s, pair).front();
        for (int c : differing) CopyChannel(session_, first, c);
      } else {
        options.Set(pair, false);
      }
    }
  }
  StoreLinkOptions(ctx_.Settings(), options, ctx_);
  RefreshFromImage();
}

void CDialogOutput::OnCompressorSlider(CompressorSlider slider, int position) {
  const DynamicsSettings current = ctx_.Model().Read([&](const DeviceState& s) { return CompressorSettings(s, channel_); });
  const DynamicsSettings d = WithCompressorSlider(current, slider, position);
  compressor_->ShowValue(slider, d);
  WriteLinkedCompressor(session_, channel_, Links(), d);
}

void CDialogOutput::OnDelaySwitch(bool on) {
  SetDelayOn(session_, channel_, on);
  EnableDelayControls(on, channelMode_->isChecked());
}

void CDialogOutput::OnDelayMode(bool channelDelay) {
  SetLinkedDelaySplitMode(session_, channel_, Links(), channelDelay);
  EnableDelayControls(delaySwitch_->isChecked(), channelDelay);
}

void CDialogOutput::OnSplit(int index) {
  SetDelaySplitFrequency(session_, channel_, index);
  split_.value->setText(SplitText(index));
}

void CDialogOutput::OnDelay(int tenths) {
  delay_.value->setText(DelayText(tenths));
  SetDelayTenths(session_, channel_, tenths);
}

void CDialogOutput::EnableDelayControls(bool on, bool channelDelay) {
  splitMode_->setEnabled(on);
  channelMode_->setEnabled(on);
  split_.slider->setEnabled(on && !channelDelay);
  split_.caption->setEnabled(on && !channelDelay);
  split_.value->setEnabled(on && !channelDelay);
  delay_.value->setEnabled(on);  // the delay slider itself always sends
}

void CDialogOutput::WriteBand(int band) {
  std::vector<BandWrite> writes;
  auto add = [&](int b) {
    const EqPanelBand& p = panel_->Band(b);
    writes.push_back({b, p.type, WholeHertz(p.frequency), p.gain, p.q});
  };
  add(band);
  const EqPanelBand& b = panel_->Band(band);
  for (int k = 0; k < b.partnerCount && k < 3; ++k)
    if (b.partners[static_cast<size_t>(k)] >= 0) add(b.partners[static_cast<size_t>(k)]);
  WriteLinkedBands(session_, channel_, Links(), writes);
}

void CDialogOutput::CopySetToLinked(int set) {
  for (int c : LinkedChannels(ctx_.Model(), channel_, Links()))
    if (OutputEqSet(c) != set) GQ_CopyEQ(session_, set, OutputEqSet(c));
}

// ---- status bar EQ buttons ---------------------------------------------------------------------

bool CDialogOutput::EqBypass() const {
  return ctx_.Model().Read([&](const DeviceState& s) { return OutputEqBypassed(s, channel_); });
}

void CDialogOutput::SetEqBypass(bool on) {
  SetOutputEqBypass(session_, channel_, Links(), on);
  panel_->SetBypass(on);
  emit eqBypassChanged(on);
}

void CDialogOutput::ResetCurrentEq() {
  editor_->ShowList();
  const LinkOptions links = Links();
  const int linked = static_cast<int>(LinkedChannels(ctx_.Model(), channel_, links).size());
  ShowInfoTip(ctx_, ctx_.T(kResetTip), kResetTipPerChannelMs * linked);
  ResetOutputEq(session_, channel_, links);
  editor_->LoadSet(OutputEqSet(channel_));
}

// ---- refresh -----------------------------------------------------------------------------------

void CDialogOutput::SelectChannel(int channel) {
  if (!ValidChannel(channel)) return;
  channel_ = channel;
  ctx_.SetOutputChannel(channel);
  RefreshFromImage();
}

void CDialogOutput::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyPageTips();
  header_->Relabel();
  panel_->SetLanguage(ctx_.Language());
  editor_->SetLanguage(ctx_.Language());
  FillPositionLists();
  RefreshFromImage();
}

void CDialogOutput::RefreshFromImage() {
  const DeviceState s = ctx_.Model().Snapshot();
  header_->SetCurrent(OutputPageKind::kChannel, channel_);
  RefreshTitle(s);
  RefreshSends(s);
  RefreshEq(s);
  RefreshChannels(s);
  RefreshCompressor(s);
  RefreshDelay(s);
}

void CDialogOutput::RefreshTitle(const DeviceState& s) {
  title_->SetText(ChannelText(channel_, ctx_.Language()), PositionText(SpeakerPositionOf(s, channel_)).Get(ctx_.Language()));
}

void CDialogOutput::RefreshSends(const DeviceState& s) {
  for (int k = 0; k < kSendCount; ++k) {
    const int value = OutputSend(s, channel_, k);
    ShowSliderValue(sends_[static_cast<size_t>(k)], std::clamp(value, 0, 100), QString::asprintf("%d%%", value));
  }
}

void CDialogOutput::RefreshChannels(const DeviceState& s) {
  for (int c = 0; c < kOutputCount; ++c) {
    ChannelRow& row = rows_[static_cast<size_t>(c)];
    const QSignalBlocker block(row.position);
    row.position->setCurrentIndex(std::clamp(SpeakerPositionOf(s, c), 0, kPositionCount - 1));
    row.mute->setChecked(OutputMuted(s, c));
    row.phase->setChecked(OutputPhaseInverted(s, c));
    QFont font = row.name->font();
    font.setBold(c == channel_);
    row.name->setFont(font);
  }
  const LinkOptions links = Links();
  for (int i = 0; i < kLinkPairs; ++i) links_[static_cast<size_t>(i)]->setChecked(links.On(static_cast<LinkPair>(i)));
}

void CDialogOutput::RefreshCompressor(const DeviceState& s) {
  compressor_->Show(CompressorSettings(s, channel_), CompressorOn(s, channel_));
}

void CDialogOutput::RefreshDelay(const DeviceState& s) {
  const int index = DelaySplitIndex(s, channel_);
  const int tenths = DelayTenths(DelayMs(s, channel_));
  ShowSliderValue(split_, index, SplitText(index));
  ShowSliderValue(delay_, tenths, QString::asprintf("%.1fms", static_cast<double>(DelayMs(s, channel_))));
  const bool on = DelayOn(s, channel_);
  const bool whole = ChannelDelayMode(s, channel_);
  delaySwitch_->setChecked(on);
  (whole ? channelMode_ : splitMode_)->setChecked(true);
  EnableDelayControls(on, whole);
}

void CDialogOutput::RefreshEq(const DeviceState& s) {
  editor_->LoadSet(OutputEqSet(channel_));  // no current band, the list shown
  const bool bypass = OutputEqBypassed(s, channel_);
  panel_->SetBypass(bypass);
  emit eqBypassChanged(bypass);
}

void CDialogOutput::ApplyPageTips() { ApplyOutputPageTips(this, kDialogNumber, ctx_.Language()); }

}  // namespace nr::gui
