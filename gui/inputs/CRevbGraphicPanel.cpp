#include "inputs/CRevbGraphicPanel.h"

#include <QPainter>
#include <cmath>

namespace nr::gui {

CRevbGraphicPanel::CRevbGraphicPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CRevbGraphicPanel::Changed(int& field, int value) {
  if (field == value) return;
  field = value;
  bufferValid_ = false;
  update();
}

void CRevbGraphicPanel::SetPredelay(int ms) { Changed(predelay_, ms); }
void CRevbGraphicPanel::SetTime(int position) { Changed(time_, position); }
void CRevbGraphicPanel::SetLevel(int percent) { Changed(level_, percent); }

std::vector<ImpulseBar> CRevbGraphicPanel::Bars() const {
  const ImpulseFrame frame(size(), kSpanMs);
  std::vector<ImpulseBar> bars;
  if (frame.PlotWidth() <= 0 || frame.PlotHeight() <= 0) return bars;
  const double full = level_ / 100.0 * frame.PlotHeight();
  const int n = BarCount(time_);
  bars.reserve(static_cast<size_t>(n));
  bars.push_back({frame.X(predelay_), static_cast<int>(full), CEchoGraphicPanel::kDirectColour});
  // A linear fall over the reverb time in 100 ms steps.
  for (int i = 1; i < n; ++i) {
    const int height = static_cast<int>(std::trunc((n - i) * 0.95 / n * full));
    bars.push_back({frame.X(i * kStepMs + predelay_), height, CEchoGraphicPanel::kRepeatColour});
  }
  return bars;
}

void CRevbGraphicPanel::Render() {
  const qreal dpr = devicePixelRatioF();
  buffer_ = QPixmap(size() * dpr);
  buffer_.setDevicePixelRatio(dpr);
  QPainter p(&buffer_);
  const ImpulseFrame frame(size(), kSpanMs);
  frame.Draw(p);
  ImpulseFrame::DrawBars(p, frame, Bars());
  bufferValid_ = true;
}

void CRevbGraphicPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  bufferValid_ = false;
}

void CRevbGraphicPanel::paintEvent(QPaintEvent*) {
  if (!bufferValid_ || buffer_.deviceIndependentSize().toSize() != size()) Render();
  QPainter p(this);
  p.drawPixmap(0, 0, buffer_);
}

}  // namespace nr::gui
