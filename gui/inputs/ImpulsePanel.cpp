#include "inputs/ImpulsePanel.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace nr::gui {
namespace {

const QColor kField(20, 20, 20);
const QColor kGrid(80, 80, 80);
const QColor kText(128, 128, 128);
constexpr int kTickHeight = 5;
constexpr int kTickMs = 100;
constexpr int kLabelEveryTicks = 10;
constexpr int kLevelLines = 11;
constexpr int kLevelLabelRight = 52;

QFont AxisFont() {
  QFont font;
  font.setFamilies({"SimSun", "NSimSun", "Noto Sans CJK SC", "WenQuanYi Micro Hei", "DejaVu Sans"});
  font.setPixelSize(13);
  return font;
}

int Trunc(double v) { return static_cast<int>(std::trunc(v)); }

}  // namespace

// ---- the shared frame --------------------------------------------------------------------------

int ImpulseFrame::X(double ms) const { return kLeft + Trunc(PlotWidth() * ms / spanMs_); }

void ImpulseFrame::Draw(QPainter& p) const {
  p.fillRect(QRect(QPoint(0, 0), client_), kField);
  const int w = PlotWidth();
  const int bottom = client_.height();
  if (w <= 0 || PlotHeight() <= 0) return;
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setFont(AxisFont());

  // Time axis: a tick every 100 ms standing on the baseline, labelled every second.
  const int ticks = spanMs_ / kTickMs;
  for (int i = 0; i <= ticks; ++i) {
    const int x = kLeft + i * w / ticks;
    p.setPen(QPen(kGrid, 1));
    p.drawLine(x, Baseline(), x, Baseline() - kTickHeight);
    if (i % kLabelEveryTicks == 0) {
      // Centred under its tick, but kept inside the picture: the last label is wider than the
      // margin right of the axis.
      const QString label = QString::asprintf("%dms", i * kTickMs);
      const int labelWidth = p.fontMetrics().horizontalAdvance(label);
      const int labelLeft = std::min(x - labelWidth / 2, client_.width() - labelWidth - 1);
      p.setPen(kText);
      p.drawText(QRect(labelLeft, bottom - 23, labelWidth + 1, 16), Qt::AlignLeft | Qt::AlignTop, label);
    }
  }

  // Level grid: 100 % at the top down to 0 %, in equal whole-pixel steps.
  const int step = (Baseline() - kTop) / (kLevelLines - 1);
  for (int k = 0; k < kLevelLines; ++k) {
    const int y = kTop + k * step;
    p.setPen(QPen(kGrid, 1));
    p.drawLine(kLeft, y, kLeft + w, y);
    p.setPen(kText);
    p.drawText(QRect(0, y - 8, kLevelLabelRight, 16), Qt::AlignRight | Qt::AlignVCenter,
               QString::asprintf("%d%%", 100 - 10 * k));
  }
}

void ImpulseFrame::DrawBars(QPainter& p, const ImpulseFrame& frame, const std::vector<ImpulseBar>& bars) {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  for (const ImpulseBar& bar : bars) {
    if (bar.height <= 0) continue;
    p.fillRect(QRect(bar.x, frame.Baseline() - bar.height, kBarWidth, bar.height), bar.colour);
  }
}

// ---- the buffered widget -----------------------------------------------------------------------

ImpulsePanel::ImpulsePanel(int spanMs, QWidget* parent) : QWidget(parent), spanMs_(spanMs) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ImpulsePanel::Changed(int& field, int value) {
  if (field == value) return;
  field = value;
  bufferValid_ = false;
  update();
}

void ImpulsePanel::Render() {
  const qreal dpr = devicePixelRatioF();
  buffer_ = QPixmap(size() * dpr);
  buffer_.setDevicePixelRatio(dpr);
  QPainter p(&buffer_);
  const ImpulseFrame frame = Frame();
  frame.Draw(p);
  ImpulseFrame::DrawBars(p, frame, Bars());
  bufferValid_ = true;
}

void ImpulsePanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  bufferValid_ = false;
}

void ImpulsePanel::paintEvent(QPaintEvent*) {
  if (!bufferValid_ || buffer_.deviceIndependentSize().toSize() != size()) Render();
  QPainter p(this);
  p.drawPixmap(0, 0, buffer_);
}

}  // namespace nr::gui
