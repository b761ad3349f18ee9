// Pictures of the panel for review (saved when NR_SCREENSHOTS names a folder), and the few
// rendering facts a picture check can pin down.
#include <QPainter>

#include "gui/eq/EqPageFixture.h"

namespace nr::gui::test {
namespace {

class PanelPictures : public EqPageTest {
 protected:
  void SetUp() override {}  // each test builds the page in its language

  void FillMicSet() {
    const float gains[15] = {3, -2, 6, 0, -6, 4.5f, 0, -3, 9, 2, -12, 0, 5, -4, 1};
    const float qs[15] = {1.41f, 2, 1, 4, 1.41f, 0.8f, 1.41f, 3, 2, 1.41f, 6, 1.41f, 1, 2, 1.41f};
    for (int band = 0; band < 15; ++band)
      Store(0, band, band == 0 ? kHighPass : (band == 14 ? kHighShelf : kPeaking), EqSetTable::DefaultFrequency(0, band),
            band == 0 ? 0.0f : gains[band], band == 0 ? 0.7f : qs[band]);
  }

  void FillChannelSet() {
    const float gains[9] = {4, -3, 2, 0, -5, 3, 0, 6, -2};
    for (int band = 0; band < 9; ++band)
      Store(8, band, kPeaking, EqSetTable::DefaultFrequency(8, band), gains[band], 1.41f);
    Store(8, 9, 19, 80, 0, 0.7f);  // high-pass crossover, Linkwitz-Riley 48 dB
    Store(8, 10, 21, 80, 0, 0.7f);
    Store(8, 11, 19, 80, 0, 0.7f);
    Store(8, 12, 21, 80, 0, 0.7f);
  }

  QImage Shot(const QString& name, qreal scale = 1.0) {
    QApplication::processEvents();
    QImage image((QSizeF(panel_->size()) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::black);
    panel_->render(&image);
    SaveScreenshot(image, name);
    return image;
  }
};

TEST_F(PanelPictures, FifteenBandSetInBothLanguages) {
  FillMicSet();
  for (Language language : kLanguages) {
    Build(language);
    Load(0);
    const QString suffix = LanguageCode(language);
    const QImage plain = Shot("eqpanel_mic15_" + suffix + ".png");
    // The summed curve is drawn in its colour somewhere in the plot.
    bool curveSeen = false;
    for (int x = 100; x < 900 && !curveSeen; x += 7)
      for (int y = 18; y < 500 && !curveSeen; ++y) curveSeen = plain.pixelColor(x, y) == QColor(0, 200, 255);
    EXPECT_TRUE(curveSeen);

    QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(8));
    Shot("eqpanel_mic15_selected_" + suffix + ".png");
    Shot("eqpanel_mic15_selected_" + suffix + "@2x.png", 2.0);
    delete panel_;
    delete editor_;
  }
}

TEST_F(PanelPictures, CompositeChannelSetAndBypass) {
  FillChannelSet();
  for (Language language : kLanguages) {
    Build(language);
    Load(8);
    QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(9));
    ASSERT_EQ(panel_->SelectedBand(), 9);
    const QString suffix = LanguageCode(language);
    Shot("eqpanel_channel_crossover_" + suffix + ".png");
    // Low gain band selected: its labels go above the marker.
    QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(4));
    Shot("eqpanel_channel_cut_selected_" + suffix + ".png");
    panel_->SetBypass(true);
    Shot("eqpanel_channel_bypass_" + suffix + ".png");
    delete panel_;
    delete editor_;
  }
  // The band editor beside it, showing the crossover band with its slope list.
  Build(Language::English);
  Load(8);
  QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(9));
  SaveScreenshot(page_.grab().toImage(), "eqpage_editor_crossover_en.png");
  QTest::mouseClick(panel_, Qt::LeftButton, {}, QPoint(600, 40));
  SaveScreenshot(page_.grab().toImage(), "eqpage_editor_list_en.png");
}

}  // namespace
}  // namespace nr::gui::test
