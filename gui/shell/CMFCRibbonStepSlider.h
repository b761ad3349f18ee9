#pragma once
// A slider for the live controls: a click on the track moves the thumb by exactly one step towards
// the click, so a stray click never makes the device jump by half the range. Dragging the thumb,
// the keyboard and the wheel behave as usual; every change is reported through valueChanged.
#include <QSlider>

namespace nr::gui {

class CMFCRibbonStepSlider : public QSlider {
  Q_OBJECT

 public:
  explicit CMFCRibbonStepSlider(QWidget* parent = nullptr);
  explicit CMFCRibbonStepSlider(Qt::Orientation orientation, QWidget* parent = nullptr);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // +1 when the point lies on the side of the thumb that means a larger value, -1 on the other
  // side, 0 on the thumb itself.
  int DirectionTowards(const QPoint& point) const;
};

}  // namespace nr::gui
