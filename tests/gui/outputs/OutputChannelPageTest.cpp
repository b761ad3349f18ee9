// The output channel page driven as a user would, asserting what would reach the device.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>

#include "eq/BandEditor.h"
#include "eq/CEqPanel.h"
#include "gui/outputs/OutputPageFixture.h"
#include "outputs/CDialogOutput.h"
#include "outputs/CSSVCDlg.h"
#include "outputs/CompressorControls.h"
#include "outputs/Delay.h"
#include "outputs/OutputHeaderRow.h"
#include "outputs/TitlePicture.h"

namespace nr::gui::test {
namespace {

class OutputChannelPage : public OutputPageTest {
 protected:
  void SetLinks(const LinkOptions& links) { StoreLinkOptions(settings_, links, ctx_); }
  LinkOptions Links() const { return StoredLinkOptions(settings_); }
};

TEST_F(OutputChannelPage, SendsFollowTheFrontLinkWhileMuteAndPhaseStayOnTheirChannel) {
  CDialogOutput* page = Open<CDialogOutput>(0);
  EXPECT_EQ(page->SendValue(1)->text(), "100%");
  page->SendSlider(1)->setValue(40);
  EXPECT_EQ(page->SendValue(1)->text(), "40%");
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{5, 0x15, PercentWord(40)}, {6, 0x15, PercentWord(40)}}));

  sink_.Clear();
  page->MuteBox(3)->click();
  page->PhaseBox(0)->click();
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{8, 0x1A, 0}, {5, 0x19, PercentWord(-100)}}));

  // With the front link off the send reaches the shown channel only.
  SetLinks(LinkOptions{false, true, true});
  sink_.Clear();
  page->SendSlider(3)->setValue(7);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{5, 0x17, PercentWord(7)}}));
}

TEST_F(OutputChannelPage, AnEqDragWritesTheBandToEveryLinkedChannelAtEachStep) {
  CDialogOutput* page = Open<CDialogOutput>(1);
  CEqPanel* panel = page->Panel();
  const QPoint start = panel->MarkerPoint(2);
  QTest::mousePress(panel, Qt::LeftButton, {}, start);
  for (int step = 1; step <= 3; ++step) Drag(panel, start + QPoint(15 * step, -10 * step));
  QTest::mouseRelease(panel, Qt::LeftButton, {}, start + QPoint(45, -30));
  const std::vector<int> offsets = RecordOffsets();
  ASSERT_EQ(offsets.size(), 8u);  // three steps and the release, two channels each
  for (size_t i = 0; i < offsets.size(); i += 2) {
    EXPECT_EQ(offsets[i], EqBandOffset(7, 2));
    EXPECT_EQ(offsets[i + 1], EqBandOffset(8, 2));
  }
  EXPECT_EQ(ctx_.Model().Snapshot().Band(7, 2).freq, ctx_.Model().Snapshot().Band(8, 2).freq);
}

TEST_F(OutputChannelPage, SwitchingALinkOnWithDifferingChannelsAsksFirst) {
  SetLanguage(Language::English);
  SetLinks(LinkOptions{true, false, true});
  SetDelayTenths(session_, 3, 55);  // SR differs from SL
  CDialogOutput* page = Open<CDialogOutput>(2);
  QCheckBox* side = page->LinkBox(LinkPair::kSide);
  EXPECT_FALSE(side->isChecked());

  prompts_.answers = {QMessageBox::No};
  side->click();
  EXPECT_EQ(prompts_.asked, std::vector<QString>{"|Set same?"});
  EXPECT_FALSE(side->isChecked());
  EXPECT_FALSE(Links().side);
  EXPECT_TRUE(sink_.Packets().empty());

  prompts_.answers = {QMessageBox::Yes};
  side->click();
  EXPECT_TRUE(side->isChecked());
  EXPECT_TRUE(Links().side);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{8, 0x12, MillisWord(2.0f)}}));  // SL's delay copied to SR
  EXPECT_TRUE(ChannelsEqual(ctx_.Model().Snapshot(), 2, 3));

  // Switching on a pair that already matches asks nothing; off only stores.
  prompts_.asked.clear();
  page->LinkBox(LinkPair::kBack)->click();
  page->LinkBox(LinkPair::kBack)->click();
  EXPECT_TRUE(prompts_.asked.empty());
  EXPECT_TRUE(Links().back);
}

TEST_F(OutputChannelPage, APositionChoiceSendsAndShowsThatChannel) {
  SetLanguage(Language::English);
  CDialogOutput* page = Open<CDialogOutput>(0);
  QComboBox* list = page->PositionList(6);
  list->setCurrentIndex(kPosSub);
  emit list->activated(kPosSub);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{11, 0x10, 4}}));
  EXPECT_EQ(page->Channel(), 6);
  EXPECT_EQ(ctx_.OutputChannel(), 6);
  EXPECT_EQ(page->Title()->Title(), "CH 7");
  EXPECT_TRUE(page->Header()->ChannelButton(6)->isChecked());
  EXPECT_FALSE(page->Header()->ChannelButton(0)->isChecked());

  // A header channel button switches in place.
  page->Header()->ChannelButton(2)->click();
  EXPECT_EQ(host_.CurrentPage(), page);
  EXPECT_EQ(page->Channel(), 2);
}

TEST_F(OutputChannelPage, CrossoverBandShowsItsSlopeListAndWritesItsPartners) {
  CDialogOutput* page = Open<CDialogOutput>(4);  // output 5: the factory SUB crossover
  BandEditor* editor = page->Editor();
  editor->ShowBand(9);
  EXPECT_TRUE(editor->SlopeList()->isVisibleTo(editor));
  EXPECT_EQ(editor->SlopeList()->currentIndex(), 9);  // Butterworth 24 dB
  editor->ShowBand(3);
  EXPECT_FALSE(editor->SlopeList()->isVisibleTo(editor));

  editor->ShowBand(9);
  emit editor->SlopeList()->activated(1);  // Linkwitz-Riley 24 dB: sections 12, 12, 1, 1
  // SUB never links: bands 9..12 of output 5 only.
  EXPECT_EQ(RecordOffsets(), (std::vector<int>{EqBandOffset(11, 9), EqBandOffset(11, 10), EqBandOffset(11, 11),
                                               EqBandOffset(11, 12)}));
  EXPECT_EQ(ctx_.Model().Snapshot().Band(11, 10).type, 12);
}

TEST_F(OutputChannelPage, CompressorAndDelaySections) {
  CDialogOutput* page = Open<CDialogOutput>(0);
  CompressorControls* comp = page->Compressor();
  EXPECT_EQ(comp->ValueText(CompressorSlider::kAttack), "1ms");
  EXPECT_EQ(comp->Slider(CompressorSlider::kRatio)->value(), 300);
  comp->Slider(CompressorSlider::kRatio)->setValue(40);
  EXPECT_EQ(comp->ValueText(CompressorSlider::kRatio), "4.0:1");
  const auto blocks5 = Blocks(5, 0x1B), blocks6 = Blocks(6, 0x1B);
  ASSERT_EQ(blocks5.size(), 1u);
  ASSERT_EQ(blocks6.size(), 1u);
  EXPECT_EQ(Word(blocks5[0], 2), 0.75f);
  EXPECT_EQ(blocks5[0], blocks6[0]);

  // Delay switch off: the mode radios and the split slider cannot be used, the delay slider sends.
  EXPECT_FALSE(page->DelaySwitch()->isChecked());
  EXPECT_FALSE(page->SplitModeButton()->isEnabled());
  EXPECT_FALSE(page->SplitSlider()->isEnabled());
  sink_.Clear();
  page->DelaySlider()->setValue(kDelayMinTenths);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{5, 0x12, 67}}));
  EXPECT_EQ(page->DelayValue()->text(), "1.4ms");

  // The slider stands where the delay was set: 2.6f ms is 2.5999999, and 1.9 ms read back from the
  // device is 91 samples, 1.8958 ms.
  for (const auto& [ms, tenths] : {std::pair{2.6f, 26}, std::pair{4.1f, 41}, std::pair{91 / 48.0f, 19}}) {
    session_.SetParam(5, 0x12, ms);
    page->RefreshFromImage();
    EXPECT_EQ(page->DelaySlider()->value(), tenths) << ms;
    EXPECT_EQ(page->DelayValue()->text(), QString::asprintf("%.1fms", tenths / 10.0));
  }

  sink_.Clear();
  page->DelaySwitch()->click();
  EXPECT_TRUE(page->SplitModeButton()->isEnabled());
  EXPECT_FALSE(page->SplitSlider()->isEnabled());  // whole-channel mode
  page->SplitModeButton()->click();                // with the front link: both front channels
  EXPECT_TRUE(page->SplitSlider()->isEnabled());
  page->SplitSlider()->setValue(25);
  EXPECT_EQ(page->SplitValue()->text(), "3000Hz");
  EXPECT_EQ(Writes().front(), (ParamWrite{5, 0x13, 0}));
  EXPECT_EQ(Blocks(5, 0x11).size(), 1u);
  EXPECT_EQ(Blocks(6, 0x11).size(), 1u);
  const DeviceState s = ctx_.Model().Snapshot();
  EXPECT_EQ(DelaySplitIndex(s, 0), 25);
  EXPECT_EQ(DelaySplitIndex(s, 1), 0);  // the split frequency is the shown channel's own
}

TEST_F(OutputChannelPage, StatusBarBypassAndResetActOnLinkedChannels) {
  CDialogOutput* page = Open<CDialogOutput>(6);
  page->SetEqBypass(true);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{11, 0x0F, 1}, {12, 0x0F, 1}}));
  EXPECT_TRUE(page->EqBypass());
  EXPECT_TRUE(page->Panel()->Bypass());

  sink_.Clear();
  page->SelectChannel(4);
  page->ResetCurrentEq();  // SUB: the crossover table, on its own set
  const std::vector<int> offsets = RecordOffsets();
  ASSERT_EQ(offsets.size(), 13u);
  EXPECT_EQ(offsets.front(), EqBandOffset(11, 0));
  EXPECT_EQ(ctx_.Model().Snapshot().Band(11, 9).type, 18);
}

TEST_F(OutputChannelPage, AnImportedFilterListReachesTheLinkedChannelOnly) {
  CDialogOutput* page = Open<CDialogOutput>(0);  // front left, linked with front right
  QTemporaryDir dir;
  const QString path = dir.filePath("room.txt");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("Filter 1: ON PK Fc 63 Hz Gain -4.5 dB Q 2.5\n");
  file.close();
  prompts_.nextFile = path;
  page->Editor()->HandleSetMenu(CEqPanel::kImport, OutputEqSet(0));
  const DeviceState s = ctx_.Model().Snapshot();
  EXPECT_EQ(s.Band(OutputEqSet(0), 0).freq, 63);
  EXPECT_EQ(s.Band(OutputEqSet(1), 0).freq, 63) << "the linked channel follows the whole set";
  EXPECT_NEAR(s.Band(OutputEqSet(1), 0).gainDb, -4.5f, 0.05f);
  EXPECT_NE(s.Band(OutputEqSet(2), 0).freq, 63) << "an unlinked channel keeps its set";

  // Without the link the import stays on the shown channel.
  SetLinks(LinkOptions{false, true, true});
  file.open(QIODevice::WriteOnly);
  file.write("Filter 1: ON PK Fc 90 Hz Gain 2 dB Q 1\n");
  file.close();
  page->Editor()->HandleSetMenu(CEqPanel::kImport, OutputEqSet(0));
  EXPECT_EQ(ctx_.Model().Snapshot().Band(OutputEqSet(0), 0).freq, 90);
  EXPECT_EQ(ctx_.Model().Snapshot().Band(OutputEqSet(1), 0).freq, 63);
}

TEST_F(OutputChannelPage, HeaderOpensTheOtherPagesAndLabelsItself) {
  SetLanguage(Language::English);
  CDialogOutput* page = Open<CDialogOutput>(0);
  EXPECT_EQ(page->Header()->PageButton(OutputPageKind::kDelay)->text(), "Delay");
  EXPECT_EQ(page->Header()->PageButton(OutputPageKind::kRecord)->text(), "Record");
  SetLanguage(Language::Chinese);
  page->Relabel();
  EXPECT_EQ(page->Header()->PageButton(OutputPageKind::kDelay)->text(), QString::fromUtf8("输出延时"));
  EXPECT_EQ(page->PositionList(0)->itemText(0), QString::fromUtf8("前置左"));
  page->Header()->PageButton(OutputPageKind::kLocation)->click();
  EXPECT_NE(qobject_cast<CSSVCDlg*>(host_.CurrentPage()), nullptr);
}

}  // namespace
}  // namespace nr::gui::test
