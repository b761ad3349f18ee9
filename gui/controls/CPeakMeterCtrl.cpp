#include "controls/CPeakMeterCtrl.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace nr::gui {

CPeakMeterCtrl::CPeakMeterCtrl(QWidget* parent)
    : QWidget(parent), background_(palette().color(QPalette::Button)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &CPeakMeterCtrl::FallBack);
  // A new meter starts full, so its first ticks sweep it down to the live level.
  Reset(8, segments_);
}

CPeakMeterCtrl::~CPeakMeterCtrl() { StopTimer(); }

void CPeakMeterCtrl::Reset(int bands, int segments) {
  segments_ = std::max(segments, 1);
  bands_.assign(static_cast<size_t>(std::max(bands, 0)), BandState{maximum_, maximum_, peakHold_});
  update();
}

void CPeakMeterCtrl::StartTimer(int delayMs) {
  delayMs_ = std::max(delayMs, 1);
  hasTimer_ = true;
  timer_.start(delayMs_);
}

void CPeakMeterCtrl::StopTimer() {
  hasTimer_ = false;
  timer_.stop();
}

void CPeakMeterCtrl::SetData(int value, int band) {
  if (band < 0 || band >= BandCount()) return;
  if (hasTimer_) timer_.stop();
  value = std::clamp(value, 0, maximum_);
  BandState& b = bands_[static_cast<size_t>(band)];
  if (b.peak < value) {
    b.peak = value;
    b.hold = peakHold_;
  }
  b.value = value;
  // The fall-back may have stopped itself meanwhile; a feed always brings it back.
  if (hasTimer_) timer_.start(delayMs_);
  update();
}

void CPeakMeterCtrl::FallBack() {
  update();
  const int step = segments_ > 0 ? maximum_ / segments_ : maximum_;
  bool active = false;
  for (BandState& b : bands_) {
    if (b.value > 0) {
      active = true;
      b.value = std::max(b.value - (segments_ < 2 ? maximum_ * 10 / 100 : step), 0);
    }
    if (b.hold > 0) {
      active = true;
      --b.hold;
    }
    if (b.hold == 0 && b.peak > 0) {
      active = true;
      b.peak = std::max(b.peak - (segments_ < 2 ? 5 : step / 2), 0);
    }
  }
  if (!active) timer_.stop();
}

int CPeakMeterCtrl::LitSegments(int band) const {
  if (band < 0 || band >= BandCount() || maximum_ <= 0) return 0;
  return segments_ * bands_[static_cast<size_t>(band)].value / maximum_;
}

int CPeakMeterCtrl::Zone(int segment) const {
  if (maximum_ <= 0) return 0;
  if (segment < segments_ * medium_ / maximum_) return 0;
  if (segment < segments_ * high_ / maximum_) return 1;
  return 2;
}

QColor CPeakMeterCtrl::SegmentColour(int segment, bool lit) const {
  const int zone = Zone(segment);
  return lit ? lit_[zone] : dim_[zone];
}

void CPeakMeterCtrl::SetHorizontal(bool horizontal) {
  style_ = horizontal ? (style_ | kHorizontal) : (style_ & ~unsigned(kHorizontal));
  update();
}

void CPeakMeterCtrl::SetBackground(const QColor& colour) {
  background_ = colour;
  update();
}

void CPeakMeterCtrl::SetZoneColours(const QColor& normal, const QColor& medium, const QColor& high) {
  lit_[0] = normal;
  lit_[1] = medium;
  lit_[2] = high;
  update();
}

void CPeakMeterCtrl::SetDimColours(const QColor& normal, const QColor& medium, const QColor& high) {
  dim_[0] = normal;
  dim_[1] = medium;
  dim_[2] = high;
  update();
}

void CPeakMeterCtrl::SetRange(int medium, int high, int maximum) {
  if (maximum <= 0 || medium <= 0 || medium > high || high > maximum) return;
  medium_ = medium;
  high_ = high;
  maximum_ = maximum;
  for (BandState& b : bands_) {
    b.value = std::min(b.value, maximum_);
    b.peak = std::min(b.peak, maximum_);
  }
  update();
}

void CPeakMeterCtrl::SetPeakLine(bool on) {
  if (peakLine_ == on) return;
  peakLine_ = on;
  update();
}

void CPeakMeterCtrl::SetGrid(bool on) {
  if (grid_ == on) return;
  grid_ = on;
  update();
}

void CPeakMeterCtrl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), background_);
  const int n = segments_;
  const int k = BandCount();
  if (n <= 0 || k <= 0 || maximum_ <= 0) return;

  if (Horizontal()) {
    // Segments run left to right; bands are rows, the spare pixels go above the first row.
    const int w = width() / n, h = height() / k;
    int y = height() % k;
    for (int band = 0; band < k; ++band, y += h) {
      const int lit = LitSegments(band);
      for (int i = 0; i < n; ++i) {
        QRect r(i * w, y, w, h);
        if (n > 1) r.adjust(1, 0, 0, 0);
        if (k > 1) r.adjust(0, 1, 0, -1);
        p.fillRect(r, SegmentColour(i, i < lit));
      }
    }
    return;
  }

  // Vertical: segments run bottom to top; bands are columns.
  const int w = width() / k, h = height() / n;
  const int base = height() - height() % n;
  for (int band = 0; band < k; ++band) {
    const int lit = LitSegments(band);
    for (int i = 0; i < n; ++i) {
      QRect r(band * w, base - (i + 1) * h, w, h);
      if (k > 1) r.adjust(1, 0, 0, 0);
      if (n > 1) r.adjust(0, 1, 0, -1);
      p.fillRect(r, SegmentColour(i, i < lit));
    }
    if (peakLine_) {
      const int peak = n * bands_[static_cast<size_t>(band)].peak / maximum_;
      if (peak > 0) {
        const int y = base - peak * h;
        p.fillRect(QRect(band * w, y, w, 2), SegmentColour(peak - 1, true));
      }
    }
    if (grid_) {
      p.setPen(background_.darker(130));
      for (int i = 1; i < n; ++i) p.drawLine(band * w, base - i * h, band * w + w - 1, base - i * h);
    }
  }
}

QString CPeakMeterCtrl::PartName(int band) const {
  if (band < 0 || band >= BandCount() || maximum_ <= 0) return QString();
  return QStringLiteral("%1: %2%").arg(band + 1).arg(State(band).value * 100 / maximum_);
}

QRect CPeakMeterCtrl::PartRect(int band) const {
  if (band < 0 || band >= BandCount()) return {};
  // The bars share the meter's width (upright bars) or height (lying bars) equally.
  const int count = BandCount();
  if (Horizontal()) return QRect(0, height() * band / count, width(), height() / count);
  return QRect(width() * band / count, 0, width() / count, height());
}

}  // namespace nr::gui
