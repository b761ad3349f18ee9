#include "outputs/TitlePicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace nr::gui {
namespace {

void DrawLoudspeaker(QPainter& p, const QRectF& box) {
  // A cabinet with a cone, and two sound arcs to its right.
  const QRectF cabinet(box.left(), box.top() + box.height() * 0.32, box.width() * 0.22, box.height() * 0.36);
  QPainterPath cone;
  cone.moveTo(cabinet.topRight());
  cone.lineTo(cabinet.right() + box.width() * 0.26, box.top() + box.height() * 0.1);
  cone.lineTo(cabinet.right() + box.width() * 0.26, box.bottom() - box.height() * 0.1);
  cone.lineTo(cabinet.bottomRight());
  cone.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255));
  p.drawRect(cabinet);
  p.drawPath(cone);
  p.setBrush(Qt::NoBrush);
  QPen arc(QColor(255, 210, 90), 2.2, Qt::SolidLine, Qt::RoundCap);
  p.setPen(arc);
  const QPointF centre(cabinet.right() + box.width() * 0.26, box.center().y());
  for (int i = 1; i <= 2; ++i) {
    const double r = box.width() * 0.17 * i;
    p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
  }
}

void DrawRecordMark(QPainter& p, const QRectF& box) {
  const double r = std::min(box.width(), box.height()) / 2.0;
  const QPointF c = box.center();
  p.setPen(QPen(QColor(255, 255, 255), 2.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(c, r - 1.5, r - 1.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(235, 40, 40));
  p.drawEllipse(c, r * 0.55, r * 0.55);
}

}  // namespace

TitlePicture::TitlePicture(Icon icon, QWidget* parent) : QWidget(parent), icon_(icon) {
  setFixedSize(kWidth, kHeight);
}

void TitlePicture::SetText(const QString& title, const QString& subtitle) {
  if (title == title_ && subtitle == subtitle_) return;
  title_ = title;
  subtitle_ = subtitle;
  update();
}

void TitlePicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
  fill.setColorAt(0, QColor(30, 105, 175));
  fill.setColorAt(1, QColor(10, 55, 105));
  p.setPen(QPen(QColor(10, 45, 85), 1));
  p.setBrush(fill);
  p.drawRoundedRect(frame, 8, 8);

  const QRectF iconBox(12, 10, 44, height() - 20);
  if (icon_ == Icon::kLoudspeaker)
    DrawLoudspeaker(p, iconBox);
  else
    DrawRecordMark(p, iconBox);

  QFont big = font();
  big.setPixelSize(subtitle_.isEmpty() ? 24 : 22);
  big.setBold(true);
  p.setFont(big);
  p.setPen(QColor(255, 255, 255));
  const QRectF text(66, 4, width() - 72, subtitle_.isEmpty() ? height() - 8 : height() * 0.62);
  p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, title_);
  if (!subtitle_.isEmpty()) {
    QFont small = font();
    small.setPixelSize(13);
    p.setFont(small);
    p.setPen(QColor(255, 215, 120));
    p.drawText(QRectF(66, height() * 0.6, width() - 72, height() * 0.36), Qt::AlignTop | Qt::AlignLeft, subtitle_);
  }
}

}  // namespace nr::gui
