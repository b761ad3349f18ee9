// Undo and redo in the whole application against an emulated device: what the user's gestures
// make into steps, what an undo puts on the wire, and what clears the steps.
#include <QAbstractSlider>
#include <QCheckBox>
#include <QTest>
#include <algorithm>

#include "eq/BandWrites.h"
#include "eq/Biquad.h"
#include "eq/CEqPanel.h"
#include "gui/AppOnEmulator.h"
#include "inputs/InputPages.h"
#include "link/Commands.h"
#include "shell/CMainFrame.h"
#include "shell/EditHistory.h"
#include "shell/ModeCommands.h"
#include "shell/ModeFile.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"

namespace nr::gui::test {
namespace {

using Bytes = std::vector<uint8_t>;

class UndoRedo : public AppOnEmulator {
 protected:
  void SetUp() override {
    Launch([](NrTuneApp& app) { RegisterInputPages(app); }, &prompts_);
    app_->Frame().resize(1280, 800);
    WaitUntil([] { return false; }, 100);  // laid out
  }
  EditHistory& History() { return app_->Context().History(); }
  // The gesture has ended and become the step(s) the stack now holds.
  bool Steps(int count) { return WaitUntil([&] { return !History().GestureOpen() && History().Stack().count() == count; }, 3000); }
  void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(&app_->Frame(), key, modifiers);
    Drain();
  }
  bool DeviceReceived(const Payload& p) {
    const auto log = emulator_->Core().Log();
    return std::any_of(log.begin(), log.end(), [&](const emu::ReceivedPayload& r) {
      return r.bytes == Bytes(p.bytes().begin(), p.bytes().end());
    });
  }
  Bytes DeviceBand(int set, int band) {
    const ParamImage image = emulator_->Core().Image();
    return Bytes(image.begin() + EqBandOffset(set, band), image.begin() + EqBandOffset(set, band) + kEqBandBytes);
  }
  void Drag(QWidget* w, QPoint from, QPoint to) {
    QTest::mousePress(w, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step) {
      const QPoint at = from + (to - from) * step / 4;
      QMouseEvent move(QEvent::MouseMove, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(w, &move);
    }
    QTest::mouseRelease(w, Qt::LeftButton, {}, to);
  }
  QCheckBox* MicMute() { return qobject_cast<QCheckBox*>(app_->Frame().Ribbon()->Element(rid::kInMicMute)); }

  ScriptedPrompts prompts_;
};

TEST_F(UndoRedo, AnUndoAfterABandDragPutsTheOldRecordOnTheWire) {
  auto* panel = app_->View().CurrentPage()->findChild<CEqPanel*>();
  ASSERT_NE(panel, nullptr);
  const int set = panel->EqSet(), band = 8;
  const Bytes oldRecord = DeviceBand(set, band);
  const QPoint marker = panel->MarkerPoint(band);
  Drag(panel, marker, marker + QPoint(60, -40));
  ASSERT_TRUE(Steps(1));
  Drain();
  const Bytes newRecord = DeviceBand(set, band);
  ASSERT_NE(newRecord, oldRecord);
  emulator_->Core().ClearLog();

  Keys(Qt::Key_Z, Qt::ControlModifier);
  EqBandBytes record{};
  std::copy(oldRecord.begin(), oldRecord.end(), record.begin());
  const EqBand old = DecodeEqBand(record);
  const EqSetLayout layout = EqSetInfo(set);
  EXPECT_TRUE(DeviceReceived(BuildWriteImageBytes(EqBandOffset(set, band), record)));
  EXPECT_TRUE(DeviceReceived(BuildWriteBiquad(layout.module, layout.firstIndex + band,
                                              DeviceCoefficients(DesignBiquad(old.type, old.gainDb, old.freq, old.q)))));
  EXPECT_EQ(DeviceBand(set, band), oldRecord);
  EXPECT_NEAR(panel->Band(band).frequency, old.freq, 1.0f) << "the panel shows the old band again";
  EXPECT_EQ(History().Stack().count(), 1) << "an undo is no step of its own";

  Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(DeviceBand(set, band), newRecord);
}

TEST_F(UndoRedo, OneGestureIsOneStepAndKeysOnOneControlJoinIt) {
  CMyMFCRibbonBar* ribbon = app_->Frame().Ribbon();
  auto* slider = qobject_cast<QAbstractSlider*>(ribbon->Element(rid::kInMicSlider));
  ASSERT_NE(slider, nullptr);
  const int start = app_->Context().Model().Read([](const DeviceState& s) { return s.IntValue(1, 14); });
  QTest::mouseClick(MicMute(), Qt::LeftButton);
  ASSERT_TRUE(Steps(1));
  slider->setFocus();
  for (int i = 0; i < 3; ++i) QTest::keyClick(slider, Qt::Key_Left);
  ASSERT_TRUE(Steps(2)) << "three keys on one slider: one step";
  Drain();
  EXPECT_EQ(app_->Context().Model().Read([](const DeviceState& s) { return s.IntValue(1, 14); }), start - 3);

  Keys(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(app_->Context().Model().Read([](const DeviceState& s) { return s.IntValue(1, 14); }), start);
  EXPECT_EQ(slider->value(), start) << "the ribbon follows";
  EXPECT_TRUE(MicMute()->isChecked()) << "the mute step is still there";
  Keys(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_FALSE(MicMute()->isChecked());
  const ParamImage device = emulator_->Core().Image();
  const ParamImage screen = app_->Context().Model().Read([](const DeviceState& s) { return s.image; });
  EXPECT_TRUE(std::equal(device.begin() + kRecordListOffset, device.end(), screen.begin() + kRecordListOffset))
      << "the device holds every record the screen shows";
  EXPECT_FALSE(History().Stack().canUndo());
}

TEST_F(UndoRedo, AReadAllAModeLoadAndAFileLoadClearTheSteps) {
  QTest::mouseClick(MicMute(), Qt::LeftButton);
  ASSERT_TRUE(Steps(1));
  app_->Conn().Sync().StartBulkRead();
  EXPECT_TRUE(Steps(0)) << "a read-all";

  QTest::mouseClick(MicMute(), Qt::LeftButton);
  ASSERT_TRUE(Steps(1));
  prompts_.answers = {QMessageBox::Yes};
  app_->View().Modes().LoadDeviceMode(1);
  EXPECT_EQ(History().Stack().count(), 0) << "a mode load";
  ASSERT_TRUE(WaitUntil([&] { return !app_->Conn().Sync().Busy() && !app_->View().Sync().IsShown(); }));

  QTest::mouseClick(MicMute(), Qt::LeftButton);
  ASSERT_TRUE(Steps(1));
  const QString file = dir_.filePath("preset.mode");
  prompts_.nextFile = file;
  app_->View().OnCommand(rid::kFileSaveAs);
  ASSERT_TRUE(QFileInfo::exists(file));
  app_->View().Modes().OpenFile(file);
  EXPECT_EQ(History().Stack().count(), 0) << "a file load";
}

}  // namespace
}  // namespace nr::gui::test
