#include "outputs/CDelayDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "inputs/InputPages.h"
#include "link/DeviceModel.h"
#include "outputs/CDelayPanel.h"
#include "outputs/Delay.h"
#include "outputs/OutputHeaderRow.h"
#include "outputs/OutputTips.h"
#include "shell/AppContext.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

constexpr std::array<int, kOutputCount> kCaptionIds{1123, 1124, 1125, 1126, 1131, 1132, 1135, 1136};
constexpr int kSplitIdFirst = 1190;  // + 2 n, and + 1 for the channel radio
constexpr int kOnIdFirst = 1293;
constexpr int kRowHeight = 38;

QString SplitText(int index) { return QString::asprintf("%dHz", SplitFrequency(index)); }

int TenthsOf(double ms) { return static_cast<int>(std::lround(ms * 10.0)); }

}  // namespace

CDelayDlg::CDelayDlg(AppContext& ctx, DeviceSession& session, PageHost& host, QWidget* parent)
    : Page(parent), ctx_(ctx), session_(session), host_(host) {
  Build();
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyPageTips();
  RefreshFromImage();
}

void CDelayDlg::Build() {
  ApplyOutputPageStyle(this);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(8, 6, 8, 8);
  root->setSpacing(8);
  header_ = new OutputHeaderRow(ctx_, this);
  header_->ConnectNavigation(OutputPageKind::kDelay, ctx_, session_, host_);
  root->addWidget(header_);

  // One grid holds the rows and the bar graph, whose rows line up with them.
  auto* group = new QGroupBox(this);
  auto* grid = new QGridLayout(group);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(0);
  for (int c = 0; c < kOutputCount; ++c) {
    Row& row = rows_[static_cast<size_t>(c)];
    row.caption = WithId(new QLabel(QString::fromUtf8("通道%1").arg(c + 1), group), kCaptionIds[static_cast<size_t>(c)]);
    row.on = WithId(new QCheckBox(QString::fromUtf8("开关"), group), kOnIdFirst + c);
    row.split = WithId(new QRadioButton(QString::fromUtf8("高频延时"), group), kSplitIdFirst + 2 * c);
    row.whole = WithId(new QRadioButton(QString::fromUtf8("通道延时"), group), kSplitIdFirst + 2 * c + 1);
    auto* modes = new QButtonGroup(group);
    modes->addButton(row.split);
    modes->addButton(row.whole);
    row.frequency = new QSlider(Qt::Horizontal, group);
    row.frequency->setRange(0, kSplitSteps - 1);
    row.frequency->setPageStep(5);
    row.frequency->setMinimumWidth(90);
    row.frequencyValue = new QLabel(group);
    row.frequencyValue->setMinimumWidth(row.frequencyValue->fontMetrics().horizontalAdvance(QStringLiteral("3000Hz")) + 4);
    row.frequencyValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row.ms = new QDoubleSpinBox(group);
    row.ms->setRange(kDelayMinTenths / 10.0, kDelayMaxTenths / 10.0);
    row.ms->setDecimals(1);
    row.ms->setSingleStep(0.1);
    row.ms->setSuffix(QStringLiteral("ms"));
    row.ms->setKeyboardTracking(false);  // a typed value counts once Enter is pressed
    row.ms->setAlignment(Qt::AlignRight);
    QWidget* const cells[] = {row.caption, row.on, row.split, row.whole, row.frequency, row.frequencyValue, row.ms};
    for (int col = 0; col < 7; ++col) grid->addWidget(cells[col], c, col);
    grid->setRowMinimumHeight(c, kRowHeight);
    connect(row.on, &QCheckBox::clicked, this, [this, c](bool on) { OnSwitch(c, on); });
    connect(row.split, &QRadioButton::clicked, this, [this, c] { OnMode(c, false); });
    connect(row.whole, &QRadioButton::clicked, this, [this, c] { OnMode(c, true); });
    connect(row.frequency, &QSlider::valueChanged, this, [this, c](int index) { OnSplit(c, index); });
    connect(row.ms, &QDoubleSpinBox::valueChanged, this, [this, c](double ms) { OnDelayBox(c, ms); });
  }
  graph_ = new CDelayPanel(group);
  graph_->setMinimumHeight(kOutputCount * kRowHeight + CDelayPanel::kScaleHeight);
  graph_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  graph_->SetLanguage(ctx_.Language());
  connect(graph_, &CDelayPanel::valueDragged, this, &CDelayDlg::OnDragged);
  grid->setRowMinimumHeight(kOutputCount, CDelayPanel::kScaleHeight);
  grid->addWidget(graph_, 0, 7, kOutputCount + 1, 1);
  grid->setColumnStretch(4, 1);
  grid->setColumnStretch(7, 2);
  grid->setRowStretch(kOutputCount + 1, 1);
  root->addWidget(group, 1);

  wheel_ = new FocusWheelRouter(this, [this](QWidget* focus) { return RoutedWheelTarget(focus); });
  wheel_->Install();
}

bool CDelayDlg::RoutedWheelTarget(QWidget* focus) const {
  for (const Row& row : rows_)
    if (focus == row.frequency) return true;
  return false;
}

void CDelayDlg::OnSwitch(int channel, bool on) {
  SetDelayOn(session_, channel, on);
  EnableRow(channel, on, rows_[static_cast<size_t>(channel)].whole->isChecked());
}

void CDelayDlg::OnMode(int channel, bool channelDelay) {
  SetDelaySplitMode(session_, channel, channelDelay);
  EnableRow(channel, rows_[static_cast<size_t>(channel)].on->isChecked(), channelDelay);
}

void CDelayDlg::OnSplit(int channel, int index) {
  SetDelaySplitFrequency(session_, channel, index);
  rows_[static_cast<size_t>(channel)].frequencyValue->setText(SplitText(index));
}

void CDelayDlg::OnDelayBox(int channel, double ms) {
  const int tenths = TenthsOf(ms);
  SetDelayTenths(session_, channel, tenths);
  graph_->SetValue(channel, static_cast<float>(tenths / 10.0));
}

void CDelayDlg::OnDragged(int channel, float ms) {
  const int tenths = std::clamp(TenthsOf(ms), kDelayMinTenths, kDelayMaxTenths);
  QDoubleSpinBox* box = rows_[static_cast<size_t>(channel)].ms;
  if (TenthsOf(box->value()) == tenths) return;  // the drag stays within the same tenth
  {
    const QSignalBlocker block(box);
    box->setValue(tenths / 10.0);
  }
  SetDelayTenths(session_, channel, tenths);
}

void CDelayDlg::EnableRow(int channel, bool on, bool channelDelay) {
  Row& row = rows_[static_cast<size_t>(channel)];
  row.split->setEnabled(on);
  row.whole->setEnabled(on);
  row.frequency->setEnabled(on && !channelDelay);
  row.frequencyValue->setEnabled(on && !channelDelay);
}

void CDelayDlg::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  ApplyPageTips();
  header_->Relabel();
  graph_->SetLanguage(ctx_.Language());
  RefreshFromImage();
}

void CDelayDlg::RefreshFromImage() {
  const DeviceState s = ctx_.Model().Snapshot();
  header_->SetCurrent(OutputPageKind::kDelay, -1);
  for (int c = 0; c < kOutputCount; ++c) RefreshRow(s, c);
}

void CDelayDlg::RefreshRow(const DeviceState& s, int channel) {
  Row& row = rows_[static_cast<size_t>(channel)];
  const bool on = DelayOn(s, channel);
  const bool whole = ChannelDelayMode(s, channel);
  const int index = DelaySplitIndex(s, channel);
  const int tenths = DelayTenths(DelayMs(s, channel));
  row.on->setChecked(on);
  (whole ? row.whole : row.split)->setChecked(true);
  {
    const QSignalBlocker a(row.frequency), b(row.ms);
    row.frequency->setValue(index);
    row.ms->setValue(tenths / 10.0);
  }
  row.frequencyValue->setText(SplitText(index));
  graph_->SetValue(channel, static_cast<float>(tenths / 10.0));
  EnableRow(channel, on, whole);
}

void CDelayDlg::ApplyPageTips() {
  ApplyOutputPageTips(this, kDialogNumber, ctx_.Language());
  for (Row& row : rows_)
    row.frequency->setToolTip(ctx_.T({"高频延时的分频频率", "The split frequency of the high-frequency delay"}));
}

}  // namespace nr::gui
