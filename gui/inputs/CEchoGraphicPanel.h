#pragma once
// The echo's impulse picture on the effect page: the direct echo and its ten repeats as bars on a
// 0..4000 ms axis, falling by the decay ratio, and the right channel's repeats beside them when
// its predelay or delay differs from the left. The widget keeps its own copies of the slider
// values; the page hands them over after every change.
#include <QColor>
#include <vector>

#include "inputs/ImpulsePanel.h"

namespace nr::gui {

class CEchoGraphicPanel : public ImpulsePanel {
  Q_OBJECT

 public:
  static constexpr int kSpanMs = 4000;
  static constexpr int kRepeats = 10;
  static const QColor kDirectColour;
  static const QColor kRepeatColour;
  static const QColor kRightColour;

  explicit CEchoGraphicPanel(QWidget* parent = nullptr);

  // Copies of the page's slider values; each repaints.
  void SetPredelay(int ms);
  void SetTime(int ms);
  void SetLevel(int percent);
  void SetDecay(int percent);
  void SetRightPredelay(int percent);
  void SetRightDelay(int percent);

  int Predelay() const { return predelay_; }
  int Time() const { return time_; }
  int Level() const { return level_; }
  int Decay() const { return decay_; }
  int RightPredelay() const { return rightPredelay_; }
  int RightDelay() const { return rightDelay_; }

  // The bars the picture shows at the present size, in drawing order (left channel, then right).
  std::vector<ImpulseBar> Bars() const override;

 private:

  int predelay_ = 30;
  int time_ = 200;
  int level_ = 50;
  int decay_ = 50;
  int rightPredelay_ = 0;
  int rightDelay_ = 0;
};

}  // namespace nr::gui
