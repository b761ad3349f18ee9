#include "inputs/CDialogMusic.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

#include "controls/CPeakMeterCtrl.h"
#include "eq/BandEditor.h"
#include "eq/BandWrites.h"
#include "eq/CEqPanel.h"
#include "eq/CSmallEqPanel.h"
#include "eq/EqSetCopy.h"
#include "inputs/CDialogEfx.h"
#include "inputs/EffectEncoders.h"
#include "inputs/InputParams.h"
#include "inputs/InputPages.h"
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"
#include "shell/AppContext.h"
#include "shell/ControlTips.h"
#include "shell/DialogTexts.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

// Per sub-page: the colours of its band list and effect curves.
struct SubPageColours {
  QColor listText;
  QColor curve;
};

const std::array<SubPageColours, CDialogMusic::kSubPages> kSubPageColours{{
    {QColor(0, 200, 255), QColor(0, 200, 255)},
    {QColor(0, 220, 0), QColor(0, 220, 0)},
    {QColor(255, 200, 0), QColor(100, 100, 100)},
}};

MusicSubPage CoreSubPage(int subPage) { return static_cast<MusicSubPage>(std::clamp(subPage, 0, kMusicSubPages - 1)); }

// Control identifiers of the language table.
constexpr std::array<int, CDialogMusic::kSubPages> kSubPageIds{1068, 1069, 1070};
constexpr std::array<int, CDialogMusic::kMics> kMicTitleIds{1153, 1155, 1157, 1159};
constexpr int kRouteIdFirst = 1182;    // + 2 * mic (CH A), + 1 for CH B
constexpr int kCaptionIdFirst = 1190;  // + 2 * mic (noise gate), + 1 for volume
constexpr int kMicGroupId = 1124;
constexpr int kLevelCaptionId = 1132;
constexpr int kDecoderCaptionId = 1142;
constexpr int kReverbHintId = 1145;
constexpr int kEchoHintId = 1146;
constexpr int kMusicGroupId = 1161;
constexpr int kFbcTitleId = 1163;
constexpr int kReverbTitleId = 1165;
constexpr int kEchoTitleId = 1167;
constexpr int kEffectGroupId = 1281;
constexpr int kRoutingCaptionId = 1282;

constexpr TextPair kFbcOff{"关闭", "Off"};
const QColor kPageBackground(240, 250, 255);

const char* const kDecoderNames[] = {"STEREO", "AC3", "DTS", "DTS-CD", "E-AC3", "DOLBY-HD", "DTS-HR", "DTS-HD",
                                     "LPCM MultiCh"};

QLabel* Label(const char* templateText, int id, QWidget* parent) {
  return WithId(new QLabel(QString::fromUtf8(templateText), parent), id);
}

QLabel* ValueLabel(QWidget* parent, const QString& widest) {
  auto* label = new QLabel(parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest) + 4);
  return label;
}

QSlider* HorizontalSlider(QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setRange(0, 100);
  slider->setSingleStep(1);
  slider->setPageStep(10);
  slider->setMinimumWidth(56);
  return slider;
}

CPeakMeterCtrl* PageMeter(QWidget* parent) {
  auto* meter = new CPeakMeterCtrl(parent);
  meter->Reset(1, 15);
  meter->StartTimer(50);
  meter->SetHorizontal(true);
  meter->SetBackground(kPageBackground);
  meter->SetPeakLine(false);
  meter->setFixedHeight(12);
  // Narrow enough that the microphone rows fit the page with every caption whole ("噪声门"
  // was covered by the meter when the row asked for more than the group has).
  meter->setMinimumWidth(64);
  return meter;
}

}  // namespace

CDialogMusic::CDialogMusic(AppContext& ctx, PageHost& host, int subPage, QWidget* parent)
    : CDialogMusic(ctx, ctx.Session(), host, subPage, parent) {}

CDialogMusic::CDialogMusic(AppContext& ctx, DeviceSession& session, PageHost& host, int subPage, QWidget* parent)
    : Page(parent), ctx_(ctx), session_(session), host_(host), subPage_(std::clamp(subPage, 0, kSubPages - 1)) {
  ctx_.SetMusicSubPage(subPage_);
  Build();
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  SetTips();
  RefreshFromImage();
  const int format = ctx_.Model().Read([](const DeviceState& s) { return s.status.InputFormat(); });
  decoderText_->setText(DecoderName(format).isEmpty() ? DecoderName(0) : DecoderName(format));
  connect(&statusTimer_, &QTimer::timeout, this, &CDialogMusic::UpdateFromStatus);
  statusTimer_.start(kStatusIntervalMs);
}

CDialogMusic::~CDialogMusic() { statusTimer_.stop(); }

// ---- construction ------------------------------------------------------------------------------

void CDialogMusic::Build() {
  ApplyInputPageStyle(this);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(10, 8, 10, 8);
  root->setSpacing(8);
  root->addWidget(BuildSubPageBar());

  auto* controls = new QHBoxLayout;
  controls->setSpacing(8);
  controls->addWidget(BuildMicGroup(), 5);
  controls->addWidget(BuildMusicGroup(), 1);
  controls->addWidget(BuildEffectGroup(), 2);
  root->addLayout(controls);

  auto* eq = new QHBoxLayout;
  eq->setSpacing(8);
  eq->addWidget(BuildFbcColumn());
  panel_ = new CEqPanel(&ctx_.Model(), ctx_.Language(), this);
  panel_->setMinimumSize(360, 200);
  panel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  eq->addWidget(panel_, 1);
  editor_ = new BandEditor(*panel_, session_, ctx_.CopiedSet(), ctx_.Language(), this);
  editor_->SetPrompts(&ctx_.UserPrompts());
  ArrangeBandEditor(editor_);
  eq->addWidget(editor_);
  root->addLayout(eq, 1);

  wheel_ = new FocusWheelRouter(this, [this](QWidget* focus) { return RoutedWheelTarget(focus); });
  wheel_->Install();
}

QWidget* CDialogMusic::BuildSubPageBar() {
  static constexpr const char* kTemplates[kSubPages] = {"话筒通道A", "话筒通道B", "音乐"};
  auto* bar = new QWidget(this);
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  subPages_ = new QButtonGroup(this);
  subPages_->setExclusive(true);
  for (int k = 0; k < kSubPages; ++k) {
    auto* button = WithId(new QPushButton(QString::fromUtf8(kTemplates[k]), bar), kSubPageIds[static_cast<size_t>(k)]);
    button->setObjectName(QStringLiteral("subPageButton"));
    button->setCheckable(true);
    button->setMinimumWidth(110);
    subPages_->addButton(button, k);
    layout->addWidget(button);
  }
  layout->addStretch(1);
  connect(subPages_, &QButtonGroup::idClicked, this, &CDialogMusic::SelectSubPage);
  return bar;
}

QWidget* CDialogMusic::BuildMicGroup() {
  auto* group = WithId(new QGroupBox(QString::fromUtf8("话筒输入"), this), kMicGroupId);
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(7);
  grid->setVerticalSpacing(4);
  grid->addWidget(Label("通道分配", kRoutingCaptionId, group), 0, 1, 1, 2, Qt::AlignHCenter);
  grid->addWidget(Label("信号电平", kLevelCaptionId, group), 0, 3, Qt::AlignHCenter);
  for (int m = 0; m < kMics; ++m) {
    MicRow& row = rows_[static_cast<size_t>(m)];
    const int line = m + 1;
    row.title = WithId(new QLabel(QString::fromUtf8("话筒口%1").arg(m + 1), group), kMicTitleIds[static_cast<size_t>(m)]);
    auto* routes = new QButtonGroup(group);
    for (int ch = 0; ch < 2; ++ch) {
      auto* radio = WithId(new QRadioButton(QString::fromUtf8(ch == 0 ? "通道A" : "通道B"), group), kRouteIdFirst + 2 * m + ch);
      routes->addButton(radio, ch);
      row.route[static_cast<size_t>(ch)] = radio;
      connect(radio, &QRadioButton::clicked, this, [this, m, ch] { OnRoute(m, ch); });
    }
    row.meter = PageMeter(group);
    meters_[static_cast<size_t>(m)] = row.meter;
    row.gateCaption = Label("噪声门", kCaptionIdFirst + 2 * m, group);
    row.gate = HorizontalSlider(group);
    row.gateValue = ValueLabel(group, QStringLiteral("100"));
    row.volumeCaption = Label("音量", kCaptionIdFirst + 2 * m + 1, group);
    row.volume = HorizontalSlider(group);
    row.volumeValue = ValueLabel(group, QStringLiteral("100"));
    connect(row.gate, &QSlider::valueChanged, this, [this, m](int v) { OnGate(m, v); });
    connect(row.volume, &QSlider::valueChanged, this, [this, m](int v) { OnVolume(m, v); });

    grid->addWidget(row.title, line, 0);
    grid->addWidget(row.route[0], line, 1);
    grid->addWidget(row.route[1], line, 2);
    grid->addWidget(row.meter, line, 3);
    grid->addWidget(row.gateCaption, line, 4, Qt::AlignRight);
    grid->addWidget(row.gate, line, 5);
    grid->addWidget(row.gateValue, line, 6);
    grid->addWidget(row.volumeCaption, line, 7, Qt::AlignRight);
    grid->addWidget(row.volume, line, 8);
    grid->addWidget(row.volumeValue, line, 9);
  }
  grid->setColumnStretch(3, 2);
  grid->setColumnStretch(5, 3);
  grid->setColumnStretch(8, 3);
  grid->setRowStretch(kMics + 1, 1);
  return group;
}

QWidget* CDialogMusic::BuildMusicGroup() {
  auto* group = WithId(new QGroupBox(QString::fromUtf8("音乐电平"), this), kMusicGroupId);
  auto* layout = new QVBoxLayout(group);
  layout->setSpacing(6);
  for (int i = kMics; i < kMeters; ++i) {
    meters_[static_cast<size_t>(i)] = PageMeter(group);
    layout->addWidget(meters_[static_cast<size_t>(i)]);
  }
  layout->addSpacing(6);
  layout->addWidget(Label("解码格式", kDecoderCaptionId, group));
  decoderText_ = new QLabel(group);
  decoderText_->setObjectName(QStringLiteral("decoderText"));
  decoderText_->setMinimumWidth(decoderText_->fontMetrics().horizontalAdvance(QStringLiteral("LPCM MultiCh")) + 16);
  decoderText_->setAlignment(Qt::AlignCenter);
  layout->addWidget(decoderText_);
  layout->addStretch(1);
  return group;
}

QWidget* CDialogMusic::BuildEffectGroup() {
  auto* group = WithId(new QGroupBox(QString::fromUtf8("效果均衡"), this), kEffectGroupId);
  effectGroup_ = group;
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(7);
  grid->setVerticalSpacing(3);
  struct Column {
    const char* title;
    int titleId;
    const char* hint;
    int hintId;
    bool echo;
  };
  const Column columns[2] = {{"混响均衡", kReverbTitleId, "点击下面方框进入混响均衡调节界面", kReverbHintId, false},
                             {"回声均衡", kEchoTitleId, "点击下面方框进入回声均衡调节界面", kEchoHintId, true}};
  for (int c = 0; c < 2; ++c) {
    const Column& col = columns[c];
    QLabel* title = Label(col.title, col.titleId, group);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    QLabel* hint = Label(col.hint, col.hintId, group);
    hint->setWordWrap(true);
    hint->setObjectName(QStringLiteral("hint"));
    auto* curve = new CSmallEqPanel(group);
    curve->setCursor(Qt::PointingHandCursor);
    curve->setMinimumSize(110, 56);
    curve->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(curve, &CSmallEqPanel::clicked, this, [this, echo = col.echo] { OpenEffect(echo); });
    (col.echo ? echoCurve_ : reverbCurve_) = curve;
    grid->addWidget(title, 0, c);
    grid->addWidget(hint, 1, c, Qt::AlignTop);
    grid->addWidget(curve, 2, c);
  }
  grid->setRowStretch(2, 1);
  return group;
}

QWidget* CDialogMusic::BuildFbcColumn() {
  fbcColumn_ = new QWidget(this);
  fbcColumn_->setObjectName(QStringLiteral("fbcColumn"));
  auto* layout = new QVBoxLayout(fbcColumn_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  fbcTitle_ = Label("移频反馈抑制", kFbcTitleId, fbcColumn_);
  fbcTitle_->setWordWrap(true);
  fbcTitle_->setAlignment(Qt::AlignHCenter);
  QFont bold = fbcTitle_->font();
  bold.setBold(true);
  fbcTitle_->setFont(bold);
  fbcSlider_ = new QSlider(Qt::Vertical, fbcColumn_);
  fbcSlider_->setRange(kFbcLevelMin, kFbcLevelMax);
  fbcSlider_->setSingleStep(1);
  fbcSlider_->setPageStep(1);
  fbcSlider_->setTickPosition(QSlider::TicksBothSides);
  fbcSlider_->setTickInterval(1);
  fbcValue_ = new QLabel(fbcColumn_);
  fbcValue_->setObjectName(QStringLiteral("fbcValue"));
  fbcValue_->setAlignment(Qt::AlignCenter);
  fbcValue_->setFrameShape(QFrame::StyledPanel);
  fbcValue_->setMinimumWidth(fbcValue_->fontMetrics().horizontalAdvance(QStringLiteral("8Hz  Off")));
  layout->addWidget(fbcTitle_);
  layout->addWidget(fbcSlider_, 1, Qt::AlignHCenter);
  layout->addWidget(fbcValue_);
  fbcColumn_->setFixedWidth(88);
  connect(fbcSlider_, &QSlider::valueChanged, this, &CDialogMusic::OnFbc);
  return fbcColumn_;
}

bool CDialogMusic::RoutedWheelTarget(QWidget* focus) const {
  if (focus == fbcSlider_) return true;
  for (const MicRow& row : rows_)
    if (focus == row.gate || focus == row.volume) return true;
  return editor_->HoldsWheelTarget(focus);
}

// ---- accessors ---------------------------------------------------------------------------------

QSlider* CDialogMusic::GateSlider(int mic) const { return rows_.at(static_cast<size_t>(mic)).gate; }
QSlider* CDialogMusic::VolumeSlider(int mic) const { return rows_.at(static_cast<size_t>(mic)).volume; }
QLabel* CDialogMusic::GateValue(int mic) const { return rows_.at(static_cast<size_t>(mic)).gateValue; }
QLabel* CDialogMusic::VolumeValue(int mic) const { return rows_.at(static_cast<size_t>(mic)).volumeValue; }
QRadioButton* CDialogMusic::RouteButton(int mic, int channel) const {
  return rows_.at(static_cast<size_t>(mic)).route.at(static_cast<size_t>(channel));
}
bool CDialogMusic::MicRowShown(int mic) const { return !rows_.at(static_cast<size_t>(mic)).title->isHidden(); }
QAbstractButton* CDialogMusic::SubPageButton(int subPage) const { return subPages_->button(subPage); }
CSmallEqPanel* CDialogMusic::ReverbCurve() const { return reverbCurve_; }
CSmallEqPanel* CDialogMusic::EchoCurve() const { return echoCurve_; }

int CDialogMusic::EqSetOf(int subPage) { return SubPageEq(CoreSubPage(subPage)).set; }

QString CDialogMusic::DecoderName(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kDecoderNames))) return {};
  return QString::fromLatin1(kDecoderNames[index]);
}

// ---- control handlers --------------------------------------------------------------------------

void CDialogMusic::OnGate(int mic, int value) {
  SetMicGate(session_, mic, value);
  rows_[static_cast<size_t>(mic)].gateValue->setText(QString::number(value));
}

void CDialogMusic::OnVolume(int mic, int value) {
  SetMicVolume(session_, mic, value);
  rows_[static_cast<size_t>(mic)].volumeValue->setText(QString::number(value));
}

void CDialogMusic::OnRoute(int mic, int channel) {
  SetMicChannel(session_, mic, channel == 0 ? MicChannel::kA : MicChannel::kB);
}

void CDialogMusic::OnFbc(int level) {
  if (subPage_ == kMusic) return;  // the music path has no feedback canceller
  SetFbcShift(session_, subPage_, level);
  SetFbcValueText(level);
}

void CDialogMusic::SetFbcValueText(int level) {
  fbcValue_->setText(level <= kFbcLevelMin ? ctx_.T(kFbcOff) : QString::asprintf("%dHz", level));
}

void CDialogMusic::OpenEffect(bool echo) {
  if (subPage_ == kMusic) return;
  const int kind = (echo ? kEchoA : kReverbA) + subPage_;
  host_.ShowPage(std::make_unique<CDialogEfx>(ctx_, session_, host_, kind));
}

void CDialogMusic::SelectSubPage(int subPage) {
  subPage_ = std::clamp(subPage, 0, kSubPages - 1);
  ctx_.SetMusicSubPage(subPage_);
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  RefreshFromImage();
}

void CDialogMusic::UpdateFromStatus() {
  const DeviceStatus status = ctx_.Model().Read([](const DeviceState& s) { return s.status; });
  for (int i = 0; i < kMeters; ++i) meters_[static_cast<size_t>(i)]->SetData(status.Meter(i));
  const QString decoder = DecoderName(status.InputFormat());
  if (!decoder.isEmpty()) decoderText_->setText(decoder);
}

// ---- status bar EQ buttons ---------------------------------------------------------------------

bool CDialogMusic::EqBypass() const {
  return ctx_.Model().Read([&](const DeviceState& s) { return EqBypassed(s, SubPageEq(CoreSubPage(subPage_))); });
}

void CDialogMusic::SetEqBypass(bool on) {
  // The status bar asks for the state it now shows, which is the negation of the stored switch
  // whenever the two agree; sending the asked state keeps them together when they do not.
  SetEqBypassed(session_, SubPageEq(CoreSubPage(subPage_)), on);
  panel_->SetBypass(on);
  emit eqBypassChanged(on);
}

void CDialogMusic::ResetCurrentEq() {
  const int set = EqSetOf(subPage_);
  ResetEqSet(session_, set);
  editor_->LoadSet(set);
  ColourBandList();
}

// ---- refresh -----------------------------------------------------------------------------------

void CDialogMusic::SetTips() {
  const auto t = [this](const TextPair& pair) { return ctx_.T(pair); };
  static constexpr TextPair kSubPageTips[kSubPages] = {
      {"话筒通道A的均衡与反馈抑制", "EQ and feedback suppression of microphone channel A"},
      {"话筒通道B的均衡与反馈抑制", "EQ and feedback suppression of microphone channel B"},
      {"音乐的均衡", "The music EQ"}};
  for (int k = 0; k < kSubPages; ++k) subPages_->button(k)->setToolTip(t(kSubPageTips[k]));
  for (const MicRow& row : rows_) {
    for (QRadioButton* radio : row.route)
      radio->setToolTip(t({"这个话筒口送往哪个话筒通道（A或B）", "Which microphone channel (A or B) this input feeds"}));
    row.meter->setToolTip(t({"这个话筒口的信号电平", "The signal level at this microphone input"}));
    for (QWidget* w : {static_cast<QWidget*>(row.gateCaption), static_cast<QWidget*>(row.gate)})
      w->setToolTip(t({"噪声门：低于此电平的话筒声音被静音", "MNG, the microphone noise gate: microphone sound below this level is silenced"}));
    for (QWidget* w : {static_cast<QWidget*>(row.volumeCaption), static_cast<QWidget*>(row.volume)})
      w->setToolTip(t({"这个话筒口的音量", "The volume of this microphone input"}));
  }
  for (int i = kMics; i < kMeters; ++i) meters_[static_cast<size_t>(i)]->setToolTip(t({"音乐的信号电平", "The music signal level"}));
  decoderText_->setToolTip(t({"解码器当前收到的音频格式", "The audio format the decoder receives now"}));
  reverbCurve_->setToolTip(t({"混响均衡：点击打开混响页面", "Reverb EQ: click to open the reverb page"}));
  echoCurve_->setToolTip(t({"回声均衡：点击打开回声页面", "Echo EQ: click to open the echo page"}));
  const QString fbc = t({"移频反馈抑制：把话筒信号移动几赫兹以抑制啸叫；最下面为关闭",
                         "Feedback suppression: shifts the microphone signal by a few hertz against howling; "
                         "the bottom position is off"});
  for (QWidget* w : {static_cast<QWidget*>(fbcTitle_), static_cast<QWidget*>(fbcSlider_), static_cast<QWidget*>(fbcValue_)})
    w->setToolTip(fbc);
  NameControlsForScreenReaders(this);  // the page may come after the window named its controls
}

void CDialogMusic::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  SetTips();
  panel_->SetLanguage(ctx_.Language());
  editor_->SetLanguage(ctx_.Language());
  RefreshFromImage();
}

void CDialogMusic::RefreshFromImage() {
  const DeviceState s = ctx_.Model().Snapshot();
  RefreshRouting(s);
  RefreshMicRows(s);
  RefreshSubPageControls();
  RefreshSliders(s);
  RefreshEq(s);
  ColourBandList();
  RefreshCurves(s);
}

void CDialogMusic::RefreshRouting(const DeviceState& s) {
  for (int m = 0; m < kMics; ++m) {
    const bool toA = MicChannelOf(s, m) == MicChannel::kA;
    rows_[static_cast<size_t>(m)].route[0]->setChecked(toA);
    rows_[static_cast<size_t>(m)].route[1]->setChecked(!toA);
  }
}

void CDialogMusic::RefreshMicRows(const DeviceState& s) {
  // Only the four-microphone model has inputs 3 and 4; their values stay as they are elsewhere.
  const bool fourMics = s.info.ModuleName() == "ML07";
  for (int m = 2; m < kMics; ++m) {
    const MicRow& row = rows_[static_cast<size_t>(m)];
    for (QWidget* w : std::initializer_list<QWidget*>{row.title, row.route[0], row.route[1], row.meter, row.gateCaption,
                                                      row.gate, row.gateValue, row.volumeCaption, row.volume,
                                                      row.volumeValue})
      w->setVisible(fourMics);
  }
}

void CDialogMusic::RefreshSubPageControls() {
  subPages_->button(subPage_)->setChecked(true);
  const bool mic = subPage_ != kMusic;
  fbcTitle_->setEnabled(mic);
  effectGroup_->setEnabled(mic);
  reverbCurve_->setEnabled(mic);
  echoCurve_->setEnabled(mic);
}

void CDialogMusic::RefreshSliders(const DeviceState& s) {
  for (int m = 0; m < kMics; ++m) {
    MicRow& row = rows_[static_cast<size_t>(m)];
    const int gate = MicGate(s, m);
    const int volume = MicVolume(s, m);
    const QSignalBlocker g(row.gate), v(row.volume);
    row.gate->setValue(gate);
    row.volume->setValue(volume);
    row.gateValue->setText(QString::number(gate));
    row.volumeValue->setText(QString::number(volume));
  }
  const bool mic = subPage_ != kMusic;
  fbcColumn_->setVisible(mic);
  if (mic) {
    const int level = FbcLevel(s, static_cast<MicChannel>(subPage_));
    const QSignalBlocker b(fbcSlider_);
    fbcSlider_->setValue(level);
    SetFbcValueText(level);
  }
}

void CDialogMusic::RefreshEq(const DeviceState& s) {
  const InputEq eq = SubPageEq(CoreSubPage(subPage_));
  editor_->LoadSet(eq.set);  // no band selected, the list shown with the set's rows
  const bool bypass = EqBypassed(s, eq);
  panel_->SetBypass(bypass);
  emit eqBypassChanged(bypass);
}

void CDialogMusic::ColourBandList() {
  editor_->SetListTextColour(kSubPageColours[static_cast<size_t>(subPage_)].listText);
}

void CDialogMusic::RefreshCurves(const DeviceState& s) {
  const SubPageColours& colours = kSubPageColours[static_cast<size_t>(subPage_)];
  const MicChannel channel = subPage_ == kMicB ? MicChannel::kB : MicChannel::kA;
  auto load = [&](CSmallEqPanel* curve, const InputEq& eq) {
    const int set = eq.set;
    for (int b = 0; b < CSmallEqPanel::kBands; ++b) {
      const EqBand band = s.Band(set, b);
      // A band switched off, or of a type the preview cannot draw, shows as flat.
      const bool drawable = curve->SetBandType(b, band.type);
      if (!drawable) curve->SetBandType(b, 1);
      curve->SetBandFrequency(b, band.freq);
      curve->SetBandGain(b, drawable ? band.gainDb : 0.0);
      curve->SetBandQ(b, band.q);
    }
    curve->SetShaded(subPage_ != kMusic && EqBypassed(s, eq));
    curve->SetCurveColour(colours.curve);
  };
  load(reverbCurve_, EffectEq(ReverbOf(channel)));
  load(echoCurve_, EffectEq(EchoOf(channel)));
}

}  // namespace nr::gui
