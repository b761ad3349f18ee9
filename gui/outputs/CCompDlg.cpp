#include "outputs/CCompDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "inputs/InputPages.h"
#include "link/DeviceModel.h"
#include "outputs/CCompressPanelPlus.h"
#include "outputs/CompressorControls.h"
#include "outputs/OutputHeaderRow.h"
#include "outputs/OutputTips.h"
#include "shell/AppContext.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

constexpr int kSelectCaptionId = 1220;
constexpr int kSwitchId = 1045;

}  // namespace

CCompDlg::CCompDlg(AppContext& ctx, DeviceSession& session, PageHost& host, int output, QWidget* parent)
    : Page(parent), ctx_(ctx), session_(session), host_(host), output_(ValidChannel(output) ? output : 0) {
  Build();
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyPageTips();
  RefreshFromImage();
}

void CCompDlg::Build() {
  ApplyOutputPageStyle(this);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(8, 6, 8, 8);
  root->setSpacing(8);
  header_ = new OutputHeaderRow(ctx_, this);
  header_->ConnectNavigation(OutputPageKind::kComp, ctx_, session_, host_);
  root->addWidget(header_);

  auto* body = new QHBoxLayout;
  body->setSpacing(10);
  auto* left = new QGroupBox(this);
  left->setMinimumWidth(300);
  auto* leftLayout = new QVBoxLayout(left);
  auto* select = new QHBoxLayout;
  select->addWidget(WithId(new QLabel(QString::fromUtf8("选择通道"), left), kSelectCaptionId));
  outputs_ = new QComboBox(left);
  outputs_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  select->addWidget(outputs_);
  select->addStretch(1);
  leftLayout->addLayout(select);
  controls_ = new CompressorControls(kSwitchId, "压限启用", CompressorControls::ValueStyle::kBoxes, left);
  leftLayout->addWidget(controls_);
  leftLayout->addStretch(1);
  body->addWidget(left);

  curve_ = new CCompressPanelPlus(this);
  curve_->SetLowerBound(CCompressPanelPlus::kMinLevel);
  curve_->SetLowerSlope(1.0);
  curve_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  body->addWidget(curve_, 1);
  root->addLayout(body, 1);

  FillOutputList();
  connect(outputs_, &QComboBox::activated, this, &CCompDlg::SelectOutput);
  connect(controls_, &CompressorControls::sliderMoved, this, &CCompDlg::OnSlider);
  connect(controls_, &CompressorControls::switchClicked, this, &CCompDlg::OnSwitch);
  wheel_ = new FocusWheelRouter(this, [this](QWidget* focus) { return controls_->HoldsSlider(focus); });
  wheel_->Install();
}

void CCompDlg::FillOutputList() {
  const QSignalBlocker block(outputs_);
  outputs_->clear();
  for (int c = 0; c < kOutputCount; ++c) outputs_->addItem(ChannelText(c, ctx_.Language()));
  outputs_->setCurrentIndex(output_);
}

void CCompDlg::SelectOutput(int output) {
  if (!ValidChannel(output)) return;
  output_ = output;
  ctx_.SetOutputChannel(output);
  RefreshFromImage();
}

void CCompDlg::OnSlider(CompressorSlider slider, int position) {
  const DynamicsSettings current = ctx_.Model().Read([&](const DeviceState& s) { return CompressorSettings(s, output_); });
  const DynamicsSettings d = WithCompressorSlider(current, slider, position);
  controls_->ShowValue(slider, d);
  ShowCurve(d, controls_->Switch()->isChecked());
  WriteCompressor(session_, output_, d);
}

void CCompDlg::OnSwitch(bool on) {
  SetCompressorOn(session_, output_, on);
  curve_->SetOn(on);
}

void CCompDlg::ShowCurve(const DynamicsSettings& d, bool on) {
  curve_->SetThreshold(d.threshold);
  curve_->SetRatio(d.ratio);
  curve_->SetOn(on);
}

void CCompDlg::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyPageTips();
  header_->Relabel();
  FillOutputList();
  RefreshFromImage();
}

void CCompDlg::RefreshFromImage() {
  const DeviceState s = ctx_.Model().Snapshot();
  header_->SetCurrent(OutputPageKind::kComp, output_);
  {
    const QSignalBlocker block(outputs_);
    outputs_->setCurrentIndex(output_);
  }
  const DynamicsSettings d = CompressorSettings(s, output_);
  const bool on = CompressorOn(s, output_);
  controls_->Show(d, on);
  ShowCurve(d, on);
}

void CCompDlg::ApplyPageTips() {
  ApplyOutputPageTips(this, kDialogNumber, ctx_.Language());
  outputs_->setToolTip(ctx_.T({"选择要设置压限器的输出", "Choose the output whose compressor to set"}));
}

}  // namespace nr::gui
