#include "shell/CMFCRibbonStepSlider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace nr::gui {

CMFCRibbonStepSlider::CMFCRibbonStepSlider(QWidget* parent) : CMFCRibbonStepSlider(Qt::Horizontal, parent) {}

CMFCRibbonStepSlider::CMFCRibbonStepSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
  setSingleStep(1);
  setTracking(true);
}

int CMFCRibbonStepSlider::DirectionTowards(const QPoint& point) const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
  if (handle.contains(point)) return 0;
  int direction;
  if (orientation() == Qt::Horizontal) {
    direction = point.x() > handle.center().x() ? 1 : -1;
    if (layoutDirection() == Qt::RightToLeft) direction = -direction;
  } else {
    direction = point.y() < handle.center().y() ? 1 : -1;  // up means more
  }
  return invertedAppearance() ? -direction : direction;
}

void CMFCRibbonStepSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !isEnabled()) {
    QSlider::mousePressEvent(event);
    return;
  }
  const int direction = DirectionTowards(event->position().toPoint());
  if (direction == 0) {
    QSlider::mousePressEvent(event);  // on the thumb: start a drag
    return;
  }
  event->accept();
  if (focusPolicy() & Qt::ClickFocus) setFocus(Qt::MouseFocusReason);
  triggerAction(direction > 0 ? SliderSingleStepAdd : SliderSingleStepSub);
}

}  // namespace nr::gui
