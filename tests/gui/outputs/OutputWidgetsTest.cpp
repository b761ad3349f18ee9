// The drawn controls of the output pages: where they put levels, delays and positions, and how
// far a drag may take them.
#include <QSignalSpy>

#include "gui/outputs/OutputPageFixture.h"
#include "inputs/SoundField.h"
#include "outputs/CCompressPanelPlus.h"
#include "outputs/CDelayPanel.h"
#include "outputs/CDialogRec.h"
#include "outputs/CSSVCDlg.h"
#include "outputs/CSSVolumePanel.h"
#include "outputs/TitlePicture.h"

namespace nr::gui::test {
namespace {

TEST(OutputWidgets, TransferCurveMapsLevelsAndBendsAtTheKnee) {
  CCompressPanelPlus curve;
  curve.resize(396, 341);  // a plot of 336 x 296 pixels: 3.5 and about 3.08 pixels per dB
  EXPECT_DOUBLE_EQ(curve.InputX(-90), 40);
  EXPECT_DOUBLE_EQ(curve.InputX(6), 376);
  EXPECT_DOUBLE_EQ(curve.OutputY(6), 20);
  EXPECT_DOUBLE_EQ(curve.OutputY(-90), 341 - 25);
  curve.SetThreshold(-30);
  curve.SetRatio(4);
  EXPECT_DOUBLE_EQ(curve.OutputLevel(-60), -60);  // unity below the knee
  EXPECT_DOUBLE_EQ(curve.OutputLevel(-30), -30);
  EXPECT_DOUBLE_EQ(curve.OutputLevel(6), -21);    // 36 dB above the knee come out as 9
  curve.SetRatio(0.5);                            // below 1:1 is no compressor: taken as 1:1
  EXPECT_DOUBLE_EQ(curve.OutputLevel(6), 6);
}

TEST(OutputWidgets, DelayBarsDragWithinTheirRange) {
  CDelayPanel graph;
  graph.resize(500, 8 * 38 + CDelayPanel::kScaleHeight);
  graph.show();
  EXPECT_DOUBLE_EQ(graph.RowY(0), 19);
  EXPECT_DOUBLE_EQ(graph.RowY(7), 285);
  QSignalSpy dragged(&graph, &CDelayPanel::valueDragged);
  const QPoint marker = graph.MarkerPoint(3).toPoint();
  QTest::mousePress(&graph, Qt::LeftButton, {}, marker + QPoint(10, 8));  // within reach
  Drag(&graph, QPoint(2000, marker.y()));
  Drag(&graph, QPoint(-50, marker.y()));
  QTest::mouseRelease(&graph, Qt::LeftButton, {}, marker);
  ASSERT_EQ(dragged.count(), 2);
  EXPECT_EQ(dragged[0][1].toFloat(), CDelayPanel::kMaxMs);
  EXPECT_EQ(dragged[1][1].toFloat(), CDelayPanel::kMinMs);
  EXPECT_EQ(dragged[1][0].toInt(), 3);
  QTest::mousePress(&graph, Qt::LeftButton, {}, graph.MarkerPoint(3).toPoint() + QPoint(0, 20));  // too far
  Drag(&graph, QPoint(200, marker.y()));
  EXPECT_EQ(dragged.count(), 2);
}

TEST(OutputWidgets, RoomIsDrawnToScaleAndDragsStayInside) {
  CSSVolumePanel room;
  room.resize(700, 400);
  room.SetRoomSize(5, 3);
  room.show();
  // One scale both ways: 3 m take the height less the margins, so 5 m take 5/3 of it.
  const QRect plot = room.PlotRect();
  EXPECT_NEAR(plot.width() / 5.0, plot.height() / 3.0, 1.0);
  EXPECT_NEAR(plot.height(), 400 - 2 * CSSVolumePanel::kInset, 1);
  EXPECT_EQ(room.ToPixel({0, 0}), QPoint(350, 200));
  const QPointF back = room.ToMetres(room.ToPixel({-1.5, 1.0}));
  EXPECT_NEAR(back.x(), -1.5, 0.01);
  EXPECT_NEAR(back.y(), 1.0, 0.01);

  QSignalSpy moved(&room, &CSSVolumePanel::itemMoved);
  QTest::mousePress(&room, Qt::LeftButton, {}, room.ToPixel(room.Item(5)) + QPoint(12, -12));  // loudspeaker 5
  ASSERT_EQ(moved.count(), 1);  // grabbed where it stands
  EXPECT_EQ(moved[0][0].toInt(), 5);
  Drag(&room, QPoint(-100, 900));
  ASSERT_EQ(moved.count(), 2);
  EXPECT_NEAR(moved[1][1].toFloat(), -2.5f, 0.02f);
  EXPECT_NEAR(moved[1][2].toFloat(), -1.5f, 0.02f);
  QTest::mouseRelease(&room, Qt::LeftButton, {}, QPoint(0, 0));
  QTest::mousePress(&room, Qt::LeftButton, {}, QPoint(5, 5));  // nothing there
  EXPECT_EQ(moved.count(), 2);
}

class OutputWidgetsOnPages : public OutputPageTest {};

TEST_F(OutputWidgetsOnPages, AFiveMetreRoomGivesHalfMetreEdgesAndSpinRanges) {
  nr::SetRoomSize(session_, 5, 4);
  CSSVCDlg* page = Open<CSSVCDlg>();
  EXPECT_EQ(page->XBox(2)->minimum(), -25);
  EXPECT_EQ(page->XBox(2)->maximum(), 25);
  EXPECT_EQ(page->YBox(2)->maximum(), 20);
  EXPECT_EQ(page->Room()->RoomWidth(), 5);
  SaveShot(&host_, "sound_field_page_5m");  // the side edges read -2.5m and +2.5m
  // A step of a spin box moves the loudspeaker by a tenth and sets its level at once.
  sink_.Clear();
  page->YBox(1)->stepUp();
  EXPECT_FLOAT_EQ(ctx_.Model().Snapshot().derived.room.speakerY[0], 1.1f);
  EXPECT_EQ(Blocks(5, 0x1D).size(), 1u);
}

TEST_F(OutputWidgetsOnPages, RecordTitleFollowsTheLanguage) {
  CDialogRec* page = Open<CDialogRec>();
  EXPECT_EQ(page->Title()->Title(), QString::fromUtf8("录音输出"));
  SetLanguage(Language::English);
  page->Relabel();
  EXPECT_EQ(page->Title()->Title(), "RECORD");
}

}  // namespace
}  // namespace nr::gui::test
