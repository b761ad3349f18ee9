// The advanced EQ window: its channel, what its bypass, reset and band edits send to the linked
// channels, and what it shows.
#include <QCheckBox>
#include <QPushButton>
#include <QSlider>

#include "eq/BandEditor.h"
#include "eq/BandWrites.h"
#include "eq/CAdvEQDlg.h"
#include "eq/CEqPanel.h"
#include "eq/EqSetCopy.h"
#include "gui/inputs/InputPageFixture.h"
#include "link/EqLayout.h"
#include "outputs/AdvancedEq.h"
#include "shell/CInfoDlg.h"

namespace nr::gui::test {
namespace {

class AdvancedEqDialogTest : public InputPageTest {
 protected:
  CAdvEQDlg& Open() {
    dialog_ = std::make_unique<CAdvEQDlg>(ctx_, session_);
    dialog_->show();
    sink_.Clear();
    return *dialog_;
  }
  std::vector<int> RecordOffsets() const {
    std::vector<int> out;
    for (const Bytes& p : sink_.Payloads())
      if (p.size() == 11 && p[0] == 0x85) out.push_back(GetBE16(&p[1]));
    return out;
  }
  std::unique_ptr<CAdvEQDlg> dialog_;
};

TEST_F(AdvancedEqDialogTest, OpensOnTheFirstChannelBypassedWithFlatBands) {
  CAdvEQDlg& d = Open();
  EXPECT_EQ(d.Channel(), 0);
  EXPECT_TRUE(d.ChannelButton(0)->isChecked());
  EXPECT_FALSE(d.ChannelButton(1)->isChecked());
  EXPECT_TRUE(d.BypassBox()->isChecked());
  EXPECT_TRUE(d.Panel()->Bypass());
  EXPECT_EQ(d.Panel()->EqSet(), 16);
  ASSERT_EQ(d.Panel()->BandCount(), 8);
  const float frequencies[8] = {62, 125, 250, 500, 1000, 2000, 4000, 8000};
  for (int b = 0; b < 8; ++b) {
    EXPECT_EQ(d.Panel()->Band(b).frequency, frequencies[b]);
    EXPECT_EQ(d.Panel()->Band(b).gain, 0.0f);
  }
  ctx_.SetLanguage(Language::English);
  d.Relabel();
  EXPECT_EQ(d.windowTitle(), "Advanced EQ");
  EXPECT_EQ(d.ChannelButton(1)->text(), "CH 2");
  EXPECT_EQ(d.BypassBox()->text(), "EQ BYPASS");
  SaveShot(&d, "adv_eq_dialog");
}

TEST_F(AdvancedEqDialogTest, BypassAndBandEditsReachTheLinkedChannels) {
  session_.SetParam(5, 0x26, 0);
  CAdvEQDlg& d = Open();
  d.RefreshFromImage();
  ASSERT_FALSE(d.BypassBox()->isChecked());
  d.BypassBox()->click();  // front link on, CH 1 and CH 2 at FL and FR
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{5, 0x0F, 1}, {6, 0x0F, 1}, {5, 0x26, 1}, {6, 0x26, 1}}));
  EXPECT_TRUE(d.Panel()->Bypass());

  sink_.Clear();
  d.Editor()->ShowBand(2);
  d.Editor()->GainSlider()->setValue(-30);  // -3 dB, one drag step
  EXPECT_EQ(RecordOffsets(), (std::vector<int>{EqBandOffset(16, 2), EqBandOffset(17, 2)}));

  // The output page's EQ bypass is not this window's switch.
  session_.SetParam(5, 0x0F, 0);
  d.RefreshFromImage();
  EXPECT_TRUE(d.BypassBox()->isChecked());
}

TEST_F(AdvancedEqDialogTest, ResetShowsItsTipForEachLinkedChannel) {
  CAdvEQDlg& d = Open();
  d.ResetButton()->click();
  // The tip's timer is coarse (it may run a few percent long): 2 s, clearly not 1 s.
  EXPECT_GT(CInfoDlg::Of(ctx_).RemainingMs(), 1500);
  EXPECT_LE(CInfoDlg::Of(ctx_).RemainingMs(), 2150);
  const std::vector<int> offsets = RecordOffsets();
  ASSERT_EQ(offsets.size(), 16u);
  EXPECT_EQ(offsets.front(), EqBandOffset(16, 0));
  EXPECT_EQ(offsets.back(), EqBandOffset(17, 7));

  settings_.SetQtOption(QByteArray(8, '\0'));  // every link off
  sink_.Clear();
  d.ResetButton()->click();
  EXPECT_LE(CInfoDlg::Of(ctx_).RemainingMs(), 1100);
  EXPECT_GT(CInfoDlg::Of(ctx_).RemainingMs(), 500);
  EXPECT_EQ(RecordOffsets().size(), 8u);
}

TEST_F(AdvancedEqDialogTest, SubAndCentreChannelsNeverLinkAndTheChannelIsKept) {
  CAdvEQDlg& d = Open();
  d.ChannelButton(4)->click();  // CH 5 is at SUB in the factory image
  EXPECT_EQ(d.Linked(), ChannelList{4});
  EXPECT_EQ(d.Panel()->EqSet(), 20);
  EXPECT_TRUE(d.ChannelButton(4)->isChecked());
  EXPECT_FALSE(d.ChannelButton(0)->isChecked());
  session_.SetParam(6, 0x10, 5);  // CH 2 moved to CEN
  d.ChannelButton(1)->click();
  EXPECT_EQ(d.Linked(), ChannelList{1});

  d.close();  // hidden, not destroyed: it comes back on its channel
  d.Relabel();
  EXPECT_EQ(d.Channel(), 1);
  EXPECT_EQ(d.Panel()->EqSet(), 17);
}

TEST_F(AdvancedEqDialogTest, APastedSetReachesTheLinkedChannels) {
  SetEqBand(session_, AdvancedEqSet(4), 3, kPeaking, 700, 5.0f, 2.0f);  // the SUB's set, copied
  CAdvEQDlg& d = Open();
  ASSERT_EQ(d.Linked(), (ChannelList{0, 1}));
  ctx_.CopiedSet().Copy(ctx_.Model().Snapshot(), AdvancedEqSet(4));
  d.Editor()->HandleSetMenu(CEqPanel::kPaste, AdvancedEqSet(0));
  ctx_.CopiedSet().Clear();
  const DeviceState s = ctx_.Model().Snapshot();
  EXPECT_EQ(s.Band(AdvancedEqSet(0), 3).freq, 700);
  EXPECT_EQ(s.Band(AdvancedEqSet(1), 3).freq, 700) << "the linked channel follows the pasted set";
  EXPECT_NEAR(s.Band(AdvancedEqSet(1), 3).gainDb, 5.0f, 0.05f);
  EXPECT_EQ(s.Band(AdvancedEqSet(2), 3).freq, 500);
}

}  // namespace
}  // namespace nr::gui::test
