#include "controls/PaintedIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

namespace nr::gui {
namespace {

class PaintedIconEngine : public QIconEngine {
 public:
  explicit PaintedIconEngine(IconPainter paint) : paint_(std::move(paint)) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    painter->save();
    if (mode == QIcon::Disabled) painter->setOpacity(0.4);
    paint_(*painter, rect);
    painter->restore();
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    paint(&p, QRect(QPoint(0, 0), size), mode, state);
    return pm;
  }
  QIconEngine* clone() const override { return new PaintedIconEngine(paint_); }

 private:
  IconPainter paint_;
};

}  // namespace

QIcon PaintedIcon(IconPainter paint) { return QIcon(new PaintedIconEngine(std::move(paint))); }

}  // namespace nr::gui
