#include "shell/RibbonIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "controls/PaintedIcon.h"

namespace nr::gui {
namespace {

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  return g;
}

void DrawFolder(QPainter& p, const QRectF& r) {
  const qreal w = r.width(), h = r.height();
  QPainterPath back;
  back.moveTo(r.left() + 0.06 * w, r.top() + 0.22 * h);
  back.lineTo(r.left() + 0.38 * w, r.top() + 0.22 * h);
  back.lineTo(r.left() + 0.46 * w, r.top() + 0.32 * h);
  back.lineTo(r.left() + 0.90 * w, r.top() + 0.32 * h);
  back.lineTo(r.left() + 0.90 * w, r.top() + 0.84 * h);
  back.lineTo(r.left() + 0.06 * w, r.top() + 0.84 * h);
  back.closeSubpath();
  p.setPen(QPen(QColor(0xb5, 0x84, 0x1f), w / 32));
  p.setBrush(QColor(0xe8, 0xb0, 0x3c));
  p.drawPath(back);
  QPainterPath front;
  front.moveTo(r.left() + 0.16 * w, r.top() + 0.44 * h);
  front.lineTo(r.left() + 0.98 * w, r.top() + 0.44 * h);
  front.lineTo(r.left() + 0.88 * w, r.top() + 0.84 * h);
  front.lineTo(r.left() + 0.06 * w, r.top() + 0.84 * h);
  front.closeSubpath();
  p.setBrush(Vertical(r, QColor(0xff, 0xe0, 0x8a), QColor(0xf4, 0xc2, 0x4f)));
  p.drawPath(front);
}

void DrawDisk(QPainter& p, const QRectF& r) {
  const qreal w = r.width(), h = r.height();
  const QRectF body(r.left() + 0.12 * w, r.top() + 0.12 * h, 0.76 * w, 0.76 * h);
  p.setPen(QPen(QColor(0x1f, 0x3f, 0x74), w / 32));
  p.setBrush(Vertical(body, QColor(0x5a, 0x8f, 0xd8), QColor(0x2c, 0x5d, 0xa8)));
  p.drawRoundedRect(body, w / 16, w / 16);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xf4, 0xf7, 0xfb));
  p.drawRect(QRectF(body.left() + 0.14 * w, body.top(), 0.48 * w, 0.30 * h));
  p.setBrush(QColor(0x2c, 0x5d, 0xa8));
  p.drawRect(QRectF(body.left() + 0.44 * w, body.top() + 0.05 * h, 0.10 * w, 0.20 * h));
  p.setBrush(QColor(0xdd, 0xe6, 0xf2));
  p.drawRect(QRectF(body.left() + 0.12 * w, body.top() + 0.44 * h, 0.52 * w, 0.32 * h));
}

// A preset slot: a small rounded box with the letter M.
void DrawModeBox(QPainter& p, const QRectF& r) {
  const qreal w = r.width(), h = r.height();
  const QRectF box(r.left() + 0.08 * w, r.top() + 0.14 * h, 0.64 * w, 0.64 * h);
  p.setPen(QPen(QColor(0x1f, 0x3f, 0x74), w / 32));
  p.setBrush(Vertical(box, QColor(0x6c, 0x9f, 0xe3), QColor(0x2f, 0x62, 0xb0)));
  p.drawRoundedRect(box, w / 10, w / 10);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(std::max(6, static_cast<int>(0.44 * h)));
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(box, Qt::AlignCenter, QStringLiteral("M"));
}

// A round badge with an arrow inside: down (into the device or the program) or up (out of it).
void DrawArrowBadge(QPainter& p, const QRectF& r, bool down, const QColor& color) {
  const qreal w = r.width(), h = r.height();
  const QRectF badge(r.left() + 0.50 * w, r.top() + 0.48 * h, 0.48 * w, 0.48 * h);
  p.setPen(QPen(Qt::white, w / 24));
  p.setBrush(color);
  p.drawEllipse(badge);
  const QPointF c = badge.center();
  const qreal s = badge.width() * 0.26;
  QPainterPath arrow;
  const qreal dir = down ? 1 : -1;
  arrow.moveTo(c.x() - s, c.y() - 0.1 * s * dir);
  arrow.lineTo(c.x(), c.y() + s * dir);
  arrow.lineTo(c.x() + s, c.y() - 0.1 * s * dir);
  p.setPen(QPen(Qt::white, w / 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(arrow);
  p.drawLine(QPointF(c.x(), c.y() + s * dir), QPointF(c.x(), c.y() - s * dir));
}

void DrawExit(QPainter& p, const QRectF& r) {
  const qreal w = r.width();
  const QRectF ring = r.adjusted(0.2 * w, 0.2 * w, -0.2 * w, -0.2 * w);
  p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), w / 9, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(ring, 120 * 16, -300 * 16);
  p.drawLine(QPointF(r.center().x(), r.top() + 0.12 * w), QPointF(r.center().x(), r.center().y()));
}

void DrawAbout(QPainter& p, const QRectF& r) {
  const qreal w = r.width();
  const QRectF circle = r.adjusted(0.06 * w, 0.06 * w, -0.06 * w, -0.06 * w);
  p.setPen(QPen(QColor(0x1f, 0x4f, 0x9a), w / 16));
  p.setBrush(Vertical(circle, QColor(0x6f, 0xa8, 0xee), QColor(0x25, 0x5f, 0xb8)));
  p.drawEllipse(circle);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(std::max(6, static_cast<int>(0.68 * w)));
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(circle, Qt::AlignCenter, QStringLiteral("?"));
}

// A plug pulled from its socket: the two halves apart, a red slash between them.
void DrawDisconnect(QPainter& p, const QRectF& r) {
  const qreal w = r.width(), h = r.height();
  const QColor body(0x4a, 0x5a, 0x70);
  p.setPen(Qt::NoPen);
  p.setBrush(body);
  p.drawRoundedRect(QRectF(r.left() + 0.06 * w, r.top() + 0.36 * h, 0.26 * w, 0.28 * h), w / 20, w / 20);
  p.drawRoundedRect(QRectF(r.left() + 0.68 * w, r.top() + 0.36 * h, 0.26 * w, 0.28 * h), w / 20, w / 20);
  p.setPen(QPen(body, w / 14, Qt::SolidLine, Qt::RoundCap));
  for (qreal y : {0.44, 0.56}) p.drawLine(QPointF(r.left() + 0.32 * w, r.top() + y * h), QPointF(r.left() + 0.42 * w, r.top() + y * h));
  p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), w / 11, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(r.left() + 0.58 * w, r.top() + 0.22 * h), QPointF(r.left() + 0.46 * w, r.top() + 0.78 * h));
}

// A venue: a row of three rooms, each with its processor's green light.
void DrawVenue(QPainter& p, const QRectF& r) {
  const qreal w = r.width(), h = r.height();
  p.setPen(QPen(QColor(0x3a, 0x4a, 0x60), w / 24));
  for (int i = 0; i < 3; ++i) {
    const QRectF room(r.left() + (0.04 + 0.32 * i) * w, r.top() + 0.28 * h, 0.28 * w, 0.50 * h);
    p.setBrush(Vertical(room, QColor(0xf2, 0xf5, 0xfa), QColor(0xc9, 0xd4, 0xe4)));
    p.drawRect(room);
    p.setBrush(QColor(0x2e, 0x9d, 0x4b));
    p.drawEllipse(QPointF(room.center().x(), room.bottom() - 0.12 * h), 0.05 * w, 0.05 * w);
  }
  p.setPen(QPen(QColor(0x3a, 0x4a, 0x60), w / 16, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(r.left() + 0.02 * w, r.top() + 0.86 * h), QPointF(r.right() - 0.02 * w, r.top() + 0.86 * h));
}

// A half-turn arrow: back (undo, pointing left) or forward (redo, pointing right).
void DrawTurnArrow(QPainter& p, const QRectF& r, bool back) {
  const qreal w = r.width(), h = r.height();
  const qreal dir = back ? 1 : -1;
  const QPointF tip(r.center().x() - dir * 0.34 * w, r.top() + 0.40 * h);
  QPainterPath turn;
  turn.moveTo(tip);
  turn.cubicTo(QPointF(r.center().x() + dir * 0.10 * w, r.top() + 0.22 * h),
               QPointF(r.center().x() + dir * 0.50 * w, r.top() + 0.50 * h),
               QPointF(r.center().x() + dir * 0.06 * w, r.top() + 0.84 * h));
  p.setPen(QPen(QColor(0x1f, 0x5f, 0xb0), w / 9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(turn);
  QPainterPath head;
  head.moveTo(tip + QPointF(dir * 0.20 * w, -0.16 * h));
  head.lineTo(tip);
  head.lineTo(tip + QPointF(dir * 0.22 * w, 0.12 * h));
  p.drawPath(head);
}

void DrawGlyph(QPainter& p, const QRectF& r, RibbonGlyph glyph) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  switch (glyph) {
    case RibbonGlyph::Open: DrawFolder(p, r); break;
    case RibbonGlyph::Save: DrawDisk(p, r); break;
    case RibbonGlyph::Exit: DrawExit(p, r); break;
    case RibbonGlyph::LoadMode:
      DrawModeBox(p, r);
      DrawArrowBadge(p, r, true, QColor(0x2e, 0x9d, 0x4b));
      break;
    case RibbonGlyph::SaveMode:
      DrawModeBox(p, r);
      DrawArrowBadge(p, r, false, QColor(0xe0, 0x7b, 0x1f));
      break;
    case RibbonGlyph::LoadFile:
      DrawFolder(p, r);
      DrawArrowBadge(p, r, true, QColor(0x2e, 0x9d, 0x4b));
      break;
    case RibbonGlyph::SaveFile:
      DrawDisk(p, r);
      DrawArrowBadge(p, r, false, QColor(0xe0, 0x7b, 0x1f));  // out of the program, as Save Mode's
      break;
    case RibbonGlyph::About: DrawAbout(p, r); break;
    case RibbonGlyph::Disconnect: DrawDisconnect(p, r); break;
    case RibbonGlyph::OpenOffline:
      DrawFolder(p, r);
      p.scale(0.5, 0.5);
      p.translate(r.width() * 0.95, r.height() * 0.95);
      DrawDisconnect(p, r);
      break;
    case RibbonGlyph::Undo: DrawTurnArrow(p, r, true); break;
    case RibbonGlyph::Redo: DrawTurnArrow(p, r, false); break;
    case RibbonGlyph::Venue: DrawVenue(p, r); break;
  }
  p.restore();
}

}  // namespace

QIcon RibbonIcon(RibbonGlyph glyph) {
  return PaintedIcon([glyph](QPainter& p, const QRect& r) { DrawGlyph(p, r, glyph); });
}

}  // namespace nr::gui
