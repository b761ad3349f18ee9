// The output pages inside the whole application against an emulated device on loopback: what
// the widgets do reaches the device and stays there.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <cstring>

#include "gui/AppOnEmulator.h"
#include "gui/outputs/OutputPageFixture.h"
#include "inputs/SoundField.h"
#include "outputs/CDialogOutput.h"
#include "outputs/CDialogRec.h"
#include "outputs/CSSVCDlg.h"
#include "outputs/CSSVolumePanel.h"
#include "outputs/OutputHeaderRow.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMFCMyRibbonStatusBar.h"
#include "shell/CMainFrame.h"
#include "shell/CSyncDlg.h"
#include "shell/NrTuneApp.h"

namespace nr::gui::test {
namespace {

class OutputApp : public AppOnEmulator {
 protected:
  void SetUp() override {
    Launch([](NrTuneApp& app) { RegisterOutputPages(app); }, &prompts_);
    app_->View().SwitchCategory(1);
  }

  // The device's image against the application's, over the sound-field area.
  ::testing::AssertionResult DeviceHoldsTheSoundField() {
    const ParamImage device = emulator_->Core().Image();
    const DeviceState s = app_->Context().Model().Snapshot();
    for (int i = kSoundFieldLevelsOffset; i < kRoomRecordOffset + kRoomRecordSize; ++i)
      if (device[static_cast<size_t>(i)] != s.eqTable[static_cast<size_t>(i)])
        return ::testing::AssertionFailure() << "differs at " << i;
    for (int channel = 0; channel < kOutputCount; ++channel) {
      const ParamRow& row = ParamRows()[static_cast<size_t>(FindParamRow(5 + channel, 0x1D))];
      if (std::memcmp(&device[static_cast<size_t>(row.WordOffset())], &s.image[static_cast<size_t>(row.WordOffset())], 24) != 0)
        return ::testing::AssertionFailure() << "distance filter of output " << channel + 1 << " differs";
    }
    return ::testing::AssertionSuccess();
  }

  ScriptedPrompts prompts_;
};

TEST_F(OutputApp, ARoomDragReachesTheDevice) {
  auto* output = qobject_cast<CDialogOutput*>(app_->View().CurrentPage());
  ASSERT_NE(output, nullptr);
  output->Header()->PageButton(OutputPageKind::kLocation)->click();
  auto* page = qobject_cast<CSSVCDlg*>(app_->View().CurrentPage());
  ASSERT_NE(page, nullptr);
  WaitUntil([] { return false; }, 100);  // laid out

  CSSVolumePanel* room = page->Room();
  const QPoint from = room->ToPixel(room->Item(3));  // loudspeaker 3 (R)
  QTest::mousePress(room, Qt::LeftButton, {}, from);
  for (int step = 1; step <= 5; ++step) Drag(room, from + QPoint(-12 * step, 15 * step));
  QTest::mouseRelease(room, Qt::LeftButton, {}, from + QPoint(-60, 75));
  Drain();
  EXPECT_TRUE(DeviceHoldsTheSoundField());
  const DeviceState s = app_->Context().Model().Snapshot();
  EXPECT_LT(s.derived.room.speakerX[2], 1.0f);
  EXPECT_NE(SoundFieldLevel(s, 1), 0.0f);  // output 2 carries R
}

TEST_F(OutputApp, ALinkSwitchedOnMakesTheDevicesChannelsEqual) {
  auto* page = qobject_cast<CDialogOutput*>(app_->View().CurrentPage());
  ASSERT_NE(page, nullptr);
  page->LinkBox(LinkPair::kBack)->click();  // off
  page->SelectChannel(7);
  page->SendSlider(kSendEcho)->setValue(33);  // SBR alone now
  prompts_.answers = {QMessageBox::Yes};
  page->LinkBox(LinkPair::kBack)->click();
  ASSERT_EQ(prompts_.asked.size(), 1u);
  Drain();
  const ParamRow& echo7 = ParamRows()[static_cast<size_t>(FindParamRow(12, 0x16))];
  const ParamRow& echo6 = ParamRows()[static_cast<size_t>(FindParamRow(11, 0x16))];
  const ParamImage device = emulator_->Core().Image();
  auto percent = [&](const ParamRow& row) {
    return DecodeParamWord(ValueType::kPercent, GetBE32(&device[static_cast<size_t>(row.WordOffset())])).AsInt();
  };
  EXPECT_EQ(percent(echo7), 100);  // SBL's value, copied over
  EXPECT_EQ(percent(echo6), 100);
  EXPECT_EQ(page->SendValue(kSendEcho)->text(), "100%");
}

TEST_F(OutputApp, TheRecordPageDisablesOnlyTheStatusBarsBypass) {
  auto* page = qobject_cast<CDialogOutput*>(app_->View().CurrentPage());
  ASSERT_NE(page, nullptr);
  CMFCMyRibbonStatusBar* bar = app_->Frame().StatusBar();
  EXPECT_TRUE(bar->BypassBox()->isEnabled());
  page->Header()->PageButton(OutputPageKind::kRecord)->click();
  ASSERT_NE(qobject_cast<CDialogRec*>(app_->View().CurrentPage()), nullptr);
  EXPECT_FALSE(bar->BypassBox()->isEnabled());
  EXPECT_TRUE(bar->ResetButton()->isEnabled());
}

}  // namespace
}  // namespace nr::gui::test
