#include "outputs/CDelayPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

constexpr double kLabelWidth = 78;  // row captions left of the bars
constexpr double kRightMargin = 18;
constexpr double kFullScale = 106.0;  // ms across the bar area
constexpr double kGrabReach = 15;

const QColor kBackground(20, 20, 20);
const QColor kTrack(60, 60, 60);
const QColor kBar(0, 160, 230);
const QColor kMarker(255, 200, 40);
const QColor kText(220, 220, 220);

QFont PanelFont() {
  QFont f;
  f.setFamilies({"SimSun", "NSimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
  f.setPixelSize(12);
  return f;
}

}  // namespace

CDelayPanel::CDelayPanel(QWidget* parent) : QWidget(parent) {
  values_.fill(2.0f);
  setMinimumSize(260, 200);
  setMouseTracking(false);
}

void CDelayPanel::SetValue(int row, float ms) {
  if (row < 0 || row >= kRows) return;
  values_[static_cast<size_t>(row)] = std::isfinite(ms) ? std::clamp(ms, kMinMs, kMaxMs) : kMinMs;
  update();
}

void CDelayPanel::SetLanguage(gui::Language language) {
  language_ = language;
  update();
}

double CDelayPanel::RowY(int row) const { return std::round((height() - kScaleHeight) * (row + 0.5) / kRows); }

double CDelayPanel::ValueX(float ms) const { return kLabelWidth + (width() - kLabelWidth - kRightMargin) * ms / kFullScale; }

float CDelayPanel::ValueAt(double x) const {
  const double span = width() - kLabelWidth - kRightMargin;
  const double v = span > 0 ? (x - kLabelWidth) * kFullScale / span : kMinMs;
  return static_cast<float>(std::clamp(v, static_cast<double>(kMinMs), static_cast<double>(kMaxMs)));
}

void CDelayPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kBackground);
  p.setRenderHint(QPainter::Antialiasing);
  p.setFont(PanelFont());
  const double x0 = ValueX(0.0f);
  const double x100 = ValueX(kMaxMs);
  // Scale marks every 10 ms along the bottom.
  p.setPen(QColor(90, 90, 90));
  for (int ms = 0; ms <= 100; ms += 10) {
    const double x = ValueX(static_cast<float>(ms));
    p.drawLine(QPointF(x, 2), QPointF(x, height() - kScaleHeight));
    p.drawText(QRectF(x - 20, height() - kScaleHeight + 3, 40, 14), Qt::AlignCenter, QString::number(ms));
  }
  for (int row = 0; row < kRows; ++row) {
    const double y = RowY(row);
    const double x = ValueX(Value(row));
    p.setPen(kText);
    const QString caption = TextPair{"通道(CH)%1", "CH %1"}.Get(language_).arg(row + 1);
    p.drawText(QRectF(4, y - 8, kLabelWidth - 8, 16), Qt::AlignLeft | Qt::AlignVCenter, caption);
    p.setPen(Qt::NoPen);
    p.setBrush(kTrack);
    p.drawRoundedRect(QRectF(x0, y - 3, x100 - x0, 6), 3, 3);
    p.setBrush(kBar);
    p.drawRoundedRect(QRectF(x0, y - 3, x - x0, 6), 3, 3);
    p.setBrush(row == grabbed_ ? kMarker.lighter(120) : kMarker);
    p.drawEllipse(QPointF(x, y), 6, 6);
    p.setPen(kText);
    const QString value = QString::asprintf("%.1fms", static_cast<double>(Value(row)));
    const bool right = x + 70 < width();
    p.drawText(QRectF(right ? x + 9 : x - 79, y - 16, 70, 12), (right ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
               value);
  }
}

void CDelayPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPointF pos = event->position();
  for (int row = 0; row < kRows; ++row) {
    const QPointF marker = MarkerPoint(row);
    if (std::fabs(pos.x() - marker.x()) < kGrabReach && std::fabs(pos.y() - marker.y()) < kGrabReach) {
      grabbed_ = row;
      update();
      return;
    }
  }
}

void CDelayPanel::mouseMoveEvent(QMouseEvent* event) {
  if (grabbed_ < 0 || !(event->buttons() & Qt::LeftButton)) return;
  const float ms = ValueAt(event->position().x());
  if (ms == Value(grabbed_)) return;
  SetValue(grabbed_, ms);
  emit valueDragged(grabbed_, ms);
}

void CDelayPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || grabbed_ < 0) return;
  grabbed_ = -1;
  update();
}

}  // namespace nr::gui
