#include "outputs/CCompressPanelPlus.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace nr::gui {
namespace {

const QColor kBackground(0, 0, 0);
const QColor kGridPen(0, 110, 0);
const QColor kLabel(255, 255, 0);
const QColor kCurve(0, 207, 255);
const QColor kKnee(255, 10, 10, 200);
const QColor kShade(120, 120, 120, 65);
const QColor kOff(0, 150, 255);

constexpr int kLeft = 40;
constexpr int kRight = 20;
constexpr int kTop = 20;
constexpr int kBottom = 25;
constexpr double kSpan = CCompressPanelPlus::kMaxLevel - CCompressPanelPlus::kMinLevel;  // 96 dB

QFont LabelFont() {
  QFont f;
  f.setFamilies({"SimSun", "NSimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
  f.setPixelSize(12);
  return f;
}

}  // namespace

CCompressPanelPlus::CCompressPanelPlus(QWidget* parent) : QWidget(parent) {
  setMinimumSize(240, 180);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CCompressPanelPlus::SetThreshold(double db) {
  threshold_ = std::clamp(db, kMinLevel, kMaxLevel);
  update();
}

void CCompressPanelPlus::SetRatio(double ratio) {
  ratio_ = std::isfinite(ratio) && ratio >= 1.0 ? ratio : 1.0;
  update();
}

void CCompressPanelPlus::SetLowerBound(double db) {
  lower_ = std::clamp(db, kMinLevel, kMaxLevel);
  update();
}

void CCompressPanelPlus::SetLowerSlope(double slope) {
  lowerSlope_ = slope;
  update();
}

void CCompressPanelPlus::SetOn(bool on) {
  if (on_ == on) return;
  on_ = on;
  update();
}

double CCompressPanelPlus::InputX(double db) const { return kLeft + (db - kMinLevel) * (width() - kLeft - kRight) / kSpan; }

double CCompressPanelPlus::OutputY(double db) const {
  return kTop + std::fabs(db - kMaxLevel) * (height() - kTop - kBottom) / kSpan;
}

double CCompressPanelPlus::OutputLevel(double in) const {
  if (in <= threshold_) return threshold_ - (threshold_ - in) * lowerSlope_;
  return threshold_ + (in - threshold_) / ratio_;
}

void CCompressPanelPlus::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  grid_ = QPixmap();
}

void CCompressPanelPlus::RenderGrid() {
  const qreal dpr = devicePixelRatioF();
  grid_ = QPixmap(size() * dpr);
  grid_.setDevicePixelRatio(dpr);
  grid_.fill(kBackground);
  QPainter p(&grid_);
  p.setFont(LabelFont());
  const int w = width();
  const int h = height();
  static constexpr int kRows[] = {6, 0, -10, -20, -30, -40, -50, -60, -70, -80, -90};
  for (int level : kRows) {
    const double y = std::round(OutputY(level));
    p.setPen(kGridPen);
    p.drawLine(QPointF(kLeft, y), QPointF(w - kRight, y));
    p.setPen(kLabel);
    const QString text = level > 0 ? QStringLiteral("+%1dB").arg(level) : QStringLiteral("%1dB").arg(level);
    p.drawText(QRectF(0, y - 8, kLeft - 2, 16), Qt::AlignRight | Qt::AlignVCenter, text);
  }
  static constexpr int kColumns[] = {-90, -70, -50, -30, -10, 6};
  for (int level : kColumns) {
    const double x = std::round(InputX(level));
    p.setPen(kGridPen);
    p.drawLine(QPointF(x, kTop), QPointF(x, h - kBottom));
    p.setPen(kLabel);
    // The first label starts at its line, clear of the level labels to its left.
    const QRectF box = level == kColumns[0] ? QRectF(x, h - kBottom + 2, 60, 16) : QRectF(x - 30, h - kBottom + 2, 60, 16);
    p.drawText(box, (level == kColumns[0] ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignTop, QStringLiteral("%1dB").arg(level));
  }
}

void CCompressPanelPlus::paintEvent(QPaintEvent*) {
  if (grid_.isNull() || grid_.deviceIndependentSize() != QSizeF(size())) RenderGrid();
  QPainter p(this);
  p.drawPixmap(0, 0, grid_);
  p.setRenderHint(QPainter::Antialiasing);

  // The compression region: every input above the threshold, across the plot.
  const double knee = threshold_;
  const QRectF shade(QPointF(kLeft, OutputY(kMaxLevel)), QPointF(width() - kRight, OutputY(knee)));
  p.fillRect(shade, kShade);

  QPainterPath curve;
  curve.moveTo(InputX(lower_), OutputY(OutputLevel(lower_)));
  curve.lineTo(InputX(knee), OutputY(knee));
  curve.lineTo(InputX(kMaxLevel), OutputY(OutputLevel(kMaxLevel)));
  p.setPen(QPen(kCurve, 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(curve);
  p.setPen(Qt::NoPen);
  p.setBrush(kKnee);
  p.drawEllipse(QPointF(InputX(knee), OutputY(knee)), 4.0, 4.0);

  if (!on_) {
    QFont font;
    font.setFamilies({"SimHei", "Noto Sans CJK SC", "WenQuanYi Micro Hei"});
    font.setPointSize(40);
    p.setFont(font);
    p.setPen(kOff);
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("OFF"));
  }
}

}  // namespace nr::gui
