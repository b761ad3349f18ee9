// The level meter's zones and fall-back, and the small read-only EQ preview.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <cmath>

#include "controls/CPeakMeterCtrl.h"
#include "eq/CSmallEqPanel.h"

namespace nr::gui::test {
namespace {

// The music page's meter: one row of 15 segments, falling back every 50 ms.
class MeterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    meter_.Reset(1, 15);
    meter_.SetHorizontal(true);
    meter_.SetBackground(QColor(240, 250, 255));
    meter_.SetPeakLine(false);
    meter_.resize(150, 12);
  }
  CPeakMeterCtrl meter_;
};

TEST(PeakMeter, StartsFullAtFactorySize) {
  CPeakMeterCtrl meter;
  EXPECT_EQ(meter.BandCount(), 8);
  EXPECT_EQ(meter.LitSegments(7), 8);
  EXPECT_FALSE(meter.TimerRunning());
}

TEST_F(MeterTest, SegmentsLightByZone) {
  meter_.SetData(60);
  EXPECT_EQ(meter_.LitSegments(0), 15);
  meter_.SetData(255);  // status bytes above full scale are clamped
  EXPECT_EQ(meter_.State(0).value, 60);
  meter_.SetData(3);
  EXPECT_EQ(meter_.LitSegments(0), 0);  // a new lower value replaces the old one at once
  meter_.SetData(4);
  EXPECT_EQ(meter_.LitSegments(0), 1);

  // Segments 0-9 green, 10-11 yellow, 12-14 red; lit up to the value, dim above it.
  meter_.SetData(48);  // 12 segments
  const QImage image = meter_.grab().toImage();
  auto colourAt = [&](int segment) { return image.pixelColor(segment * 10 + 5, 6); };
  EXPECT_EQ(colourAt(0), QColor(0, 255, 0));
  EXPECT_EQ(colourAt(9), QColor(0, 255, 0));
  EXPECT_EQ(colourAt(10), QColor(255, 255, 0));
  EXPECT_EQ(colourAt(11), QColor(255, 255, 0));
  EXPECT_EQ(colourAt(12), QColor(60, 2, 2));
  EXPECT_EQ(colourAt(14), QColor(60, 2, 2));
  EXPECT_EQ(image.pixelColor(60, 6), QColor(240, 250, 255));  // the 1 px gap left of segment 6
  const QString folder = qEnvironmentVariable("NR_SCREENSHOTS");
  if (!folder.isEmpty()) image.scaled(600, 48).save(folder + "/peakmeter_48_of_60.png");
}

TEST_F(MeterTest, FullBarFallsDarkInFifteenTicksAndTheTimerStopsItself) {
  meter_.StartTimer(50);
  meter_.SetData(60);
  for (int tick = 1; tick <= 14; ++tick) {
    meter_.FallBack();
    EXPECT_EQ(meter_.LitSegments(0), 15 - tick) << "tick " << tick;
  }
  meter_.FallBack();
  EXPECT_EQ(meter_.LitSegments(0), 0);
  // The peak was held for nine ticks and has been falling 2 per tick since; the timer runs until it is gone.
  EXPECT_TRUE(meter_.TimerRunning());
  EXPECT_EQ(meter_.State(0).peak, 48);
  for (int tick = 0; tick < 40 && meter_.TimerRunning(); ++tick) meter_.FallBack();
  EXPECT_FALSE(meter_.TimerRunning());
  EXPECT_EQ(meter_.State(0).peak, 0);

  // Feeding 0 keeps it dark; any feed restarts the stopped timer.
  meter_.SetData(0);
  EXPECT_EQ(meter_.LitSegments(0), 0);
  EXPECT_TRUE(meter_.TimerRunning());
  meter_.StopTimer();
  meter_.SetData(30);
  EXPECT_FALSE(meter_.TimerRunning());  // a stopped meter is only repainted
}

TEST_F(MeterTest, RealTimerRunsTheFallBack) {
  meter_.StartTimer(5);
  meter_.SetData(60);
  QTRY_COMPARE_WITH_TIMEOUT(meter_.LitSegments(0), 0, 2000);
  QTRY_VERIFY_WITH_TIMEOUT(!meter_.TimerRunning(), 2000);
}

TEST(SmallEqPanelTest, OwnSectionFormulas) {
  CSmallEqPanel::Section s;
  // Peaking at 0 dB is flat; at +12 dB it reaches +12 at its centre.
  ASSERT_TRUE(CSmallEqPanel::Design(1, 1000, 0, 1.414, s));
  EXPECT_NEAR(CSmallEqPanel::Magnitude(s, 300), 0.0, 1e-9);
  ASSERT_TRUE(CSmallEqPanel::Design(1, 1000, 12, 1.414, s));
  EXPECT_NEAR(CSmallEqPanel::Magnitude(s, 1000), 12.0, 1e-6);
  EXPECT_GT(s.a0, 1.0);  // not divided by a0
  // Unit-gain low-pass: 0 dB at DC; band-pass: 0 dB at its centre; notch: deep at its centre.
  ASSERT_TRUE(CSmallEqPanel::Design(2, 1000, 6, 0.707, s));
  EXPECT_NEAR(CSmallEqPanel::Magnitude(s, 1e-3), 0.0, 1e-6);
  ASSERT_TRUE(CSmallEqPanel::Design(6, 2000, 0, 2, s));
  EXPECT_NEAR(CSmallEqPanel::Magnitude(s, 2000), 0.0, 1e-6);
  ASSERT_TRUE(CSmallEqPanel::Design(7, 2000, 0, 2, s));
  EXPECT_LT(CSmallEqPanel::Magnitude(s, 2000), -100.0);
  EXPECT_FALSE(CSmallEqPanel::Design(8, 1000, 0, 1, s));
  EXPECT_FALSE(CSmallEqPanel::Design(0, 1000, 0, 1, s));
}

TEST(SmallEqPanelTest, CurveFollowsTheBands) {
  CSmallEqPanel panel;
  EXPECT_EQ(CSmallEqPanel::PointFrequency(0), 10);
  EXPECT_EQ(CSmallEqPanel::PointFrequency(55), static_cast<int>(10 * std::pow(10.0, 3.4 * 55 / 56)));
  for (double v : panel.Curve()) EXPECT_NEAR(v, 0.0, 1e-9);

  panel.SetBandGain(5, 20.0);  // clamped to +15
  EXPECT_DOUBLE_EQ(panel.GetBand(5).gain, 15.0);
  panel.SetBandFrequency(5, 0.0);  // ignored
  EXPECT_DOUBLE_EQ(panel.GetBand(5).frequency, 1000.0);
  const auto& curve = panel.Curve();
  const auto peak = std::max_element(curve.begin(), curve.end()) - curve.begin();
  EXPECT_NEAR(CSmallEqPanel::PointFrequency(static_cast<int>(peak)), 1000, 150);
  EXPECT_FALSE(panel.SetBandType(2, 9));
  EXPECT_EQ(panel.GetBand(2).type, 1);

  const QString folder = qEnvironmentVariable("NR_SCREENSHOTS");
  if (!folder.isEmpty()) {
    panel.SetBandGain(1, -8.0);
    panel.resize(160, 80);
    panel.grab().save(folder + "/smalleq.png");
    panel.SetShaded(true);
    panel.grab().save(folder + "/smalleq_shaded.png");
  }
}

}  // namespace
}  // namespace nr::gui::test
