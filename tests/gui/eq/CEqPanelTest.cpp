// The panel driven with the mouse, the wheel and the keys, checked by what the page writes.
#include <QComboBox>
#include <QTableWidget>
#include <cmath>

#include "gui/eq/EqPageFixture.h"

namespace nr::gui::test {
namespace {

using PanelTest = EqPageTest;

TEST_F(PanelTest, ClickOnABandPicksItWithoutWritingAnything) {
  Load(0);
  QSignalSpy picked(panel_, &CEqPanel::BandPicked);
  QSignalSpy changed(panel_, &CEqPanel::BandChanged);
  QSignalSpy cleared(panel_, &CEqPanel::SelectionCleared);
  const QPoint marker = panel_->MarkerPoint(3);
  QTest::mouseClick(panel_, Qt::LeftButton, {}, marker + QPoint(3, -2));

  ASSERT_EQ(picked.count(), 1);
  EXPECT_EQ(picked[0][0].toInt(), 3);
  EXPECT_EQ(changed.count(), 0);
  EXPECT_EQ(cleared.count(), 0);
  EXPECT_TRUE(sink_.Payloads().empty());
  EXPECT_EQ(panel_->SelectedBand(), 3);
  EXPECT_EQ(editor_->CurrentBand(), 3);
  EXPECT_FALSE(editor_->ListShown());
  EXPECT_TRUE(panel_->hasFocus());

  // A click on empty plot clears the selection and brings the list back, still without writing.
  QTest::mouseClick(panel_, Qt::LeftButton, {}, QPoint(500, 60));
  EXPECT_EQ(cleared.count(), 1);
  EXPECT_EQ(panel_->SelectedBand(), -1);
  EXPECT_TRUE(editor_->ListShown());
  EXPECT_TRUE(sink_.Payloads().empty());
}

TEST_F(PanelTest, DragWritesTheBandOnEveryMoveAndOnceMoreOnRelease) {
  Load(0);
  QSignalSpy changed(panel_, &CEqPanel::BandChanged);
  const QPoint start = panel_->MarkerPoint(8);  // 1 kHz
  QTest::mousePress(panel_, Qt::LeftButton, {}, start);
  Move(start + QPoint(1, 1), Qt::LeftButton);  // within the 1 px dead zone: nothing yet
  EXPECT_EQ(changed.count(), 0);
  const QPoint steps[] = {{40, -20}, {80, -40}, {120, -60}};
  for (const QPoint& step : steps) Move(start + step, Qt::LeftButton);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, start + steps[2]);

  EXPECT_EQ(changed.count(), 4);
  const auto records = SentRecords();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(CoefficientPackets(), 4);
  // Coefficients before each record.
  EXPECT_EQ(sink_.Payloads().front()[0], 0x09);

  // The band follows the pointer: frequency from x in whole hertz, gain from y in 0.1 dB steps.
  const EqPanelBand& band = panel_->Band(8);
  const QRect plot = panel_->PlotRect();
  const double x = start.x() + 120 - plot.left();
  const double expectedFreq = 18.0 * std::pow(10.0, std::log10(23000.0 / 18.0) * x / plot.width());
  EXPECT_EQ(band.frequency, static_cast<float>(std::round(expectedFreq)));
  EXPECT_GT(band.gain, 3.0f);
  EXPECT_FLOAT_EQ(band.gain * 10, std::round(band.gain * 10));
  EXPECT_EQ(records.back().freq, static_cast<int>(band.frequency));
  EXPECT_NEAR(records.back().gainDb, band.gain, 0.051);
  EXPECT_EQ(Stored(0, 8).freq, static_cast<int>(band.frequency));
  EXPECT_NEAR(panel_->MarkerPoint(8).x(), start.x() + 120, 1);
}

TEST_F(PanelTest, TheHertzADragShowsAreTheHertzItStores) {
  // Every pixel of a sideways drag: the list's frequency and the value label are those of the
  // stored record (a drag that reads "630Hz" must not keep 629 Hz).
  Load(16);
  const QPoint start = panel_->MarkerPoint(3);
  QTest::mousePress(panel_, Qt::LeftButton, {}, start);
  std::vector<int> differ;
  for (int dx = 2; dx <= 160; ++dx) {
    Move(start + QPoint(dx, 0), Qt::LeftButton);
    const QString listed = editor_->List()->item(3, 3)->text();
    if (listed != QString("%1Hz").arg(Stored(16, 3).freq) || panel_->Band(3).frequency != float(Stored(16, 3).freq))
      differ.push_back(dx);
  }
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, start + QPoint(160, 0));
  EXPECT_EQ(differ, std::vector<int>{});
  EXPECT_GT(Stored(16, 3).freq, 500);
}

TEST_F(PanelTest, FilterBandsKeepZeroGainWhileShelvesFollowThePointer) {
  Load(0);
  // Right click without moving opens the type menu; choose LP for band 5.
  const QPoint marker = panel_->MarkerPoint(5);
  panel_->answers = {CEqPanel::kMenuPeq + 1};
  QTest::mouseClick(panel_, Qt::RightButton, {}, marker);
  ASSERT_EQ(panel_->menus.size(), 1u);
  EXPECT_EQ(panel_->menus[0], QStringList({"PEQ", "LP", "HP", "LS", "HS"}));
  EXPECT_EQ(panel_->ticked[0], 0);  // the band was a peaking band
  EXPECT_EQ(panel_->Band(5).type, kLowPass);
  EXPECT_FLOAT_EQ(panel_->Band(5).q, 0.7f);
  EXPECT_EQ(SentRecords().back().type, kLowPass);

  QTest::mousePress(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(5));
  Move(marker + QPoint(10, -100), Qt::LeftButton);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, marker + QPoint(10, -100));
  EXPECT_FLOAT_EQ(panel_->Band(5).gain, 0.0f);
  EXPECT_FLOAT_EQ(SentRecords().back().gainDb, 0.0f);

  panel_->answers = {CEqPanel::kMenuPeq + 3};  // LS
  QTest::mouseClick(panel_, Qt::RightButton, {}, panel_->MarkerPoint(5));
  EXPECT_EQ(panel_->Band(5).type, kLowShelf);
  const QPoint shelf = panel_->MarkerPoint(5);
  QTest::mousePress(panel_, Qt::LeftButton, {}, shelf);
  Move(shelf + QPoint(0, -100), Qt::LeftButton);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, shelf + QPoint(0, -100));
  EXPECT_NEAR(panel_->Band(5).gain, 100.0 * 30.0 / panel_->PlotRect().height(), 0.051);
  // Pulled far above the plot the gain stops at the band's limit.
  QTest::mousePress(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(5));
  Move(shelf + QPoint(0, -400), Qt::LeftButton);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, shelf + QPoint(0, -400));
  EXPECT_FLOAT_EQ(panel_->Band(5).gain, 15.0f);
}

TEST_F(PanelTest, RightDragChangesQWithinTheTypesLimits) {
  Load(0);
  QSignalSpy changed(panel_, &CEqPanel::BandChanged);
  const QPoint marker = panel_->MarkerPoint(2);
  const float q0 = panel_->Band(2).q;
  QTest::mousePress(panel_, Qt::RightButton, {}, marker);
  EXPECT_EQ(changed.count(), 1);  // the right button going down on a band already writes it
  Move(marker + QPoint(24, 0), Qt::RightButton);
  EXPECT_NEAR(panel_->Band(2).q, q0 + 24.0 / 12.0, 1e-4);  // peaking: 12 px per unit
  Move(marker + QPoint(600, 0), Qt::RightButton);
  EXPECT_FLOAT_EQ(panel_->Band(2).q, 30.0f);
  Move(marker + QPoint(-600, 0), Qt::RightButton);
  EXPECT_FLOAT_EQ(panel_->Band(2).q, 0.1f);
  QTest::mouseRelease(panel_, Qt::RightButton, {}, marker + QPoint(-600, 0));
  EXPECT_TRUE(panel_->menus.empty());  // moved: no type menu
  EXPECT_EQ(changed.count(), 5);
  EXPECT_NEAR(SentRecords().back().q, 0.1, 1e-3);

  // A high-pass band turns 80 px per unit and stops at 2.
  panel_->SetBandType(2, kHighPass);
  QTest::mousePress(panel_, Qt::RightButton, {}, panel_->MarkerPoint(2));
  const QPoint hp = panel_->MarkerPoint(2);
  Move(hp + QPoint(40, 0), Qt::RightButton);
  EXPECT_NEAR(panel_->Band(2).q, 0.7 + 0.5, 1e-4);
  Move(hp + QPoint(400, 0), Qt::RightButton);
  EXPECT_FLOAT_EQ(panel_->Band(2).q, 2.0f);
  QTest::mouseRelease(panel_, Qt::RightButton, {}, hp + QPoint(400, 0));
}

TEST_F(PanelTest, LockedPanelIgnoresTheButtonsButStillHovers) {
  Load(0);
  Move(panel_->MarkerPoint(6) + QPoint(12, -12), Qt::NoButton);
  EXPECT_EQ(panel_->HoveredBand(), 6);
  Move(QPoint(500, 60), Qt::NoButton);
  EXPECT_EQ(panel_->HoveredBand(), -1);
  panel_->SetLocked(true);
  QSignalSpy picked(panel_, &CEqPanel::BandPicked);
  QSignalSpy cleared(panel_, &CEqPanel::SelectionCleared);
  QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(1));
  QTest::mouseClick(panel_, Qt::RightButton, {}, QPoint(500, 60));
  EXPECT_EQ(picked.count() + cleared.count(), 0);
  EXPECT_TRUE(panel_->menus.empty());
}

TEST_F(PanelTest, OnlyAnEditablePanelExplainsTheMouse) {
  Load(0);
  EXPECT_TRUE(panel_->toolTip().contains("export"));
  panel_->SetLocked(true);  // a display: telling how to drag its bands would mislead
  EXPECT_TRUE(panel_->toolTip().isEmpty());
  panel_->SetLanguage(Language::Chinese);
  EXPECT_TRUE(panel_->toolTip().isEmpty());
  panel_->SetLocked(false);
  EXPECT_TRUE(panel_->toolTip().contains(QString::fromUtf8("导出")));
}

TEST_F(PanelTest, WheelStepsTheGainOfGainBandsOnly) {
  Load(0);
  QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(4));
  Wheel(120);
  Wheel(120);
  EXPECT_NEAR(panel_->Band(4).gain, 0.2, 1e-5);
  Wheel(-120);
  EXPECT_NEAR(panel_->Band(4).gain, 0.1, 1e-5);
  Wheel(60);  // half a notch waits for the other half
  EXPECT_NEAR(panel_->Band(4).gain, 0.1, 1e-5);
  Wheel(60);
  EXPECT_NEAR(panel_->Band(4).gain, 0.2, 1e-5);
  EXPECT_EQ(SentRecords().size(), 4u);

  panel_->SetBandType(4, kHighPass);
  sink_.Clear();
  Wheel(120);
  EXPECT_FLOAT_EQ(panel_->Band(4).gain, 0.0f);
  EXPECT_TRUE(sink_.Payloads().empty());
}

TEST_F(PanelTest, KeysStepFrequencyGainAndQAndNeverReachThePage) {
  Load(0);
  QTest::keyClick(panel_, Qt::Key_A);  // nothing selected: swallowed all the same
  EXPECT_EQ(page_.keys, 0);

  QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(8));  // factory 998 Hz
  ASSERT_FLOAT_EQ(panel_->Band(8).frequency, 998.0f);
  const float q0 = panel_->Band(8).q;
  QTest::keyClick(panel_, Qt::Key_Right);
  EXPECT_FLOAT_EQ(panel_->Band(8).frequency, 1003.0f);  // above 100: steps of 5
  QTest::keyClick(panel_, Qt::Key_Right);
  EXPECT_FLOAT_EQ(panel_->Band(8).frequency, 1013.0f);  // above 1000: steps of 10
  QTest::keyClick(panel_, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_FLOAT_EQ(panel_->Band(8).frequency, 1012.0f);
  QTest::keyClick(panel_, Qt::Key_Up);
  QTest::keyClick(panel_, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_NEAR(panel_->Band(8).gain, 0.3, 1e-5);
  QTest::keyClick(panel_, Qt::Key_Plus, Qt::KeypadModifier);
  QTest::keyClick(panel_, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_NEAR(panel_->Band(8).q, q0 + 0.1 - 0.01, 1e-5);
  for (int i = 0; i < 40; ++i) QTest::keyClick(panel_, Qt::Key_Minus);
  EXPECT_FLOAT_EQ(panel_->Band(8).q, 0.1f);
  QTest::keyClick(panel_, Qt::Key_F3);
  EXPECT_EQ(page_.keys, 0);
  EXPECT_EQ(SentRecords().size(), 47u);  // one write per editing key, none for F3

  // The lowest band cannot be keyed below 20 Hz.
  QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(0));  // 25 Hz
  for (int i = 0; i < 5; ++i) QTest::keyClick(panel_, Qt::Key_Left);
  EXPECT_FLOAT_EQ(panel_->Band(0).frequency, 20.0f);
}

TEST_F(PanelTest, ChannelSetShowsTenMarkersAndWritesTheCrossoverWithItsPartners) {
  Store(9, 9, 18, 90, 0, 0.7f);  // between the 62 Hz and 125 Hz markers
  Store(9, 10, 20, 90, 0, 0.7f);
  Load(9);
  EXPECT_EQ(panel_->BandCount(), 13);
  EXPECT_EQ(panel_->GrabbableCount(), 10);
  EXPECT_EQ(editor_->List()->rowCount(), 10);
  EXPECT_EQ(panel_->MenuType(9), 2);  // 18, 20, 1, 1: the crossover shows as LP
  EXPECT_FALSE(panel_->Band(10).visible);

  QSignalSpy picked(panel_, &CEqPanel::BandPicked);
  QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(9));
  ASSERT_EQ(picked.count(), 1);
  EXPECT_EQ(picked[0][0].toInt(), 9);
  EXPECT_FALSE(editor_->SlopeList()->isHidden());
  EXPECT_EQ(editor_->SlopeList()->currentIndex(), 9);  // Butterworth 24 dB

  const QPoint marker = panel_->MarkerPoint(9);
  QTest::mousePress(panel_, Qt::LeftButton, {}, marker);
  Move(marker + QPoint(50, 0), Qt::LeftButton);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, marker + QPoint(50, 0));
  // Two writes (move and release), each of the band and its three partners, all at one frequency.
  const auto records = SentRecords();
  ASSERT_EQ(records.size(), 8u);
  const int freq = static_cast<int>(panel_->Band(9).frequency);
  EXPECT_GT(freq, 90);
  for (int band = 9; band <= 12; ++band) EXPECT_EQ(Stored(9, band).freq, freq);
  EXPECT_EQ(Stored(9, 9).type, 18);
  EXPECT_EQ(Stored(9, 10).type, 20);

  // Choosing a slope re-types all four sections.
  sink_.Clear();
  editor_->SlopeList()->activated(1);
  EXPECT_EQ(Stored(9, 9).type, 12);
  EXPECT_EQ(Stored(9, 10).type, 12);
  EXPECT_EQ(Stored(9, 11).type, 1);
  EXPECT_EQ(SentRecords().size(), 4u);
}

TEST_F(PanelTest, ADragStraightUpKeepsTheFrequency) {
  Load(0);
  ASSERT_FLOAT_EQ(panel_->Band(4).frequency, 160.0f);
  // Grabbed a little right of its centre, as a hand does, and pulled straight up.
  const QPoint grab = panel_->MarkerPoint(4) + QPoint(2, 1);
  QTest::mousePress(panel_, Qt::LeftButton, {}, grab);
  for (int dy : {-20, -40, -60}) Move(grab + QPoint(0, dy), Qt::LeftButton);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, grab + QPoint(0, -60));
  EXPECT_FLOAT_EQ(panel_->Band(4).frequency, 160.0f);
  EXPECT_EQ(Stored(0, 4).freq, 160);
  EXPECT_GT(panel_->Band(4).gain, 3.0f);

  // Moved sideways, it follows the pointer's travel from where it was grabbed, not the pointer.
  const QPoint again = panel_->MarkerPoint(4) + QPoint(3, 0);
  const int markerX = panel_->MarkerPoint(4).x();
  QTest::mousePress(panel_, Qt::LeftButton, {}, again);
  Move(again + QPoint(30, 0), Qt::LeftButton);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, again + QPoint(30, 0));
  EXPECT_NEAR(panel_->MarkerPoint(4).x(), markerX + 30, 1);
}

TEST(PanelLabels, StayInsideThePlotAndOffOtherMarkers) {
  const QRectF plot(36, 18, 600, 300);
  const QSizeF block(70, 40);
  auto inside = [&](const QRectF& r) { return plot.contains(r); };
  // A band at 20 kHz: its labels move left into the plot instead of being cut at the edge.
  const QRectF edge = CEqPanel::PlaceValueLabels(block, QPointF(plot.right() - 2, 150), plot, {}, false);
  EXPECT_TRUE(inside(edge));
  // Near the top, a cut's labels (above by preference) stay below the set name line.
  const QRectF top = CEqPanel::PlaceValueLabels(block, QPointF(300, plot.top() + 5), plot, {}, true);
  EXPECT_TRUE(inside(top));
  // A neighbour right below: the labels go above instead of covering it.
  const std::vector<QRectF> neighbour{QRectF(291, 171, 18, 18)};
  const QRectF moved = CEqPanel::PlaceValueLabels(block, QPointF(300, 150), plot, neighbour, false);
  EXPECT_FALSE(moved.intersects(neighbour[0]));
  EXPECT_LT(moved.bottom(), 150);
  // Nowhere free: still inside the plot.
  const std::vector<QRectF> crowd{QRectF(36, 18, 600, 300)};
  EXPECT_TRUE(inside(CEqPanel::PlaceValueLabels(block, QPointF(300, 150), plot, crowd, false)));
}

TEST(PanelColours, EveryBandStandsOutOnTheBlackPlot) {
  // WCAG contrast ratio against the plot's background, at least 4.5:1 (the dark blues had 3.4).
  auto luminance = [](const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double background = luminance(QColor(20, 20, 20));
  for (int band = 0; band < 15; ++band)
    EXPECT_GE((luminance(CEqPanel::BandColor(band)) + 0.05) / (background + 0.05), 4.5) << "band " << band + 1;
}

}  // namespace
}  // namespace nr::gui::test
