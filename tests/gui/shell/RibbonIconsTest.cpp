// The ribbon's load and save pictures: the badge's arrow points into the program for a load and
// out of it for a save, for files as for modes.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "shell/RibbonIcons.h"
#include "support/Screenshots.h"

namespace nr::gui {
namespace {

// How far the white arrow in the badge (the lower right quarter) leans down (+) or up (-) from
// the badge's middle, in pixels: the arrow head carries more white than its tail.
double ArrowLean(RibbonGlyph glyph) {
  constexpr int kSize = 64;
  const QImage image = RibbonIcon(glyph).pixmap(kSize, kSize).toImage().convertToFormat(QImage::Format_ARGB32);
  const QRectF badge(0.50 * kSize, 0.48 * kSize, 0.48 * kSize, 0.48 * kSize);
  const QPointF middle = badge.center();
  const double radius = badge.width() * 0.40;  // inside the white ring around the badge
  double sum = 0;
  int count = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const QPointF p(x + 0.5, y + 0.5);
      if (QLineF(p, middle).length() > radius) continue;
      const QColor c = image.pixelColor(x, y);
      if (c.alpha() < 200 || c.red() < 230 || c.green() < 230 || c.blue() < 230) continue;
      sum += p.y() - middle.y();
      ++count;
    }
  EXPECT_GT(count, 10) << "the arrow is drawn";
  return count ? sum / count : 0;
}

TEST(RibbonIcons, SaveArrowsPointOppositeToLoadArrows) {
  EXPECT_GT(ArrowLean(RibbonGlyph::LoadFile), 0.5) << "into the program: down";
  EXPECT_LT(ArrowLean(RibbonGlyph::SaveFile), -0.5) << "out of the program: up";
  EXPECT_GT(ArrowLean(RibbonGlyph::LoadMode), 0.5);
  EXPECT_LT(ArrowLean(RibbonGlyph::SaveMode), -0.5);
}

}  // namespace
}  // namespace nr::gui
