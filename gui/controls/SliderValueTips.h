#pragma once
// While a slider is dragged, a tip beside the pointer shows the value it will set. Installed once
// on the application, it serves every slider of every page and dialog. The tip shows the slider's
// "valueText" property when its owner keeps one (units, a logarithmic scale), else the position.
#include <QObject>

namespace nr::gui {

class SliderValueTips : public QObject {
 public:
  static constexpr const char* kValueTextProperty = "valueText";

  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace nr::gui
