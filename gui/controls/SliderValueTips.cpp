#include "controls/SliderValueTips.h"

#include <QAbstractSlider>
#include <QCursor>
#include <QEvent>
#include <QToolTip>

namespace nr::gui {
namespace {

constexpr const char* kWatched = "nrSliderValueTip";

void ShowValue(QAbstractSlider* slider) {
  const QVariant text = slider->property(SliderValueTips::kValueTextProperty);
  const QString shown = text.isValid() ? text.toString() : QString::number(slider->value());
  QToolTip::showText(QCursor::pos() + QPoint(14, -30), shown, slider);
}

}  // namespace

bool SliderValueTips::eventFilter(QObject* watched, QEvent* event) {
  // Polish comes once, before a widget is first shown: the moment to follow a new slider. Its
  // owner connected to valueChanged when it made the slider, so the owner has updated the
  // value text by the time this connection runs.
  if (event->type() == QEvent::Polish) {
    auto* slider = qobject_cast<QAbstractSlider*>(watched);
    if (slider && !slider->property(kWatched).toBool()) {
      slider->setProperty(kWatched, true);
      connect(slider, &QAbstractSlider::valueChanged, slider, [slider] {
        if (slider->isSliderDown()) ShowValue(slider);
      });
      connect(slider, &QAbstractSlider::sliderPressed, slider, [slider] { ShowValue(slider); });
      connect(slider, &QAbstractSlider::sliderReleased, slider, [] { QToolTip::hideText(); });
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace nr::gui
