#pragma once
// The echo's impulse picture on the effect page: the direct echo and its ten repeats as bars on a
// 0..4000 ms axis, falling by the decay ratio, and the right channel's repeats beside them when
// its predelay or delay differs from the left. The widget keeps its own copies of the slider
// values; the page hands them over after every change.
#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <vector>

class QPainter;

namespace nr::gui {

// One bar of an impulse picture, in widget pixels: its left edge, height above the time axis and
// fill colour.
struct ImpulseBar {
  int x = 0;
  int height = 0;
  QColor colour;
};

// The frame both effect pictures share: a dark field, a level grid 0..100 % on the left and a time
// axis along the bottom, with ticks every 100 ms and a label every 1000 ms.
class ImpulseFrame {
 public:
  static constexpr int kLeft = 60;         // plot starts here
  static constexpr int kRightMargin = 20;  // plot ends this far from the right edge
  static constexpr int kTop = 20;
  static constexpr int kBottomMargin = 25;
  static constexpr int kBarWidth = 5;

  ImpulseFrame(QSize client, int spanMs) : client_(client), spanMs_(spanMs) {}

  int PlotWidth() const { return client_.width() - kLeft - kRightMargin; }
  int PlotHeight() const { return client_.height() - kTop - kBottomMargin; }
  int Baseline() const { return client_.height() - kBottomMargin; }
  // Left edge of a bar at a time on the axis (the plot width split as the device's tool does,
  // in whole pixels).
  int X(double ms) const;
  bool OnAxis(int x) const { return x >= kLeft && x <= kLeft + PlotWidth(); }

  void Draw(QPainter& p) const;
  static void DrawBars(QPainter& p, const ImpulseFrame& frame, const std::vector<ImpulseBar>& bars);

 private:
  QSize client_;
  int spanMs_;
};

class CEchoGraphicPanel : public QWidget {
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
  std::vector<ImpulseBar> Bars() const;

  QSize sizeHint() const override { return QSize(420, 180); }
  QSize minimumSizeHint() const override { return QSize(200, 100); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Changed(int& field, int value);
  void Render();

  int predelay_ = 30;
  int time_ = 200;
  int level_ = 50;
  int decay_ = 50;
  int rightPredelay_ = 0;
  int rightDelay_ = 0;
  QPixmap buffer_;  // the finished picture; redrawn when a value or the size changes
  bool bufferValid_ = false;
};

}  // namespace nr::gui
