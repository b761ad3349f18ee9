// The input-source windows: the capability layout (rows, captions, window height), the fixed
// forms of the models, and what selecting a source and moving a level send.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "InputPageFixture.h"
#include "inputs/CDialogMusicInput.h"
#include "inputs/CDialogMusicInputSet.h"

namespace nr::gui::test {
namespace {

class InputSourceDialogTest : public InputPageTest {
 protected:
  void SetCapability(std::array<uint8_t, 5> bytes) {
    ctx_.Model().Update([&](DeviceState& s) {
      s.capability.bytes.fill(0);
      std::copy(bytes.begin(), bytes.end(), s.capability.bytes.begin());
    });
  }
  // Row top in window coordinates.
  static int RowTop(SourceRowsDialog& d, int source) { return d.RowWidget(source)->geometry().top(); }
};

TEST_F(InputSourceDialogTest, CapabilityRowsFollowEachOtherWithoutGapsAndTakeTheRecordsCaptions) {
  SetCapability({0x55, 0x0F, 0x00, 0x01, 0x00});
  CDialogMusicInputSet dialog(ctx_, session_);
  dialog.show();
  EXPECT_EQ(dialog.ShownSources(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(dialog.Radio(0)->text(), "Android");
  EXPECT_EQ(dialog.Radio(1)->text(), "HDMI1");
  EXPECT_EQ(dialog.Radio(2)->text(), "HDMI2");
  EXPECT_EQ(dialog.Radio(3)->text(), "HDMI3");
  EXPECT_EQ(dialog.Radio(5)->text(), "SPDIF");  // renamed although hidden
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(RowTop(dialog, k) - RowTop(dialog, k - 1), CDialogMusicInputSet::kRowPitch);
  const QRect lastRadio = dialog.Radio(3)->geometry().translated(dialog.RowWidget(3)->pos());
  EXPECT_EQ(dialog.height(), lastRadio.bottom() + 1 + CDialogMusicInputSet::kBottomMargin);
  // The Close button sits in that margin, whole.
  const auto* close = dialog.findChild<QPushButton*>(QStringLiteral("closeButton"));
  ASSERT_NE(close, nullptr);
  EXPECT_GT(close->geometry().top(), lastRadio.bottom());
  EXPECT_LT(close->geometry().bottom(), dialog.height());
  ctx_.SetLanguage(Language::English);
  dialog.Relabel();
  EXPECT_EQ(dialog.windowTitle(), "Input Source");
  SaveShot(&dialog, "input_source_capability_dialog");
}

TEST_F(InputSourceDialogTest, AHiddenFirstRowStillSetsTheOrigin) {
  SetCapability({0x55, 0x02, 0x00, 0x00, 0x08});
  CDialogMusicInputSet dialog(ctx_, session_);
  EXPECT_EQ(dialog.ShownSources(), std::vector<int>{1});
  EXPECT_EQ(RowTop(dialog, 1) - RowTop(dialog, 0), CDialogMusicInputSet::kRowPitch);
  EXPECT_EQ(dialog.Radio(11)->text(), "AUX");  // a Bluetooth mark on 11 loses to the AUX rule
}

TEST_F(InputSourceDialogTest, ACapabilityArrivingLaterRenamesTheRowsAndTheirTips) {
  CDialogMusicInputSet dialog(ctx_, session_);
  const QString before = dialog.Radio(1)->text();
  SetCapability({0x55, 0x0F, 0x00, 0x01, 0x00});
  dialog.RefreshFromImage();
  ASSERT_NE(before, "HDMI1");
  EXPECT_EQ(dialog.Radio(1)->text(), "HDMI1");
  EXPECT_TRUE(dialog.Radio(1)->toolTip().contains("HDMI1")) << dialog.Radio(1)->toolTip().toStdString();
  EXPECT_TRUE(dialog.LevelSlider(1)->toolTip().contains("HDMI1"));
  EXPECT_FALSE(dialog.Radio(1)->toolTip().contains(before));
}

TEST_F(InputSourceDialogTest, TheAndroidRadioSendsItsSourceNumberInEachFixedForm) {
  CDialogMusicInput nr35(ctx_, session_, 527);
  EXPECT_EQ(nr35.ShownSources(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(nr35.Radio(3)->text(), "Android");
  nr35.Radio(3)->click();
  CDialogMusicInput kd490(ctx_, session_, 532);
  EXPECT_EQ(kd490.Radio(0)->text(), "Android");
  kd490.Radio(0)->click();
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{4, 0x12, 3}, {4, 0x12, 0}}));

  // Protocol version 20 adds SPDIF1 to the NR3.5 form when it is refreshed.
  ctx_.Model().Update([](DeviceState& s) { s.info.version = 20; });
  nr35.RefreshFromImage();
  EXPECT_EQ(nr35.ShownSources(), (std::vector<int>{0, 1, 2, 3, 5}));
  EXPECT_EQ(nr35.Radio(5)->text(), "SPDIF1");
  EXPECT_TRUE(nr35.Radio(5)->toolTip().contains("SPDIF1"));
}

TEST_F(InputSourceDialogTest, LevelsAndTheSelectionComeFromTheImageAndGoToTheDevice) {
  session_.SetParam(4, 0x12, 11);
  session_.SetParam(4, 0x13 + 11, 35);
  sink_.Clear();
  CDialogMusicInput dialog(ctx_, session_, 530);
  dialog.show();
  EXPECT_TRUE(dialog.Radio(11)->isChecked());
  EXPECT_EQ(dialog.LevelSlider(11)->value(), 35);
  EXPECT_EQ(dialog.LevelLabel(11)->text(), "35%");
  dialog.LevelSlider(5)->setValue(72);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{4, 0x13 + 5, PercentWord(72)}}));
  EXPECT_EQ(dialog.LevelLabel(5)->text(), "72%");
  ctx_.SetLanguage(Language::English);
  dialog.Relabel();
  EXPECT_EQ(dialog.windowTitle(), "Music source setting");
  SaveShot(&dialog, "input_source_fixed_dialog");
}

}  // namespace
}  // namespace nr::gui::test
