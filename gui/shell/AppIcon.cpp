#include "shell/AppIcon.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtEndian>

namespace nr::gui {
namespace {

void AppendLittleEndian16(QByteArray& out, quint16 value) {
  const quint16 le = qToLittleEndian(value);
  out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

void AppendLittleEndian32(QByteArray& out, quint32 value) {
  const quint32 le = qToLittleEndian(value);
  out.append(reinterpret_cast<const char*>(&le), sizeof le);
}

}  // namespace

// The icon of resources/desktop, on a 128-unit grid: a dark panel, three grid lines, an EQ
// curve with two handles and three buttons.
QImage DrawnApplicationIcon(int size) {
  QImage pixmap(size, size, QImage::Format_ARGB32_Premultiplied);
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

QByteArray WindowsIconFile(const QList<QImage>& pictures) {
  constexpr int kHeader = 6, kEntry = 16;
  QList<QByteArray> pngs;
  for (const QImage& picture : pictures) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
    pngs.append(png);
  }
  QByteArray out;
  AppendLittleEndian16(out, 0);  // reserved
  AppendLittleEndian16(out, 1);  // an icon, not a cursor
  AppendLittleEndian16(out, static_cast<quint16>(pictures.size()));
  quint32 offset = static_cast<quint32>(kHeader + kEntry * pictures.size());
  for (qsizetype i = 0; i < pictures.size(); ++i) {
    // A side of 256 is written as 0.
    out.append(static_cast<char>(pictures[i].width() & 0xFF));
    out.append(static_cast<char>(pictures[i].height() & 0xFF));
    out.append('\0');             // no palette
    out.append('\0');             // reserved
    AppendLittleEndian16(out, 1);   // colour planes
    AppendLittleEndian16(out, 32);  // bits per pixel
    AppendLittleEndian32(out, static_cast<quint32>(pngs[i].size()));
    AppendLittleEndian32(out, offset);
    offset += static_cast<quint32>(pngs[i].size());
  }
  for (const QByteArray& png : pngs) out.append(png);
  return out;
}

QIcon ApplicationIcon() {
  QIcon drawn;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) drawn.addPixmap(QPixmap::fromImage(DrawnApplicationIcon(size)));
  // A theme icon Qt cannot draw (an SVG without Qt's SVG support) is no icon.
  const QIcon themed = QIcon::fromTheme(QString::fromLatin1(kApplicationId));
  if (!themed.isNull() && !themed.pixmap(32).isNull()) return themed;
  return drawn;
}

}  // namespace nr::gui
