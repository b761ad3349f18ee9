#pragma once
// What the echo and reverb pictures of the effect page share: the frame (a dark field, a level
// grid 0..100 % and a time axis), bars standing on the axis, and a widget that draws its bars
// into an off-screen picture that is only redrawn when a value or the size changes.
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

class ImpulsePanel : public QWidget {
  Q_OBJECT

 public:
  // The bars the picture shows at the present size, in drawing order.
  virtual std::vector<ImpulseBar> Bars() const = 0;

  QSize sizeHint() const override { return QSize(420, 180); }
  QSize minimumSizeHint() const override { return QSize(200, 100); }

 protected:
  ImpulsePanel(int spanMs, QWidget* parent);
  // Stores a copied slider value and redraws when it changed.
  void Changed(int& field, int value);
  ImpulseFrame Frame() const { return ImpulseFrame(size(), spanMs_); }

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Render();

  int spanMs_;
  QPixmap buffer_;  // the finished picture
  bool bufferValid_ = false;
};

}  // namespace nr::gui
