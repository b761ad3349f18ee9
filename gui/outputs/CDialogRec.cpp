#include "outputs/CDialogRec.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

#include "eq/BandEditor.h"
#include "eq/BandWrites.h"
#include "eq/CEqPanel.h"
#include "eq/EqSetCopy.h"
#include "inputs/InputPages.h"
#include "link/DeviceModel.h"
#include "link/EqLayout.h"
#include "outputs/CompressorControls.h"
#include "outputs/OutputHeaderRow.h"
#include "outputs/OutputTips.h"
#include "outputs/RecordOutput.h"
#include "outputs/TitlePicture.h"
#include "shell/AppContext.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

struct LevelSpec {
  const char* caption;
  int id;
};
constexpr std::array<LevelSpec, CDialogRec::kLevels> kLevelSpecs{{
    {"直达声音量", 1123},
    {"混响音量", 1124},
    {"回声音量", 1125},
    {"音乐音量", 1126},
    {"录音电平", 1132},
}};
constexpr int kCompressorSwitchId = 1081;
constexpr int kRecordLevel = kSendCount;
constexpr TextPair kTitle{"录音输出", "RECORD"};

int StoredLevel(const DeviceState& s, int level) { return level == kRecordLevel ? RecordLevel(s) : RecordSend(s, level); }

}  // namespace

CDialogRec::CDialogRec(AppContext& ctx, DeviceSession& session, PageHost& host, QWidget* parent)
    : Page(parent), ctx_(ctx), session_(session), host_(host) {
  Build();
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyPageTips();
  RefreshFromImage();
}

void CDialogRec::Build() {
  ApplyOutputPageStyle(this);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(8, 6, 8, 8);
  root->setSpacing(6);
  header_ = new OutputHeaderRow(ctx_, this);
  header_->ConnectNavigation(OutputPageKind::kRecord, ctx_, session_, host_);
  root->addWidget(header_);

  auto* body = new QHBoxLayout;
  body->setSpacing(8);
  auto* left = new QVBoxLayout;
  left->setSpacing(6);
  title_ = new TitlePicture(TitlePicture::Icon::kRecord, this);
  left->addWidget(title_);
  auto* mix = new QGroupBox(this);
  auto* grid = new QGridLayout(mix);
  grid->setVerticalSpacing(3);
  for (int k = 0; k < kLevels; ++k) {
    const LevelSpec& spec = kLevelSpecs[static_cast<size_t>(k)];
    levels_[static_cast<size_t>(k)] = AddOutputSliderRow(grid, k, spec.caption, spec.id, 0, 100, QStringLiteral("100%"));
    connect(levels_[static_cast<size_t>(k)].slider, &QSlider::valueChanged, this, [this, k](int v) { OnLevel(k, v); });
  }
  left->addWidget(mix);
  auto* dynamics = new QGroupBox(this);
  auto* dynamicsLayout = new QVBoxLayout(dynamics);
  compressor_ = new CompressorControls(kCompressorSwitchId, "压限启用", CompressorControls::ValueStyle::kLabels, dynamics);
  dynamicsLayout->addWidget(compressor_);
  left->addWidget(dynamics);
  left->addStretch(1);
  connect(compressor_, &CompressorControls::switchClicked, this,
          [this](bool on) { SetCompressorOn(session_, kRecordUnit, on); });
  connect(compressor_, &CompressorControls::sliderMoved, this, &CDialogRec::OnCompressorSlider);
  auto* leftBox = new QWidget(this);
  leftBox->setLayout(left);
  leftBox->setFixedWidth(300);
  left->setContentsMargins(0, 0, 0, 0);
  body->addWidget(leftBox);

  panel_ = new CEqPanel(&ctx_.Model(), ctx_.Language(), this);
  panel_->setMinimumSize(300, 200);
  panel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  body->addWidget(panel_, 1);
  editor_ = new BandEditor(*panel_, session_, ctx_.CopiedSet(), ctx_.Language(), this);
  editor_->SetPrompts(&ctx_.UserPrompts());
  ArrangeBandEditor(editor_);
  body->addWidget(editor_);
  root->addLayout(body, 1);

  wheel_ = new FocusWheelRouter(this, [this](QWidget* focus) { return RoutedWheelTarget(focus); });
  wheel_->Install();
}

bool CDialogRec::RoutedWheelTarget(QWidget* focus) const {
  if (compressor_->HoldsSlider(focus)) return true;
  for (const SliderRow& row : levels_)
    if (focus == row.slider) return true;
  return editor_->HoldsWheelTarget(focus);
}

void CDialogRec::OnLevel(int level, int value) {
  if (level == kRecordLevel)
    SetRecordLevel(session_, value);
  else
    SetRecordSend(session_, level, value);
  levels_[static_cast<size_t>(level)].value->setText(QString::asprintf("%d%%", value));
}

void CDialogRec::OnCompressorSlider(CompressorSlider slider, int position) {
  const DynamicsSettings current = ctx_.Model().Read([](const DeviceState& s) { return CompressorSettings(s, kRecordUnit); });
  const DynamicsSettings d = WithCompressorSlider(current, slider, position);
  compressor_->ShowValue(slider, d);
  WriteCompressor(session_, kRecordUnit, d);
}

void CDialogRec::ResetCurrentEq() {
  editor_->ShowList();
  ResetEqSet(session_, kRecordEqSet);
  editor_->LoadSet(kRecordEqSet);
}

void CDialogRec::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyPageTips();
  header_->Relabel();
  panel_->SetLanguage(ctx_.Language());
  editor_->SetLanguage(ctx_.Language());
  RefreshFromImage();
}

void CDialogRec::RefreshFromImage() {
  const DeviceState s = ctx_.Model().Snapshot();
  header_->SetCurrent(OutputPageKind::kRecord, -1);
  title_->SetText(ctx_.T(kTitle));
  for (int k = 0; k < kLevels; ++k) {
    const int value = StoredLevel(s, k);
    ShowSliderValue(levels_[static_cast<size_t>(k)], std::clamp(value, 0, 100), QString::asprintf("%d%%", value));
  }
  editor_->LoadSet(kRecordEqSet);
  panel_->SetBypass(false);
  compressor_->Show(CompressorSettings(s, kRecordUnit), CompressorOn(s, kRecordUnit));
}

void CDialogRec::ApplyPageTips() { ApplyOutputPageTips(this, kDialogNumber, ctx_.Language()); }

}  // namespace nr::gui
