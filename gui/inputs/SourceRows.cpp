#include "inputs/SourceRows.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include "inputs/InputPages.h"
#include "shell/AppContext.h"
#include "shell/CloseButton.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

constexpr int kRadioWidth = 110;
constexpr int kSliderWidth = 240;

QString LevelText(int level) { return QStringLiteral("%1%").arg(level); }

}  // namespace

SourceRowsDialog::SourceRowsDialog(AppContext& ctx, DeviceSession& session, QWidget* parent)
    : QDialog(parent), ctx_(ctx), session_(session) {
  ApplyInputPageStyle(this);
  closeButton_ = MakeCloseButton(*this, ctx_);
  radios_ = new QButtonGroup(this);
  radios_->setExclusive(true);
  for (int k = 0; k < kSourceCount; ++k) {
    Row& row = rows_[static_cast<size_t>(k)];
    row.widget = new QWidget(this);
    auto* layout = new QHBoxLayout(row.widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    row.radio = new QRadioButton(QString::fromLatin1(GenericSourceCaptions()[static_cast<size_t>(k)]), row.widget);
    row.radio->setFixedWidth(kRadioWidth);
    row.slider = new QSlider(Qt::Horizontal, row.widget);
    row.slider->setRange(0, kSourceLevelMax);
    row.slider->setSingleStep(1);
    row.slider->setPageStep(10);
    row.slider->setFixedWidth(kSliderWidth);
    row.value = new QLabel(LevelText(kSourceLevelMax), row.widget);
    row.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row.value->setFixedWidth(row.value->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 8);
    layout->addWidget(row.radio);
    layout->addWidget(row.slider);
    layout->addWidget(row.value);
    radios_->addButton(row.radio, k);
    connect(row.slider, &QSlider::valueChanged, this, [this, k](int v) { OnLevel(k, v); });
  }
  connect(radios_, &QButtonGroup::idClicked, this, [this](int k) { SelectSource(session_, k); });
  TipRows();

  auto* wheel = new FocusWheelRouter(this, [this](QWidget* focus) {
    for (const Row& row : rows_)
      if (focus == row.slider) return true;
    return false;
  });
  wheel->Install();
}

bool SourceRowsDialog::RowShown(int source) const { return !rows_[static_cast<size_t>(source)].widget->isHidden(); }

std::vector<int> SourceRowsDialog::ShownSources() const {
  std::vector<int> shown;
  for (int k = 0; k < kSourceCount; ++k)
    if (RowShown(k)) shown.push_back(k);
  return shown;
}

void SourceRowsDialog::SetRowShown(int source, bool shown) { rows_[static_cast<size_t>(source)].widget->setVisible(shown); }

void SourceRowsDialog::SetCaption(int source, const QString& caption) {
  Row& row = rows_[static_cast<size_t>(source)];
  if (row.radio->text() == caption) return;  // a refresh that changes nothing does no work
  row.radio->setText(caption);
  TipRow(row);
}

void SourceRowsDialog::TipRows() {
  for (Row& row : rows_) TipRow(row);
}

void SourceRowsDialog::TipRow(Row& row) {
  const QString source = row.radio->text();
  row.radio->setToolTip(ctx_.T({"播放来自 %1 的音乐", "Play the music from %1"}).arg(source));
  row.slider->setToolTip(ctx_.T({"%1 的输入电平", "The input level of %1"}).arg(source));
  row.slider->setAccessibleName(ctx_.T({"%1 电平", "%1 level"}).arg(source));
}

void SourceRowsDialog::RefreshFromImage() {
  const DeviceState s = ctx_.Model().Snapshot();
  for (int k = 0; k < kSourceCount; ++k) {
    Row& row = rows_[static_cast<size_t>(k)];
    const int level = SourceLevel(s, k);
    const QSignalBlocker quiet(row.slider);
    row.slider->setValue(level);
    row.value->setText(LevelText(level));
  }
  const int selected = SelectedSource(s);
  if (QAbstractButton* radio = radios_->button(selected)) {
    radio->setChecked(true);
  } else if (QAbstractButton* checked = radios_->checkedButton()) {
    // A selection outside 0..13 shows no radio selected.
    radios_->setExclusive(false);
    checked->setChecked(false);
    radios_->setExclusive(true);
  }
}

void SourceRowsDialog::OnLevel(int source, int level) {
  SetSourceLevel(session_, source, level);
  rows_[static_cast<size_t>(source)].value->setText(LevelText(level));
}

}  // namespace nr::gui
