// The features window: what its switches and sliders send, and its two pictures.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QSlider>
#include <set>

#include "InputPageFixture.h"
#include "inputs/CExciterEQPanel.h"
#include "inputs/CExciterPanel.h"
#include "inputs/CloudnessDlg.h"
#include "link/EqLayout.h"

namespace nr::gui::test {
namespace {

using Dlg = CloudnessDlg;

class FeaturesDialogTest : public InputPageTest {
 protected:
  Dlg& Open() {
    dialog_ = std::make_unique<Dlg>(ctx_, session_);
    dialog_->show();
    sink_.Clear();
    return *dialog_;
  }
  std::unique_ptr<Dlg> dialog_;
};

TEST_F(FeaturesDialogTest, AutomaticMusicLevelSwitchAndValidLevel) {
  Dlg& d = Open();
  EXPECT_FALSE(d.CheckControl(Dlg::kAutoLevel)->isChecked());  // the factory off switch is 1
  d.CheckControl(Dlg::kAutoLevel)->click();
  d.CheckControl(Dlg::kAutoLevel)->click();
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{4, 0x0F, 0}, {4, 0x0F, 1}}));

  sink_.Clear();
  d.SliderControl(Dlg::kAutoLevelThreshold)->setValue(-20);
  ASSERT_EQ(sink_.Payloads().size(), 1u);
  const Bytes block = sink_.Payloads()[0];
  ASSERT_EQ(block.size(), 33u);
  EXPECT_EQ(Hex(std::span(block).first(5)), "09 00 04 0E 07");
  const float expected[5] = {-20.0f, 0.0f, 0.9375f, 20.0f, 0.05f};
  for (int w = 0; w < 5; ++w) EXPECT_EQ(GetBE32(&block[static_cast<size_t>(5 + 4 * w)]), FloatBits(expected[w])) << w;
  EXPECT_EQ(d.SliderValue(Dlg::kAutoLevelThreshold)->text(), "-20dB");
}

TEST_F(FeaturesDialogTest, ExciterSwitchesAndBandsDriveThePictures) {
  Dlg& d = Open();
  EXPECT_FALSE(d.ExciterEq()->Bypass());
  d.CheckControl(Dlg::kExciterEq)->click();
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{14, 0x0A, 0}}));
  EXPECT_TRUE(d.ExciterEq()->Bypass());
  d.CheckControl(Dlg::kExciter)->click();
  EXPECT_FALSE(d.Harmonics()->On());

  sink_.Clear();
  d.SliderControl(Dlg::kMidFrequency)->setValue(2500);
  d.SliderControl(Dlg::kHighGain)->setValue(9);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{14, 0x02, FloatBits(2500.0f)}, {14, 0x05, FloatBits(9.0f)}}));
  EXPECT_EQ(d.ExciterEq()->Band(1).frequency, 2500.0f);
  EXPECT_EQ(d.ExciterEq()->Band(2).gain, 9.0f);
  EXPECT_EQ(d.ExciterEq()->Band(0).type, 4);
  EXPECT_TRUE(d.ExciterEq()->Locked());
  const QString tip = d.ExciterEq()->toolTip();  // what the display shows, not how to drag bands
  EXPECT_FALSE(tip.isEmpty());
  EXPECT_FALSE(tip.contains("Drag") || tip.contains(QString::fromUtf8("拖动"))) << tip.toStdString();
  EXPECT_EQ(d.SliderValue(Dlg::kMidFrequency)->text(), "2500Hz");
  SaveShot(&d, "features_dialog");
}

TEST_F(FeaturesDialogTest, MaxBassAndAutoSubWrites) {
  Dlg& d = Open();
  EXPECT_EQ(d.SliderControl(Dlg::kMaxBassFrequency)->value(), 100);
  d.SliderControl(Dlg::kMaxBassFrequency)->setValue(20);
  ASSERT_EQ(sink_.Payloads().size(), 2u);
  EXPECT_EQ(Hex(sink_.Payloads()[1]), "85 01 DC 07 00 96 00 14 02 C3 02");  // band record 68
  sink_.Clear();
  d.SliderControl(Dlg::kMaxBassDelay)->setValue(2);
  d.SliderControl(Dlg::kMaxBassGain)->setValue(150);
  d.CheckControl(Dlg::kAutoSub)->click();
  d.SliderControl(Dlg::kAutoSubLevel)->setValue(30);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{
                          {4, 0x22, 96}, {4, 0x23, PercentWord(150)}, {1, 0x0C, 1}, {1, 0x0D, PercentWord(30)}}));
  EXPECT_EQ(d.SliderValue(Dlg::kMaxBassDelay)->text(), "2ms");
}

// Columns of the picture that hold a pixel of the harmonics' yellow.
int YellowColumns(CExciterPanel& panel) {
  panel.resize(460, 200);
  const QImage image = panel.grab().toImage();
  const double column = (image.width() - 50 - 8) / 18.0;
  std::set<int> columns;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 50; x < image.width() - 8; ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 200 && c.green() > 200 && c.blue() < 80) columns.insert(static_cast<int>((x - 50) / column));
    }
  return static_cast<int>(columns.size());
}

TEST(ExciterPanel, OrderSetsHowManyHarmonicsAreDrawn) {
  EXPECT_EQ(CExciterPanel::HarmonicCount(0), 0);
  EXPECT_EQ(CExciterPanel::HarmonicCount(100), 17);
  EXPECT_EQ(CExciterPanel::HarmonicCount(64), 10);
  EXPECT_EQ(CExciterPanel::HarmonicHeight(100, 100, 1), 90);
  EXPECT_EQ(CExciterPanel::HarmonicHeight(100, 0, 3), 0);

  CExciterPanel panel;
  panel.SetValues(100, 0, 100);
  EXPECT_EQ(YellowColumns(panel), 0);
  panel.SetValues(100, 100, 100);
  EXPECT_EQ(YellowColumns(panel), 17);
}

}  // namespace
}  // namespace nr::gui::test
