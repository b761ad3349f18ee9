#include "shell/AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace nr::gui {
namespace {

// The icon of resources/desktop, on a 128-unit grid: a dark panel, three grid lines, an EQ
// curve with two handles and three buttons.
QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 128.0, size / 128.0);
  QLinearGradient panel(0, 6, 0, 122);
  panel.setColorAt(0, QColor(0x2b, 0x34, 0x40));
  panel.setColorAt(1, QColor(0x12, 0x16, 0x1c));
  p.setPen(Qt::NoPen);
  p.setBrush(panel);
  p.drawRoundedRect(QRectF(6, 6, 116, 116), 20, 20);
  p.setPen(QPen(QColor(0x3a, 0x46, 0x54), 1));
  for (int y : {40, 64, 88}) p.drawLine(18, y, 110, y);
  QPainterPath curve(QPointF(18, 72));
  curve.cubicTo(34, 72, 38, 40, 52, 40);
  curve.cubicTo(66, 40, 70, 92, 84, 80);
  curve.cubicTo(98, 68, 100, 56, 110, 58);
  p.setPen(QPen(QColor(0x00, 0xc8, 0xff), 5, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawPath(curve);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xff, 0xb4, 0x00));
  p.drawEllipse(QPointF(52, 40), 6, 6);
  p.drawEllipse(QPointF(84, 80), 6, 6);
  p.setBrush(QColor(0xd8, 0xde, 0xe6));
  for (int x : {26, 56, 86}) p.drawRoundedRect(QRectF(x, 100, 16, 6), 3, 3);
  return pixmap;
}

}  // namespace

QIcon ApplicationIcon() {
  QIcon drawn;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) drawn.addPixmap(DrawIcon(size));
  // A theme icon Qt cannot draw (an SVG without Qt's SVG support) is no icon.
  const QIcon themed = QIcon::fromTheme(QString::fromLatin1(kApplicationId));
  if (!themed.isNull() && !themed.pixmap(32).isNull()) return themed;
  return drawn;
}

}  // namespace nr::gui
