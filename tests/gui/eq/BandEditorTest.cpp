// The band list and edit group beside the panel, and copy and paste of whole sets.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>

#include "gui/eq/EqPageFixture.h"
#include "link/Trace.h"

namespace nr::gui::test {
namespace {

using EditorTest = EqPageTest;

struct CollectingTrace : TraceSink {
  std::string text;
  void Write(std::string_view t) override { text += t; }
};

TEST_F(EditorTest, ListShowsOneRowPerGrabbableBand) {
  Store(2, 1, kPeaking, 120, -3.5f, 2.0f);
  Load(2);
  QTableWidget* list = editor_->List();
  ASSERT_EQ(list->rowCount(), 7);
  EXPECT_EQ(list->item(1, 0)->text(), "2");
  EXPECT_EQ(list->item(1, 1)->text(), "PEQ");
  EXPECT_EQ(list->item(1, 2)->text(), "-3.5dB");
  EXPECT_EQ(list->item(1, 3)->text(), "120Hz");
  EXPECT_EQ(list->item(1, 4)->text(), "2.00");
  EXPECT_EQ(list->item(6, 1)->text(), "HS");  // the echo set's factory high shelf

  editor_->SetLanguage(Language::Chinese);
  EXPECT_EQ(list->item(6, 1)->text(), QString::fromUtf8("高架"));
  EXPECT_EQ(list->horizontalHeaderItem(1)->text(), QString::fromUtf8("类型"));
}

TEST_F(EditorTest, TypedQIsClampedAndAZeroQIsIgnored) {
  Load(0);
  editor_->ShowBand(3);
  editor_->QBox()->setText("0.05");
  QTest::keyClick(editor_->QBox(), Qt::Key_Return);
  EXPECT_FLOAT_EQ(panel_->Band(3).q, 0.1f);
  EXPECT_EQ(editor_->QBox()->text(), "0.10");
  EXPECT_NEAR(SentRecords().back().q, 0.1, 1e-3);

  editor_->QBox()->setText("0");
  QTest::keyClick(editor_->QBox(), Qt::Key_Return);
  EXPECT_FLOAT_EQ(panel_->Band(3).q, 0.1f);

  // The same through the list's Q column.
  editor_->ShowList();
  editor_->List()->item(5, 4)->setText("0");
  EXPECT_FLOAT_EQ(panel_->Band(5).q, 1.414f);
  EXPECT_EQ(editor_->List()->item(5, 4)->text(), "1.41");
  editor_->List()->item(5, 4)->setText("0.01");
  EXPECT_FLOAT_EQ(panel_->Band(5).q, 0.1f);
  EXPECT_NEAR(Stored(0, 5).q, 0.1, 1e-3);
}

TEST_F(EditorTest, BoxesReadNumbersBeforeTheirUnits) {
  Load(0);
  editor_->ShowBand(8);
  editor_->GainBox()->setText("+4.5dB");
  editor_->FrequencyBox()->setText("1250Hz");
  QTest::keyClick(editor_->FrequencyBox(), Qt::Key_Return);
  EXPECT_FLOAT_EQ(panel_->Band(8).gain, 4.5f);
  EXPECT_FLOAT_EQ(panel_->Band(8).frequency, 1250.0f);
  EXPECT_EQ(Stored(0, 8).freq, 1250);

  // A frequency below the range is raised to 20 Hz; text that is no number leaves values alone.
  editor_->FrequencyBox()->setText("5Hz");
  editor_->GainBox()->setText("loud");
  QTest::keyClick(editor_->GainBox(), Qt::Key_Return);
  EXPECT_FLOAT_EQ(panel_->Band(8).frequency, 20.0f);
  EXPECT_FLOAT_EQ(panel_->Band(8).gain, 4.5f);
  EXPECT_TRUE(editor_->GainBox()->property(BandEditor::kRefusedProperty).toBool());
  EXPECT_EQ(editor_->GainBox()->text(), "+4.5dB");
  editor_->FrequencyBox()->setText("Hz");
  QTest::keyClick(editor_->FrequencyBox(), Qt::Key_Return);
  EXPECT_FLOAT_EQ(panel_->Band(8).frequency, 20.0f);
}

TEST_F(EditorTest, FrequenciesTakeThousandsAndRefuseWhatIsNoValue) {
  Load(0);
  editor_->ShowBand(8);
  QLineEdit* box = editor_->FrequencyBox();
  box->setText("2k");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(Stored(0, 8).freq, 2000);
  EXPECT_FALSE(box->property(BandEditor::kRefusedProperty).toBool());

  // "2kx" is no frequency: the band keeps 2000 Hz, the box shows it again on red until typed in.
  box->setText("2kx");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(Stored(0, 8).freq, 2000);
  EXPECT_EQ(box->text(), "2000Hz");
  EXPECT_TRUE(box->property(BandEditor::kRefusedProperty).toBool());
  EXPECT_NE(box->palette().color(QPalette::Base), editor_->palette().color(QPalette::Base));
  EXPECT_EQ(SentRecords().back().freq, 2000);
  QTest::keyClick(box, Qt::Key_1);
  EXPECT_FALSE(box->property(BandEditor::kRefusedProperty).toBool());

  // The list's frequency column reads the same way.
  editor_->ShowList();
  QTableWidgetItem* cell = editor_->List()->item(8, 3);
  cell->setText("1.5k");
  EXPECT_EQ(Stored(0, 8).freq, 1500);
  EXPECT_FALSE(cell->data(Qt::BackgroundRole).isValid());
  cell->setText("1.5 q");
  EXPECT_EQ(Stored(0, 8).freq, 1500);
  EXPECT_EQ(cell->text(), "1500Hz");
  EXPECT_TRUE(cell->data(Qt::BackgroundRole).isValid());
}

TEST_F(EditorTest, SlidersWriteEveryStepInTheirUnits) {
  Load(0);
  editor_->ShowBand(2);
  editor_->GainSlider()->setValue(-37);
  EXPECT_EQ(editor_->GainBox()->text(), "-3.7dB");
  EXPECT_NEAR(panel_->Band(2).gain, -3.7, 1e-5);
  editor_->QSliderControl()->setValue(250);
  EXPECT_NEAR(panel_->Band(2).q, 2.5, 1e-5);
  editor_->FrequencySlider()->setValue(BandEditor::FrequencyToSliderPosition(333));
  EXPECT_FLOAT_EQ(panel_->Band(2).frequency, 333.0f);
  EXPECT_EQ(SentRecords().size(), 3u);

  // Choosing LP: gain disabled at 0, the Q slider's top drops to 2.00.
  editor_->TypeButton(2)->click();
  EXPECT_EQ(panel_->Band(2).type, kLowPass);
  EXPECT_FALSE(editor_->GainSlider()->isEnabled());
  EXPECT_EQ(editor_->QSliderControl()->maximum(), 200);
  EXPECT_FLOAT_EQ(Stored(0, 2).gainDb, 0.0f);
  EXPECT_TRUE(editor_->SlopeList()->isHidden());  // only a crossover band has slopes
}

TEST(FrequencySlider, IsLogarithmicOverTheSameRange) {
  EXPECT_EQ(BandEditor::SliderPositionToFrequency(0), 20);
  EXPECT_EQ(BandEditor::SliderPositionToFrequency(BandEditor::kFrequencySteps), 20000);
  EXPECT_EQ(BandEditor::FrequencyToSliderPosition(5), 0);
  EXPECT_EQ(BandEditor::FrequencyToSliderPosition(30000), BandEditor::kFrequencySteps);
  // 1 kHz sits just past the middle (a linear slider had it in the bottom 5 %), and comes back.
  const int at1k = BandEditor::FrequencyToSliderPosition(1000);
  EXPECT_NEAR(at1k, BandEditor::kFrequencySteps * 0.566, 5);
  EXPECT_EQ(BandEditor::SliderPositionToFrequency(at1k), 1000);
  // Every whole frequency of the lower bands keeps its own position.
  for (int f = 20; f <= 1400; ++f)
    ASSERT_EQ(BandEditor::SliderPositionToFrequency(BandEditor::FrequencyToSliderPosition(f)), f);
}

TEST_F(EditorTest, TypeTakesEffectAsSoonAsItIsChosen) {
  Load(6);
  QTableWidgetItem* type = editor_->List()->item(2, 1);
  editor_->List()->setCurrentItem(type);
  editor_->List()->editItem(type);
  auto* combo = editor_->List()->findChild<QComboBox*>();
  ASSERT_NE(combo, nullptr);
  combo->setCurrentIndex(4);  // HS
  emit combo->activated(4);   // chosen from the drop-down: no Enter, no click elsewhere
  EXPECT_EQ(panel_->Band(2).type, kHighShelf);
  EXPECT_EQ(Stored(6, 2).type, kHighShelf);
}

TEST_F(EditorTest, TypeChosenInTheListRetypesTheBand) {
  Load(6);
  editor_->List()->item(4, 1)->setText("HS");
  EXPECT_EQ(panel_->Band(4).type, kHighShelf);
  EXPECT_EQ(Stored(6, 4).type, kHighShelf);
  EXPECT_EQ(editor_->CurrentBand(), 4);
  sink_.Clear();
  editor_->List()->item(3, 1)->setText("Notch");  // no such type: nothing happens
  EXPECT_EQ(panel_->Band(3).type, kPeaking);
  EXPECT_TRUE(sink_.Payloads().empty());
  EXPECT_EQ(editor_->List()->item(3, 1)->text(), "PEQ");
}

TEST_F(EditorTest, TypeDropDownInTheListCommitsThroughTheEditor) {
  Load(0);
  QTableWidget* list = editor_->List();
  list->setCurrentCell(2, 1);
  list->editItem(list->item(2, 1));
  QApplication::processEvents();
  auto* combo = list->viewport()->findChild<QComboBox*>();
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->count(), 5);
  combo->setCurrentIndex(3);  // LS
  QTest::keyClick(combo, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(panel_->Band(2).type, kLowShelf);
  EXPECT_EQ(Stored(0, 2).type, kLowShelf);
  EXPECT_EQ(editor_->CurrentBand(), 2);
  EXPECT_FALSE(editor_->ListShown());
  EXPECT_TRUE(editor_->TypeButton(4)->isChecked());
}

TEST_F(EditorTest, PageHookReplacesTheDefaultWrite) {
  Load(0);
  std::vector<int> written;
  editor_->SetWriteBandHook([&](int band) { written.push_back(band); });
  const QPoint marker = panel_->MarkerPoint(6);
  QTest::mousePress(panel_, Qt::LeftButton, {}, marker);
  Move(marker + QPoint(0, -30), Qt::LeftButton);
  QTest::mouseRelease(panel_, Qt::LeftButton, {}, marker + QPoint(0, -30));
  EXPECT_EQ(written, std::vector<int>({6, 6}));
  EXPECT_TRUE(sink_.Payloads().empty());
}

TEST_F(EditorTest, WheelOverThePageGoesToTheFocusedPanel) {
  Load(0);
  editor_->InstallWheelRouting(&page_);
  QTest::mouseClick(panel_, Qt::LeftButton, {}, panel_->MarkerPoint(7));
  ASSERT_TRUE(panel_->hasFocus());
  const QPointF pos(kPanelWidth + 300, kPanelHeight - 10);  // below the list, over the page itself
  QWheelEvent wheel(pos, page_.mapToGlobal(pos), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&page_, &wheel);
  EXPECT_NEAR(panel_->Band(7).gain, 0.1, 1e-5);
  EXPECT_EQ(SentRecords().size(), 1u);
}

TEST_F(EditorTest, CopyThenPasteMovesOnlyWhatTheDestinationOwns) {
  for (int band = 0; band < 13; ++band) Store(7, band, band == 9 ? 18 : kPeaking, 100 + 50 * band, 1.0f + band, 1.0f);
  const auto echoB = model_.Read([](const DeviceState& s) { return s.eqTable; });

  // Paste before anything was copied only reloads.
  Load(2);
  panel_->answers = {CEqPanel::kMenuPaste};
  QTest::mouseClick(panel_, Qt::RightButton, {}, QPoint(500, 60));
  EXPECT_TRUE(sink_.Payloads().empty());

  Load(7);
  panel_->answers = {CEqPanel::kMenuCopy};
  QSignalSpy request(panel_, &CEqPanel::SetMenuRequest);
  const QPoint empty(500, 60);
  QTest::mousePress(panel_, Qt::RightButton, {}, empty);
  Move(empty + QPoint(30, 30), Qt::RightButton);  // moved or not, an empty area gives the copy menu
  QTest::mouseRelease(panel_, Qt::RightButton, {}, empty + QPoint(30, 30));
  ASSERT_EQ(request.count(), 1);
  EXPECT_EQ(request[0][0].toInt(), CEqPanel::kCopy);
  EXPECT_EQ(request[0][1].toInt(), 7);
  EXPECT_EQ(copied_.Source(), 7);
  EXPECT_EQ(panel_->menus.back(), QStringList({"Copy EQ", "Paste EQ", "", "Import filters...", "Export filters..."}));
  EXPECT_TRUE(sink_.Payloads().empty());

  Load(2);
  panel_->answers = {CEqPanel::kMenuPaste};
  QTest::mouseClick(panel_, Qt::RightButton, {}, empty);
  // Seven records for the seven-band echo set, each sent as coefficients and record.
  EXPECT_EQ(SentRecords().size(), 7u);
  EXPECT_EQ(CoefficientPackets(), 7);
  for (int band = 0; band < 7; ++band) {
    EXPECT_EQ(Stored(2, band).freq, 100 + 50 * band);
    EXPECT_EQ(panel_->Band(band).frequency, 100 + 50 * band);  // the panel was reloaded
  }
  // The next set (echo B) starts right after echo A's seven records and is untouched.
  const auto after = model_.Read([](const DeviceState& s) { return s.eqTable; });
  const int echoBStart = EqBandOffset(3, 0);
  EXPECT_TRUE(std::equal(after.begin() + echoBStart, after.end(), echoB.begin() + echoBStart));
  EXPECT_EQ(editor_->CurrentBand(), -1);
  EXPECT_EQ(panel_->SelectedBand(), -1);
}

TEST_F(EditorTest, CopyRangesAndTheRecordSet) {
  CollectingTrace trace;
  DeviceSession traced(model_, sink_, &trace);
  const auto before = model_.Snapshot();
  EXPECT_EQ(GQ_CopyEQ(traced, 24, 0), 0);
  EXPECT_EQ(GQ_CopyEQ(traced, 0, -1), 0);
  EXPECT_EQ(trace.text, "GQ_CopyEQ src over rangeGQ_CopyEQ dst over range");
  EXPECT_TRUE(sink_.Payloads().empty());
  EXPECT_EQ(model_.Snapshot().eqTable, before.eqTable);

  // Mic A into the record EQ: five bands, kept beside the image, nothing written to the image.
  Store(0, 4, kPeaking, 777, 2.0f, 3.0f);
  sink_.Clear();
  const auto table = model_.Snapshot().eqTable;
  EXPECT_EQ(GQ_CopyEQ(session_, 0, 15), 1);
  EXPECT_EQ(Stored(15, 4).freq, 777);
  EXPECT_TRUE(SentRecords().empty());
  EXPECT_EQ(CoefficientPackets(), 5);
  EXPECT_EQ(model_.Snapshot().eqTable, table);

  // And back out into an advanced set, eight bands: only the five the record EQ has.
  sink_.Clear();
  Store(16, 6, kPeaking, 4321, 0.0f, 1.0f);
  EXPECT_EQ(GQ_CopyEQ(session_, 15, 16), 1);
  EXPECT_EQ(Stored(16, 4).freq, 777);
  EXPECT_EQ(Stored(16, 6).freq, 4321);
  EXPECT_EQ(SentRecords().size(), 8u);  // every band of the destination is sent again
}

}  // namespace
}  // namespace nr::gui::test
