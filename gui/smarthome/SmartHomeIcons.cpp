#include "smarthome/SmartHomeIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <functional>

#include "controls/PaintedIcon.h"

namespace nr::gui {
namespace {

QIcon Make(std::function<void(QPainter&, const QRectF&)> paint) {
  return PaintedIcon([paint = std::move(paint)](QPainter& p, const QRect& r) {
    p.setRenderHint(QPainter::Antialiasing);
    paint(p, QRectF(r));
  });
}

// Coordinates in a 48 x 48 design grid mapped onto the rectangle.
QTransform Grid(const QRectF& r) {
  const double s = std::min(r.width(), r.height()) / 48.0;
  QTransform t;
  t.translate(r.center().x() - 24 * s, r.center().y() - 24 * s);
  t.scale(s, s);
  return t;
}

void PowerSymbol(QPainter& p, QPointF c, double radius, const QColor& color, double width) {
  p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  const QRectF arc(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius);
  p.drawArc(arc, 120 * 16, 300 * 16);
  p.drawLine(QPointF(c.x(), c.y() - radius - 2), QPointF(c.x(), c.y() - 1));
}

// A wall plug: a rounded body with two pins, and a badge for its kind.
void PaintPlug(QPainter& p, const QRectF& r, int type) {
  p.setTransform(Grid(r), true);
  QLinearGradient body(0, 6, 0, 44);
  body.setColorAt(0, QColor(252, 252, 252));
  body.setColorAt(1, QColor(205, 212, 220));
  p.setPen(QPen(QColor(110, 120, 135), 1.6));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(7, 8, 34, 34), 8, 8);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(70, 80, 95));
  p.drawRoundedRect(QRectF(16, 16, 4, 9), 1.5, 1.5);
  p.drawRoundedRect(QRectF(28, 16, 4, 9), 1.5, 1.5);
  const QPointF badge(34, 34);
  const QColor badgeColor = type == 1 ? QColor(0, 150, 70) : type == 2 ? QColor(240, 150, 0) : QColor(120, 130, 145);
  p.setBrush(badgeColor);
  p.setPen(QPen(Qt::white, 1.5));
  p.drawEllipse(badge, 10, 10);
  if (type == 1) {
    PowerSymbol(p, badge, 5, Qt::white, 2);
  } else if (type == 2) {
    // A sun whose rays stand for the adjustable level.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(badge, 3.2, 3.2);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
      const double a = i * M_PI / 4;
      p.drawLine(badge + QPointF(5 * std::cos(a), 5 * std::sin(a)), badge + QPointF(7.2 * std::cos(a), 7.2 * std::sin(a)));
    }
  } else {
    QFont f = p.font();
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(24, 24, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
  }
}

void PaintSceneButton(QPainter& p, const QRectF& r, bool on) {
  p.setTransform(Grid(r), true);
  QRadialGradient g(QPointF(20, 16), 30);
  g.setColorAt(0, on ? QColor(120, 225, 140) : QColor(255, 150, 140));
  g.setColorAt(1, on ? QColor(0, 140, 60) : QColor(190, 30, 30));
  p.setPen(QPen(on ? QColor(0, 100, 40) : QColor(130, 20, 20), 1.5));
  p.setBrush(g);
  p.drawEllipse(QPointF(24, 24), 21, 21);
  PowerSymbol(p, QPointF(24, 25), 10, Qt::white, 3.5);
}

void PaintLamp(QPainter& p, const QRectF& r, bool on) {
  p.setTransform(Grid(r), true);
  if (on) {
    QRadialGradient glow(QPointF(24, 19), 22);
    glow.setColorAt(0, QColor(255, 240, 120, 200));
    glow.setColorAt(1, QColor(255, 240, 120, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(24, 19), 22, 22);
  }
  QPainterPath bulb;
  bulb.moveTo(17, 28);
  bulb.cubicTo(9, 20, 13, 5, 24, 5);
  bulb.cubicTo(35, 5, 39, 20, 31, 28);
  bulb.lineTo(31, 33);
  bulb.lineTo(17, 33);
  bulb.closeSubpath();
  p.setPen(QPen(on ? QColor(190, 140, 0) : QColor(120, 125, 130), 1.6));
  p.setBrush(on ? QColor(255, 215, 40) : QColor(215, 218, 222));
  p.drawPath(bulb);
  p.setBrush(QColor(130, 135, 140));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(17, 34, 14, 4), 1.5, 1.5);
  p.drawRoundedRect(QRectF(18.5, 39, 11, 3.5), 1.5, 1.5);
}

void PaintStep(QPainter& p, const QRectF& r, bool up) {
  p.setTransform(Grid(r), true);
  p.setPen(QPen(QColor(0, 95, 165), 1.5));
  QLinearGradient g(0, 4, 0, 44);
  g.setColorAt(0, QColor(90, 170, 235));
  g.setColorAt(1, QColor(0, 110, 195));
  p.setBrush(g);
  p.drawEllipse(QPointF(24, 24), 19, 19);
  p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(15, 24), QPointF(33, 24));
  if (up) p.drawLine(QPointF(24, 15), QPointF(24, 33));
}

}  // namespace

QIcon PlugIcon(int type) {
  return Make([type](QPainter& p, const QRectF& r) { PaintPlug(p, r, type); });
}

QIcon SmartHomeIcon(SmartGlyph glyph) {
  switch (glyph) {
    case SmartGlyph::ScenePowerOn: return Make([](QPainter& p, const QRectF& r) { PaintSceneButton(p, r, true); });
    case SmartGlyph::ScenePowerOff: return Make([](QPainter& p, const QRectF& r) { PaintSceneButton(p, r, false); });
    case SmartGlyph::LampOn: return Make([](QPainter& p, const QRectF& r) { PaintLamp(p, r, true); });
    case SmartGlyph::LampOff: return Make([](QPainter& p, const QRectF& r) { PaintLamp(p, r, false); });
    case SmartGlyph::StepDown: return Make([](QPainter& p, const QRectF& r) { PaintStep(p, r, false); });
    case SmartGlyph::StepUp: return Make([](QPainter& p, const QRectF& r) { PaintStep(p, r, true); });
  }
  return {};
}

}  // namespace nr::gui
