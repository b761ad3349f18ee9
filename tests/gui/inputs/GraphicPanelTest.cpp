// The impulse pictures of the effect page: where the bars stand, how high they are, and what the
// frame looks like.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include "inputs/CEchoGraphicPanel.h"
#include "inputs/CRevbGraphicPanel.h"
#include "support/Screenshots.h"

namespace nr::gui::test {
namespace {

// 500 x 245 gives a 420 x 200 plot standing on y = 220.
constexpr int kWidth = 500;
constexpr int kHeight = 245;
constexpr int kBaseline = 220;

void SavePicture(QWidget& widget, const char* name) {
  nr::test::SaveScreenshot(widget.grab().toImage(), name);
}

TEST(EchoGraphic, RepeatsFallByTheDecayAtTheirTimes) {
  CEchoGraphicPanel echo;
  echo.resize(kWidth, kHeight);  // defaults: predelay 30, time 200, level 50 %, decay 50 %
  const std::vector<ImpulseBar> bars = echo.Bars();
  ASSERT_EQ(bars.size(), 11u);  // no right-channel bars while both percentages are 0
  EXPECT_EQ(bars[0].x, 63);     // 60 + 420 x 30 / 4000
  EXPECT_EQ(bars[0].height, 100);
  EXPECT_EQ(bars[0].colour, CEchoGraphicPanel::kDirectColour);
  EXPECT_EQ(bars[1].x, 84);     // 230 ms
  EXPECT_EQ(bars[1].height, 50);
  EXPECT_EQ(bars[2].height, 25);
  EXPECT_EQ(bars[10].x, 60 + 420 * 2030 / 4000);
  EXPECT_EQ(bars[10].colour, CEchoGraphicPanel::kRepeatColour);

  // Pixels: the field, a level line at the top, and the direct echo in its colour.
  const QImage image = echo.grab().toImage();
  EXPECT_EQ(image.pixelColor(5, 130), QColor(20, 20, 20));
  EXPECT_EQ(image.pixelColor(300, 20), QColor(80, 80, 80));
  EXPECT_EQ(image.pixelColor(65, kBaseline - 50), CEchoGraphicPanel::kDirectColour);
}

TEST(EchoGraphic, RightChannelRepeatsStandBesideTheLeftAndStopAtTheAxisEnd) {
  CEchoGraphicPanel echo;
  echo.resize(kWidth, kHeight);
  echo.SetRightDelay(-50);
  echo.SetRightPredelay(10);
  std::vector<ImpulseBar> bars = echo.Bars();
  ASSERT_EQ(bars.size(), 21u);
  EXPECT_EQ(bars[11].colour, CEchoGraphicPanel::kRightColour);
  EXPECT_EQ(bars[11].x, 60 + 420 * 150 / 4000);  // 100 ms apart, starting 20 ms after the predelay
  EXPECT_EQ(bars[11].height, 50);

  // The longest settings reach past 4000 ms: those repeats are left out, not drawn over the margin.
  echo.SetPredelay(200);
  echo.SetTime(260);
  echo.SetRightDelay(50);
  echo.SetRightPredelay(50);
  bars = echo.Bars();
  EXPECT_EQ(bars.size(), 20u);
  for (const ImpulseBar& bar : bars) EXPECT_LE(bar.x, 60 + 420);
  SavePicture(echo, "echo_graphic_longest.png");
}

TEST(ReverbGraphic, FallsLinearlyOverTheReverbTime) {
  CRevbGraphicPanel reverb;
  reverb.resize(kWidth, kHeight);  // predelay 30, time 50 (2520 ms), level 50 %
  const std::vector<ImpulseBar> bars = reverb.Bars();
  ASSERT_EQ(bars.size(), 26u);
  EXPECT_EQ(bars[0].x, 60 + 420 * 30 / 5200);
  EXPECT_EQ(bars[0].height, 100);
  EXPECT_EQ(bars[1].x, 60 + 420 * 130 / 5200);
  EXPECT_EQ(bars[1].height, static_cast<int>(25 * 0.95 / 26 * 100));
  EXPECT_EQ(bars[25].height, static_cast<int>(1 * 0.95 / 26 * 100));

  EXPECT_EQ(CRevbGraphicPanel::BarCount(0), 1);
  EXPECT_EQ(CRevbGraphicPanel::BarCount(100), 51);
  reverb.SetTime(100);
  reverb.SetPredelay(200);
  EXPECT_EQ(reverb.Bars().back().x, 60 + 420);  // 5200 ms: the end of the axis
  SavePicture(reverb, "reverb_graphic_longest.png");
}

}  // namespace
}  // namespace nr::gui::test
