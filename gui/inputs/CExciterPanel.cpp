#include "inputs/CExciterPanel.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace nr::gui {
namespace {

constexpr int kLeft = 50;
constexpr int kRight = 8;
constexpr int kTop = 8;
constexpr int kBottom = 20;
constexpr int kLabelRight = 47;
constexpr int kCurvePoints = 48;
const QColor kBackground(20, 20, 20);
const QColor kGrid(80, 80, 80);
const QColor kText(128, 128, 128);
const QColor kFundamental(255, 0, 0);
const QColor kHarmonic(255, 255, 0);
const QColor kOff(0, 150, 255);

QFont SongFont(int pixels) {
  QFont font;
  font.setFamilies({"SimSun", "NSimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "DejaVu Sans"});
  font.setPixelSize(pixels);
  return font;
}

// One period of a cosine across [x0, x0 + width], peak-to-peak height h, standing on the line
// at base: it rises from the base at both ends to base - h in the middle.
void DrawPeak(QPainter& p, double x0, double width, double base, double h) {
  QPainterPath path;
  for (int i = 0; i <= kCurvePoints; ++i) {
    const double t = static_cast<double>(i) / kCurvePoints;
    const QPointF point(x0 + width * t, base - h * (1.0 - std::cos(2.0 * M_PI * t)) / 2.0);
    if (i == 0)
      path.moveTo(point);
    else
      path.lineTo(point);
  }
  p.drawPath(path);
}

}  // namespace

CExciterPanel::CExciterPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(300, 150);
}

void CExciterPanel::SetValues(int gain, int order, int mix) {
  gain_ = gain;
  order_ = order;
  mix_ = mix;
  update();
}

void CExciterPanel::SetOn(bool on) {
  if (on_ == on) return;
  on_ = on;
  update();
}

int CExciterPanel::HarmonicCount(int order) { return static_cast<int>(0.17 * order); }

int CExciterPanel::HarmonicHeight(int h0, int mix, int i) {
  return static_cast<int>(h0 * std::pow(0.9 * mix / 100.0, i));
}

int CExciterPanel::FundamentalHeight(int plotHeight, int gain) {
  const double e = plotHeight / 11.0;
  const double y0 = e - std::trunc(e * 6.0 / 10.0 * gain / 100.0);  // from the plot top
  return static_cast<int>(plotHeight - y0);
}

void CExciterPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, kBackground);
  const int left = r.left() + kLeft, right = r.right() - kRight;
  const int top = r.top() + kTop, bottom = r.bottom() - kBottom;
  const double plotHeight = bottom - top;
  const double column = (right - left) / static_cast<double>(kColumns);
  const double spacing = plotHeight / (kGridLines - 1);

  p.setFont(SongFont(13));
  p.setPen(QPen(kGrid, 1));
  for (int k = 0; k <= kColumns; ++k) {
    const double x = left + column * k;
    p.drawLine(QPointF(x, top), QPointF(x, bottom));
  }
  for (int line = 0; line < kGridLines; ++line) {
    const double y = top + spacing * line;
    p.setPen(QPen(kGrid, 1));
    p.drawLine(QPointF(left, y), QPointF(right, y));
    p.setPen(kText);
    p.drawText(QRectF(0, y - 8, kLabelRight, 16), Qt::AlignRight | Qt::AlignVCenter,
               QString::asprintf("%+-ddB", 10 - 10 * line));
  }
  p.setPen(kText);
  // Every column is labelled when the labels fit, else every second or third one.
  const double labelWidth = p.fontMetrics().horizontalAdvance(QStringLiteral("18k")) + 4;
  const int labelStep = std::max(1, static_cast<int>(std::ceil(labelWidth / column)));
  for (int k = 1; k <= kColumns; k += labelStep) {
    const double centre = left + column * (k - 0.5);
    p.drawText(QRectF(centre - labelWidth / 2, bottom + 2, labelWidth, kBottom - 2), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("%1k").arg(k));
  }

  p.setRenderHint(QPainter::Antialiasing);
  const int h0 = FundamentalHeight(bottom - top, gain_);
  p.setPen(QPen(kFundamental, 1));
  DrawPeak(p, left, column, bottom, h0);
  p.setPen(QPen(kHarmonic, 1));
  const int harmonics = std::min(HarmonicCount(order_), kColumns - 1);
  for (int i = 1; i <= harmonics; ++i) DrawPeak(p, left + column * i, column, bottom, HarmonicHeight(h0, mix_, i));

  if (!on_) {
    QFont off;
    off.setFamilies({"SimHei", "Noto Sans CJK SC", "WenQuanYi Micro Hei", "DejaVu Sans"});
    off.setPointSize(60);
    p.setFont(off);
    p.setPen(kOff);
    p.drawText(r, Qt::AlignCenter, QStringLiteral("OFF"));
  }
}

}  // namespace nr::gui
