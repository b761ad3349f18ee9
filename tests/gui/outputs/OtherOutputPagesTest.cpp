// The compressor, delay, sound-field and record pages driven as a user would.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "eq/BandEditor.h"
#include "eq/CEqPanel.h"
#include "gui/outputs/OutputPageFixture.h"
#include "inputs/SoundField.h"
#include "outputs/CCompDlg.h"
#include "outputs/CCompressPanelPlus.h"
#include "outputs/CDelayDlg.h"
#include "outputs/CDelayPanel.h"
#include "outputs/CDialogOutput.h"
#include "outputs/CDialogRec.h"
#include "outputs/CSSVCDlg.h"
#include "outputs/OutputChannels.h"
#include "outputs/CSSVolumePanel.h"
#include "outputs/CompressorControls.h"
#include "outputs/Delay.h"
#include "outputs/OutputHeaderRow.h"

namespace nr::gui::test {
namespace {

class OutputPages : public OutputPageTest {};

TEST_F(OutputPages, CompressorPageLoadsTheChosenOutputAndSwitchesIt) {
  WriteCompressor(session_, 2, DynamicsSettings{-24, 6.0f, 15, 300});
  CCompDlg* page = Open<CCompDlg>(0);
  CompressorControls* controls = page->Controls();
  EXPECT_EQ(controls->ValueText(CompressorSlider::kRatio), "30.0:1");
  EXPECT_FALSE(page->Curve()->On());

  page->OutputList()->setCurrentIndex(2);
  emit page->OutputList()->activated(2);
  EXPECT_EQ(controls->ValueText(CompressorSlider::kThreshold), "-24dB");
  EXPECT_EQ(controls->Slider(CompressorSlider::kRelease)->value(), 300);
  EXPECT_EQ(page->Curve()->Threshold(), -24.0);
  EXPECT_EQ(ctx_.OutputChannel(), 2);
  EXPECT_TRUE(page->Header()->ChannelButton(2)->isChecked());

  controls->Switch()->click();
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{7, 0x1C, 0}}));
  EXPECT_TRUE(page->Curve()->On());
  sink_.Clear();
  controls->Slider(CompressorSlider::kRatio)->setValue(20);  // no links here: output 3 alone
  ASSERT_EQ(Blocks(7, 0x1B).size(), 1u);
  EXPECT_EQ(Word(Blocks(7, 0x1B)[0], 0), -24.0f);
  EXPECT_EQ(Word(Blocks(7, 0x1B)[0], 2), 0.5f);
  EXPECT_EQ(sink_.Packets().size(), 1u);
  EXPECT_EQ(page->Curve()->Ratio(), 2.0);
  EXPECT_DOUBLE_EQ(page->Curve()->OutputLevel(6.0), -24.0 + 30.0 / 2.0);
}

TEST_F(OutputPages, DelayPageDrivesTheOutputsDelayParameters) {
  CDelayDlg* page = Open<CDelayDlg>();
  EXPECT_FALSE(page->OnBox(1)->isChecked());
  EXPECT_FALSE(page->SplitSlider(1)->isEnabled());
  page->OnBox(1)->click();
  page->SplitModeButton(1)->click();
  page->SplitSlider(1)->setValue(3);
  EXPECT_EQ(page->SplitValue(1)->text(), "800Hz");
  page->DelayBox(1)->setValue(10.0);
  EXPECT_EQ(Writes().front(), (ParamWrite{6, 0x13, 0}));
  EXPECT_EQ(Writes().back(), (ParamWrite{6, 0x12, 480}));
  const DeviceState s = ctx_.Model().Snapshot();
  EXPECT_FALSE(ChannelDelayMode(s, 1));
  EXPECT_EQ(DelaySplitIndex(s, 1), 3);
  EXPECT_FLOAT_EQ(page->Graph()->Value(1), 10.0f);

  // Dragging a bar sets the delay in tenths and the box follows.
  sink_.Clear();
  CDelayPanel* graph = page->Graph();
  const QPoint marker = graph->MarkerPoint(4).toPoint();
  QTest::mousePress(graph, Qt::LeftButton, {}, marker);
  Drag(graph, QPoint(static_cast<int>(graph->ValueX(50.0f)), marker.y()));
  QTest::mouseRelease(graph, Qt::LeftButton, {}, marker);
  const double ms = page->DelayBox(4)->value();
  EXPECT_NEAR(ms, 50.0, 0.6);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{9, 0x12, MillisWord(static_cast<float>(std::lround(ms * 10) / 10.0))}}));
  // The box keeps the one range: nothing below 1.4 ms.
  page->DelayBox(4)->setValue(0.5);
  EXPECT_EQ(Writes().back(), (ParamWrite{9, 0x12, 67}));

  // A change from elsewhere shows after a refresh.
  SetDelayOn(session_, 7, true);
  page->RefreshFromImage();
  EXPECT_TRUE(page->OnBox(7)->isChecked());
}

TEST_F(OutputPages, DraggingTheListenerSendsTheRoomAndEveryLevel) {
  CSSVCDlg* page = Open<CSSVCDlg>();
  CSSVolumePanel* room = page->Room();
  const QPoint listener = room->ToPixel(room->Item(CSSVolumePanel::kListener));
  QTest::mousePress(room, Qt::LeftButton, {}, listener);
  const QPoint target = room->ToPixel({-1.0, 1.0});  // onto loudspeaker 1 (L)
  Drag(room, target);
  QTest::mouseRelease(room, Qt::LeftButton, {}, target);

  const DeviceState s = ctx_.Model().Snapshot();
  EXPECT_NEAR(s.derived.room.listenerX, -1.0f, 0.02f);
  EXPECT_NEAR(s.derived.room.listenerY, 1.0f, 0.02f);
  EXPECT_NEAR(SoundFieldLevel(s, 0), 3.0f, 0.1f);
  EXPECT_EQ(page->XBox(0)->text(), "-1.0m");
  EXPECT_EQ(page->YBox(0)->text(), "+1.0m");
  int rooms = 0, filters = 0;
  for (const Bytes& p : sink_.Payloads()) {
    rooms += p[0] == 0x85 && GetBE16(&p[1]) == kRoomRecordOffset;
    filters += p[0] == 0x09 && p[3] == 0x1D;
  }
  EXPECT_EQ(rooms, 2);        // the grab, then the move
  EXPECT_EQ(filters, 2 * 8);  // every loudspeaker's level each time
}

TEST_F(OutputPages, TheListenerAndAChosenLoudspeakerMoveWithTheArrowKeys) {
  CSSVCDlg* page = Open<CSSVCDlg>();
  CSSVolumePanel* room = page->Room();
  room->setFocus();
  QTest::keyClick(room, Qt::Key_Right);
  QTest::keyClick(room, Qt::Key_Right);
  EXPECT_NEAR(ctx_.Model().Snapshot().derived.room.listenerX, 0.2f, 1e-4f);
  EXPECT_EQ(page->XBox(0)->text(), "+0.2m");

  QTest::keyClick(room, Qt::Key_2);  // loudspeaker 2, the centre at (0, +1)
  EXPECT_EQ(room->SelectedItem(), 2);
  QTest::keyClick(room, Qt::Key_Up, Qt::ControlModifier);
  QTest::keyClick(room, Qt::Key_Up, Qt::ControlModifier);
  QTest::keyClick(room, Qt::Key_Up, Qt::ControlModifier);  // the room's front wall stops it at +2
  const RoomModel r = ctx_.Model().Snapshot().derived.room;
  EXPECT_NEAR(r.speakerY[1], 2.0f, 1e-4f);
  EXPECT_NEAR(r.listenerX, 0.2f, 1e-4f);
}

TEST_F(OutputPages, SoundFieldBoxesSizeLocateAndReset) {
  SetLanguage(Language::English);
  CSSVCDlg* page = Open<CSSVCDlg>();
  EXPECT_EQ(page->PositionLabel(4)->text(), "(CH-SUB)");
  // Each loudspeaker names the output that drives it: loudspeaker 2 is the centre, output 6.
  EXPECT_EQ(page->Room()->SpeakerChannel(0), "CH 1");
  EXPECT_EQ(page->Room()->SpeakerChannel(1), "CH 6");
  SetSpeakerPosition(session_, 5, kPosFrontLeft);  // output 6 moves to the front left: nothing drives the centre
  page->RefreshFromImage();
  EXPECT_EQ(page->Room()->SpeakerChannel(1), "");
  EXPECT_EQ(page->Room()->SpeakerChannel(0), "CH 1");  // the first output at the position
  SetSpeakerPosition(session_, 5, kPosCenter);
  page->RefreshFromImage();
  // A typed loudspeaker position outside the room is kept at its edge.
  page->XBox(3)->findChild<QLineEdit*>()->setText("-7.5");
  page->XBox(3)->interpretText();
  EXPECT_EQ(ctx_.Model().Snapshot().derived.room.speakerX[2], -2.0f);
  EXPECT_EQ(page->XBox(3)->text(), "-2.0m");

  page->WidthBox()->setValue(7);
  EXPECT_EQ(ctx_.Model().Snapshot().derived.room.width, 7);
  EXPECT_EQ(page->XBox(1)->maximum(), 35);
  EXPECT_EQ(page->Room()->RoomWidth(), 7);

  page->LocateBox(2)->click();
  page->LocateBox(5)->click();
  EXPECT_FALSE(page->LocateBox(2)->isChecked());
  EXPECT_EQ(LocatedCode(ctx_.Model().Snapshot()), kPosCenter);
  page->LocateBox(5)->click();
  EXPECT_EQ(LocatedCode(ctx_.Model().Snapshot()), kLocateNone);

  page->VolumeSlider(0)->setValue(250);
  EXPECT_EQ(page->VolumeValue(0)->text(), "250%");
  page->ResetButton()->click();
  EXPECT_EQ(page->WidthBox()->value(), 4);
  EXPECT_EQ(page->XBox(3)->text(), "+1.0m");
  EXPECT_EQ(page->VolumeSlider(0)->value(), 250);

  page->XBox(0)->setValue(5);
  page->CenterButton()->click();
  EXPECT_EQ(page->XBox(0)->text(), "+0.0m");  // the boxes follow the centred listener
}

TEST_F(OutputPages, RecordPageWritesModule13AndHasNoEqBypass) {
  CDialogRec* page = Open<CDialogRec>();
  EXPECT_TRUE(page->HasEq());
  EXPECT_FALSE(page->HasEqBypass());
  EXPECT_FALSE(page->Compressor()->Switch()->isChecked());
  EXPECT_EQ(page->Compressor()->ValueText(CompressorSlider::kRelease), "100ms");
  page->LevelSlider(CDialogRec::kLevels - 1)->setValue(50);
  EXPECT_EQ(page->LevelValue(CDialogRec::kLevels - 1)->text(), "50%");
  page->Compressor()->Switch()->click();
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{13, 0x06, PercentWord(50)}, {13, 0x05, 0}}));
  page->Compressor()->Slider(CompressorSlider::kRatio)->setValue(40);
  EXPECT_EQ(page->Compressor()->ValueText(CompressorSlider::kRatio), "4.0:1");
  ASSERT_EQ(Blocks(13, 0x04).size(), 1u);
  EXPECT_EQ(Word(Blocks(13, 0x04)[0], 2), 0.75f);

  // Its own header button changes nothing and keeps the current band; CH 3 opens the channel page.
  page->Editor()->ShowBand(2);
  page->Header()->PageButton(OutputPageKind::kRecord)->click();
  EXPECT_EQ(host_.CurrentPage(), page);
  EXPECT_EQ(page->Editor()->CurrentBand(), 2);
  EXPECT_TRUE(page->Header()->PageButton(OutputPageKind::kRecord)->isChecked());

  page->ResetCurrentEq();
  EXPECT_EQ(ctx_.Model().Snapshot().Band(15, 4).freq, 800);
  EXPECT_EQ(page->Editor()->CurrentBand(), -1);
  page->Header()->ChannelButton(2)->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  auto* output = qobject_cast<CDialogOutput*>(host_.CurrentPage());
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(output->Channel(), 2);
}

}  // namespace
}  // namespace nr::gui::test
