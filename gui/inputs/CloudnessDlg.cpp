#include "inputs/CloudnessDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "inputs/CExciterEQPanel.h"
#include "inputs/CExciterPanel.h"
#include "inputs/InputPages.h"
#include "shell/CloseButton.h"
#include "shell/AppContext.h"
#include "shell/ControlTips.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

// What each slider edits: caption, range, label format and its place in FeatureSettings.
struct SliderSpec {
  int captionId;
  const char* templateText;
  IntRange range;
  const char* format;  // one %d
  const char* widest;
};

const SliderSpec& Spec(CloudnessDlg::Slider s) {
  static const SliderSpec kSpecs[CloudnessDlg::kSliders] = {
      {1131, "低频", ExciterBands()[0].frequency, "%dHz", "18000Hz"},
      {1132, "增益", kExciterGainRange, "%ddB", "12dB"},
      {1133, "中频", ExciterBands()[1].frequency, "%dHz", "18000Hz"},
      {1134, "增益", kExciterGainRange, "%ddB", "12dB"},
      {1135, "高频", ExciterBands()[2].frequency, "%dHz", "18000Hz"},
      {1136, "增益", kExciterGainRange, "%ddB", "12dB"},
      {1137, "谐波增益", kPercentRange, "%d%%", "100%"},
      {1138, "谐波次数比", kPercentRange, "%d%%", "100%"},
      {1139, "谐波混合比", kPercentRange, "%d%%", "100%"},
      {1140, "音乐低频频率", kMaxBassFrequencyRange, "%dHz", "300Hz"},
      {1141, "音乐低频延时", kMaxBassDelayRange, "%dms", "20ms"},
      {1142, "音乐低频增益", kMaxBassGainRange, "%d%%", "300%"},
      {1005, "超低比例", kPercentRange, "%d%%", "100%"},
      {1143, "输入电平限制", kAutoLevelThresholdRange, "%ddB", "-60dB"},
      {1144, "启动时间", kAutoLevelAttackRange, "%dms", "100ms"},
      {1145, "释放时间", kAutoLevelReleaseRange, "%dms", "1000ms"},
  };
  return kSpecs[s];
}

constexpr ControlTip kTips[] = {
    {1040, {"启用话筒激励：给人声加上谐波，使其更明亮", "Switch the microphone exciter on: harmonics make the voice brighter"}},
    {1041, {"启用激励的三段均衡", "Switch the exciter's three-band EQ on"}},
    {1131, {"激励均衡低频段的频率", "Frequency of the exciter EQ's low band"}},
    {1132, {"激励均衡低频段的增益", "Gain of the exciter EQ's low band"}},
    {1133, {"激励均衡中频段的频率", "Frequency of the exciter EQ's middle band"}},
    {1134, {"激励均衡中频段的增益", "Gain of the exciter EQ's middle band"}},
    {1135, {"激励均衡高频段的频率", "Frequency of the exciter EQ's high band"}},
    {1136, {"激励均衡高频段的增益", "Gain of the exciter EQ's high band"}},
    {1137, {"加入的谐波有多响", "How loud the added harmonics are"}},
    {1138, {"奇次与偶次谐波的比例", "The balance of odd and even harmonics"}},
    {1139, {"谐波与原声的混合比例", "How much harmonics are mixed with the original sound"}},
    {1140, {"音乐超级低音的分频频率：低于此频率的音乐被加强", "Super bass crossover: music below this frequency is reinforced"}},
    {1141, {"超级低音的延时", "Delay of the super bass"}},
    {1142, {"超级低音的增益", "Gain of the super bass"}},
    {1045, {"启用自动超低：有人说话或唱歌时降低超低音", "Automatic SUB: lower the subwoofer while someone sings or speaks"}},
    {1005, {"有话筒信号时超低音降到的比例", "The subwoofer level while the microphones are in use"}},
    {1042, {"启用音乐输入电平自动控制", "Switch the automatic music input level on"}},
    {1143, {"音乐输入高于此电平时被自动压低", "Music input above this level is turned down automatically"}},
    {1144, {"超过限制后多快开始压低", "How soon the level comes down once above the limit"}},
    {1145, {"回到限制以下后多快恢复", "How soon the level recovers once back below the limit"}},
};

constexpr std::array<ExciterBand, 3> kBandOrder{ExciterBand::kLow, ExciterBand::kMid, ExciterBand::kHigh};

int SliderValueOf(const FeatureSettings& f, CloudnessDlg::Slider s) {
  switch (s) {
    case CloudnessDlg::kLowFrequency: return f.exciterFrequency[0];
    case CloudnessDlg::kLowGain: return f.exciterGain[0];
    case CloudnessDlg::kMidFrequency: return f.exciterFrequency[1];
    case CloudnessDlg::kMidGain: return f.exciterGain[1];
    case CloudnessDlg::kHighFrequency: return f.exciterFrequency[2];
    case CloudnessDlg::kHighGain: return f.exciterGain[2];
    case CloudnessDlg::kHarmonicGain: return f.harmonicGain;
    case CloudnessDlg::kHarmonicOrder: return f.harmonicOrder;
    case CloudnessDlg::kHarmonicMix: return f.harmonicMix;
    case CloudnessDlg::kMaxBassFrequency: return f.maxBassFrequency;
    case CloudnessDlg::kMaxBassDelay: return f.maxBassDelay;
    case CloudnessDlg::kMaxBassGain: return f.maxBassGain;
    case CloudnessDlg::kAutoSubLevel: return f.autoSubLevel;
    case CloudnessDlg::kAutoLevelThreshold: return f.autoLevelThreshold;
    case CloudnessDlg::kAutoLevelAttack: return f.autoLevelAttack;
    case CloudnessDlg::kAutoLevelRelease: return f.autoLevelRelease;
    case CloudnessDlg::kSliders: break;
  }
  return 0;
}

QGroupBox* Group(const char* title, int id, QWidget* parent) {
  return WithId(new QGroupBox(QString::fromUtf8(title), parent), id);
}

}  // namespace

CloudnessDlg::CloudnessDlg(AppContext& ctx, DeviceSession& session, QWidget* parent)
    : QDialog(parent), ctx_(ctx), session_(session) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setWindowTitle(QString::fromUtf8("特色功能"));
  ApplyInputPageStyle(this);
  auto* root = new QHBoxLayout(this);
  root->setContentsMargins(12, 10, 12, 12);
  root->setSpacing(10);
  root->addWidget(BuildExciter(), 1);
  auto* right = new QVBoxLayout;
  right->addWidget(BuildMaxBass());
  right->addWidget(BuildAutoSub());
  right->addWidget(BuildAutoLevel());
  right->addStretch(1);
  right->addLayout(CloseButtonRow(*this, ctx_));
  root->addLayout(right);
  for (int s = kMaxBassFrequency; s < kSliders; ++s) sliders_[static_cast<size_t>(s)].slider->setMinimumWidth(120);

  auto* wheel = new FocusWheelRouter(this, [this](QWidget* focus) {
    for (const SliderRow& row : sliders_)
      if (focus == row.slider) return true;
    return false;
  });
  wheel->Install();
  RefreshFromImage();
  Relabel();
}

// ---- construction ------------------------------------------------------------------------------

void CloudnessDlg::AddRow(QGridLayout* grid, int row, Slider s) {
  const SliderSpec& spec = Spec(s);
  sliders_[s] = AddSliderRow(grid, row, 0, spec.captionId, QString::fromUtf8(spec.templateText), spec.range.min,
                             spec.range.max, QString::fromLatin1(spec.widest));
  connect(sliders_[s].slider, &QSlider::valueChanged, this, [this, s](int v) { OnSlider(s, v); });
}

QWidget* CloudnessDlg::BuildExciter() {
  auto* group = Group("话筒激励", 1002, this);
  auto* layout = new QVBoxLayout(group);
  auto* switches = new QHBoxLayout;
  checks_[kExciter] = WithId(new QCheckBox(QString::fromUtf8("激励启用"), group), 1040);
  checks_[kExciterEq] = WithId(new QCheckBox(QString::fromUtf8("均衡启用"), group), 1041);
  switches->addWidget(checks_[kExciter]);
  switches->addWidget(checks_[kExciterEq]);
  switches->addStretch(1);
  layout->addLayout(switches);

  auto* eqGroup = Group("激励均衡", 1018, group);
  auto* eqLayout = new QHBoxLayout(eqGroup);
  auto* eqRows = new QWidget(eqGroup);
  auto* eqGrid = new QGridLayout(eqRows);
  eqGrid->setContentsMargins(0, 0, 0, 0);
  for (int s = kLowFrequency; s <= kHighGain; ++s) AddRow(eqGrid, s, static_cast<Slider>(s));
  exciterEq_ = new CExciterEQPanel(ctx_.Language(), eqGroup);
  exciterEq_->setMinimumSize(420, 200);
  eqLayout->addWidget(eqRows);
  eqLayout->addWidget(exciterEq_, 1);
  layout->addWidget(eqGroup);

  auto* harmonicGroup = Group("谐波", 1021, group);
  auto* harmonicLayout = new QHBoxLayout(harmonicGroup);
  auto* harmonicRows = new QWidget(harmonicGroup);
  auto* harmonicGrid = new QGridLayout(harmonicRows);
  harmonicGrid->setContentsMargins(0, 0, 0, 0);
  for (int s = kHarmonicGain; s <= kHarmonicMix; ++s) AddRow(harmonicGrid, s - kHarmonicGain, static_cast<Slider>(s));
  harmonicGrid->setRowStretch(3, 1);
  harmonics_ = new CExciterPanel(harmonicGroup);
  harmonics_->setMinimumSize(420, 200);
  harmonicLayout->addWidget(harmonicRows);
  harmonicLayout->addWidget(harmonics_, 1);
  layout->addWidget(harmonicGroup);

  connect(checks_[kExciter], &QCheckBox::clicked, this, [this](bool on) { OnCheck(kExciter, on); });
  connect(checks_[kExciterEq], &QCheckBox::clicked, this, [this](bool on) { OnCheck(kExciterEq, on); });
  return group;
}

QWidget* CloudnessDlg::BuildMaxBass() {
  auto* group = Group("音乐超级低音", 1003, this);
  auto* grid = new QGridLayout(group);
  for (int s = kMaxBassFrequency; s <= kMaxBassGain; ++s) AddRow(grid, s - kMaxBassFrequency, static_cast<Slider>(s));
  grid->setRowStretch(3, 1);
  return group;
}

QWidget* CloudnessDlg::BuildAutoSub() {
  auto* group = Group("自动超低", 1007, this);
  auto* grid = new QGridLayout(group);
  checks_[kAutoSub] = WithId(new QCheckBox(QString::fromUtf8("启用"), group), 1045);
  grid->addWidget(checks_[kAutoSub], 0, 0, 1, 3);
  AddRow(grid, 1, kAutoSubLevel);
  auto* text = WithId(new QLabel(QString::fromUtf8(
                                     "当检测到话筒信号时，超低音量自动调节成所设置的超低比例，1秒之后，超低音量逐渐恢复成正常比例"),
                                 group),
                      1237);
  text->setObjectName(QStringLiteral("hint"));
  text->setWordWrap(true);
  text->setMaximumWidth(320);
  grid->addWidget(text, 2, 0, 1, 3);
  grid->setRowStretch(3, 1);
  connect(checks_[kAutoSub], &QCheckBox::clicked, this, [this](bool on) { OnCheck(kAutoSub, on); });
  return group;
}

QWidget* CloudnessDlg::BuildAutoLevel() {
  auto* group = Group("音乐输入电平自动控制", 1013, this);
  auto* grid = new QGridLayout(group);
  checks_[kAutoLevel] = WithId(new QCheckBox(QString::fromUtf8("启用"), group), 1042);
  grid->addWidget(checks_[kAutoLevel], 0, 0, 1, 3);
  for (int s = kAutoLevelThreshold; s <= kAutoLevelRelease; ++s) AddRow(grid, s - kAutoLevelThreshold + 1, static_cast<Slider>(s));
  grid->setRowStretch(4, 1);
  connect(checks_[kAutoLevel], &QCheckBox::clicked, this, [this](bool on) { OnCheck(kAutoLevel, on); });
  return group;
}

// ---- showing -----------------------------------------------------------------------------------

void CloudnessDlg::ShowSlider(Slider s, int value) {
  const int shown = Spec(s).range.Clamp(value);
  sliders_[s].Show(shown, QString::asprintf(Spec(s).format, shown));
}

void CloudnessDlg::ShowExciterDisplays(const FeatureSettings& f) {
  exciterEq_->SetBands(ExciterEqBands(f));
  exciterEq_->SetBypass(!f.exciterEqOn);
  harmonics_->SetValues(f.harmonicGain, f.harmonicOrder, f.harmonicMix);
  harmonics_->SetOn(f.exciterOn);
}

FeatureSettings CloudnessDlg::StoredFeatures() const {
  return ctx_.Model().Read([](const DeviceState& s) { return ReadFeatures(s); });
}

void CloudnessDlg::RefreshFromImage() {
  const FeatureSettings f = StoredFeatures();
  checks_[kExciter]->setChecked(f.exciterOn);
  checks_[kExciterEq]->setChecked(f.exciterEqOn);
  checks_[kAutoSub]->setChecked(f.autoSubOn);
  checks_[kAutoLevel]->setChecked(f.autoLevelOn);
  for (int s = 0; s < kSliders; ++s) ShowSlider(static_cast<Slider>(s), SliderValueOf(f, static_cast<Slider>(s)));
  ShowExciterDisplays(f);
}

void CloudnessDlg::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyControlTips(this, ctx_.Language(), kTips);
  exciterEq_->SetLanguage(ctx_.Language());
  exciterEq_->setToolTip(ctx_.T({"激励均衡的曲线：L、M、H三段随左边的滑块变化",
                                 "The exciter EQ's curve: its L, M and H bands follow the sliders beside it"}));
}

// ---- edits -------------------------------------------------------------------------------------

void CloudnessDlg::OnSlider(Slider s, int value) {
  switch (s) {
    case kLowFrequency:
    case kMidFrequency:
    case kHighFrequency:
      SetExciterFrequency(session_, kBandOrder[static_cast<size_t>((s - kLowFrequency) / 2)], value);
      break;
    case kLowGain:
    case kMidGain:
    case kHighGain:
      SetExciterGain(session_, kBandOrder[static_cast<size_t>((s - kLowGain) / 2)], value);
      break;
    case kHarmonicGain:
      SetHarmonic(session_, Harmonic::kGain, value);
      break;
    case kHarmonicOrder:
      SetHarmonic(session_, Harmonic::kOrder, value);
      break;
    case kHarmonicMix:
      SetHarmonic(session_, Harmonic::kMix, value);
      break;
    case kMaxBassFrequency:
      SetMaxBassFrequency(session_, value);
      break;
    case kMaxBassDelay:
      SetMaxBassDelay(session_, value);
      break;
    case kMaxBassGain:
      SetMaxBassGain(session_, value);
      break;
    case kAutoSubLevel:
      SetAutoSubLevel(session_, value);
      break;
    case kAutoLevelThreshold:
      SetAutoLevelValue(session_, AutoLevelValue::kThreshold, value);
      break;
    case kAutoLevelAttack:
      SetAutoLevelValue(session_, AutoLevelValue::kAttack, value);
      break;
    case kAutoLevelRelease:
      SetAutoLevelValue(session_, AutoLevelValue::kRelease, value);
      break;
    case kSliders:
      return;
  }
  sliders_[s].value->setText(QString::asprintf(Spec(s).format, value));
  if (s <= kHarmonicMix) ShowExciterDisplays(StoredFeatures());
}

void CloudnessDlg::OnCheck(Check c, bool on) {
  switch (c) {
    case kExciter:
      SetExciterOn(session_, on);
      break;
    case kExciterEq:
      SetExciterEqOn(session_, on);
      break;
    case kAutoSub:
      SetAutoSub(session_, on);
      break;
    case kAutoLevel:
      SetAutoMusicLevel(session_, on);
      break;
    case kChecks:
      return;
  }
  if (c == kExciter || c == kExciterEq) ShowExciterDisplays(StoredFeatures());
}

}  // namespace nr::gui
