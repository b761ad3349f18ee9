#include "eq/CSmallEqPanel.h"

#include <QMouseEvent>

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace nr::gui {
namespace {

constexpr double kFs = 48000.0;
constexpr double kAxisDecades = 3.4;  // 10 Hz to about 25 kHz
constexpr int kMargin = 2;
constexpr double kMaxGain = 15.0;

}  // namespace

CSmallEqPanel::CSmallEqPanel(QWidget* parent) : QWidget(parent) {
  static constexpr double kFrequencies[kBands] = {31, 62, 125, 250, 500, 1000, 2000};
  for (int b = 0; b < kBands; ++b) bands_[static_cast<size_t>(b)].frequency = kFrequencies[b];
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_Hover);
  Recompute();
}

bool CSmallEqPanel::Design(int type, double frequency, double gainDb, double q, Section& out) {
  if (type < 1 || type > 7) return false;
  const double w = 2.0 * std::numbers::pi * frequency / kFs;
  const double cs = std::cos(w);
  const double sn = std::sin(w);
  const double alpha = sn / (2.0 * q);
  const double a = std::pow(10.0, gainDb / 40.0);
  const double beta = std::sqrt(a) * sn / q;
  Section s;
  switch (type) {
    case 1:
      s = {1 + alpha * a, -2 * cs, 1 - alpha * a, 1 + alpha / a, -2 * cs, 1 - alpha / a};
      break;
    case 2:
      s = {(1 - cs) / 2, 1 - cs, (1 - cs) / 2, 1 + alpha, -2 * cs, 1 - alpha};
      break;
    case 3:
      s = {(1 + cs) / 2, -(1 + cs), (1 + cs) / 2, 1 + alpha, -2 * cs, 1 - alpha};
      break;
    case 4:
      s = {a * ((a + 1) - (a - 1) * cs + beta), 2 * a * ((a - 1) - (a + 1) * cs), a * ((a + 1) - (a - 1) * cs - beta),
           (a + 1) + (a - 1) * cs + beta,       -2 * ((a - 1) + (a + 1) * cs),    (a + 1) + (a - 1) * cs - beta};
      break;
    case 5:
      s = {a * ((a + 1) + (a - 1) * cs + beta), -2 * a * ((a - 1) + (a + 1) * cs), a * ((a + 1) + (a - 1) * cs - beta),
           (a + 1) - (a - 1) * cs + beta,       2 * ((a - 1) - (a + 1) * cs),      (a + 1) - (a - 1) * cs - beta};
      break;
    case 6:
      s = {alpha, 0, -alpha, 1 + alpha, -2 * cs, 1 - alpha};
      break;
    default:
      s = {1, -2 * cs, 1, 1 + alpha, -2 * cs, 1 - alpha};
      break;
  }
  out = s;
  return true;
}

double CSmallEqPanel::Magnitude(const Section& s, double frequency) {
  // |H|² at φ = sin(w/2), with a0 kept in the denominator because these sections are not divided by it.
  const double phi = std::sin(std::numbers::pi * frequency / kFs);
  const double p2 = phi * phi, p4 = p2 * p2;
  const double n0 = (s.b0 + s.b1 + s.b2) * (s.b0 + s.b1 + s.b2);
  const double n1 = 4.0 * (4.0 * s.b0 * s.b2 + s.b0 * s.b1 + s.b1 * s.b2);
  const double n2 = 16.0 * s.b0 * s.b2;
  const double d0 = (s.a0 + s.a1 + s.a2) * (s.a0 + s.a1 + s.a2);
  const double d1 = 4.0 * (4.0 * s.a0 * s.a2 + s.a0 * s.a1 + s.a1 * s.a2);
  const double d2 = 16.0 * s.a0 * s.a2;
  // A notch reaches exactly zero at its centre; keep the logarithm finite.
  const double num = std::max(n0 - n1 * p2 + n2 * p4, 1e-30);
  const double den = std::max(d0 - d1 * p2 + d2 * p4, 1e-30);
  return 10.0 * std::log10(num) - 10.0 * std::log10(den);
}

int CSmallEqPanel::PointFrequency(int k) {
  return static_cast<int>(std::trunc(10.0 * std::pow(10.0, kAxisDecades * k / kPoints)));
}

void CSmallEqPanel::Recompute() {
  curve_.fill(0.0);
  for (const Band& band : bands_) {
    Section s;
    if (!Design(band.type, band.frequency, band.gain, band.q, s)) continue;
    for (int k = 0; k < kPoints; ++k) curve_[static_cast<size_t>(k)] += Magnitude(s, PointFrequency(k));
  }
}

void CSmallEqPanel::SetBandFrequency(int band, double frequency) {
  if (band < 0 || band >= kBands || !std::isfinite(frequency) || std::fabs(frequency) < 1e-7) return;
  bands_[static_cast<size_t>(band)].frequency = std::clamp(frequency, 20.0, 20000.0);
  Recompute();
  update();
}

void CSmallEqPanel::SetBandGain(int band, double gain) {
  if (band < 0 || band >= kBands || !std::isfinite(gain)) return;
  bands_[static_cast<size_t>(band)].gain = std::clamp(gain, -kMaxGain, kMaxGain);
  Recompute();
  update();
}

void CSmallEqPanel::SetBandQ(int band, double q) {
  // A Q of zero would make every section infinitely wide (alpha = sin/0).
  if (band < 0 || band >= kBands || !std::isfinite(q) || std::fabs(q) < 1e-7) return;
  bands_[static_cast<size_t>(band)].q = std::clamp(q, 0.1, 30.0);
  Recompute();
  update();
}

bool CSmallEqPanel::SetBandType(int band, int type) {
  if (band < 0 || band >= kBands || type < 1 || type > 7) return false;
  bands_[static_cast<size_t>(band)].type = type;
  Recompute();
  update();
  return true;
}

void CSmallEqPanel::SetShaded(bool shaded) {
  if (shaded_ == shaded) return;
  shaded_ = shaded;
  update();
}

void CSmallEqPanel::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  hovered_ = true;
  update();
}

void CSmallEqPanel::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  hovered_ = false;
  update();
}

void CSmallEqPanel::SetCurveColour(const QColor& colour) {
  if (colour_ == colour) return;
  colour_ = colour;
  update();
}

void CSmallEqPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    event->accept();
    emit clicked();
    return;
  }
  QWidget::mouseReleaseEvent(event);
}

void CSmallEqPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(20, 20, 20));
  const double left = kMargin, top = kMargin;
  const double w = width() - 2 * kMargin, h = height() - 2 * kMargin;
  if (w > 0 && h > 0) {
    const double centre = top + h / 2;
    p.setPen(QPen(QColor(64, 64, 64), 1));
    p.drawLine(QPointF(left, centre), QPointF(left + w, centre));
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    for (int k = 0; k < kPoints; ++k) {
      const double x = left + w * std::log10(PointFrequency(k) / 10.0) / kAxisDecades;
      const double y = std::clamp(centre - curve_[static_cast<size_t>(k)] * h / 30.0, top - h, top + 2 * h);
      if (k == 0)
        path.moveTo(x, y);
      else
        path.lineTo(x, y);
    }
    p.save();
    p.setClipRect(QRectF(left, top, w, h));
    p.setPen(QPen(colour_, 1.5));
    p.drawPath(path);
    p.restore();
  }
  if (shaded_) p.fillRect(rect(), QColor(96, 96, 96, 101));
  if (hovered_ && isEnabled()) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::cyan, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

}  // namespace nr::gui
