#include "controls/SliderRow.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include "shell/DialogTexts.h"

namespace nr::gui {

void SliderRow::Show(int position, const QString& text) {
  const QSignalBlocker quiet(slider);
  slider->setValue(position);
  value->setText(text);
}

void SliderRow::SetEnabled(bool enabled) {
  caption->setEnabled(enabled);
  slider->setEnabled(enabled);
  value->setEnabled(enabled);
}

void SliderRow::SetVisible(bool visible) {
  caption->setVisible(visible);
  slider->setVisible(visible);
  value->setVisible(visible);
}

SliderRow AddSliderRow(QGridLayout* grid, int row, int column, int captionId, const QString& templateText, int min,
                       int max, const QString& widestValue) {
  QWidget* parent = grid->parentWidget();
  SliderRow r;
  r.caption = new QLabel(templateText, parent);
  if (captionId != 0) WithId(r.caption, captionId);
  r.slider = new QSlider(Qt::Horizontal, parent);
  r.slider->setRange(min, max);
  r.slider->setSingleStep(1);
  r.slider->setPageStep(std::max(1, (max - min) / 10));
  r.slider->setMinimumWidth(140);
  r.value = new QLabel(parent);
  r.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  r.value->setMinimumWidth(r.value->fontMetrics().horizontalAdvance(widestValue) + 6);
  grid->addWidget(r.caption, row, column);
  grid->addWidget(r.slider, row, column + 1);
  grid->addWidget(r.value, row, column + 2);
  return r;
}

}  // namespace nr::gui
