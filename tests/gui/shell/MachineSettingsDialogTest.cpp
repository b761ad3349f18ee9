// The machine-settings window: each control's byte rule on the edit copy, the live volume
// following a start-volume slider, Apply, and the edits the close box drops.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "DialogFixture.h"
#include "gui/ScriptedPrompts.h"
#include "shell/CInfoDlg.h"
#include "shell/CSetDlg.h"
#include "support/RecordingSink.h"

namespace nr::gui::test {
namespace {

using nr::test::HexPayloads;

class MachineSettingsDialogTest : public DialogTest {
 protected:
  MachineSettingsDialogTest() {
    ctx_.Model().Update([](DeviceState& s) {
      s.machine = MachineSettings{0, 0, 0, 60, 0, 99, 80, 0, 0, 0, 0, 0, 0, 0};
      s.machineEdit = s.machine;
    });
  }
  CSetDlg& Open() {
    dialog_ = std::make_unique<CSetDlg>(ctx_, session_, nullptr, prompts_);
    dialog_->show();
    sink_.Clear();
    return *dialog_;
  }
  MachineSettings Edit() { return ctx_.Model().Read([](const DeviceState& s) { return s.machineEdit; }); }
  MachineSettings Current() { return ctx_.Model().Read([](const DeviceState& s) { return s.machine; }); }
  void SetModule(const char* name) {
    ctx_.Model().Update([&](DeviceState& s) {
      s.info.module.fill(0);
      for (size_t i = 0; name[i]; ++i) s.info.module[i] = name[i];
    });
  }

  nr::test::RecordingSink sink_;
  DeviceSession session_{ctx_.Model(), sink_};
  ScriptedPrompts prompts_;
  std::unique_ptr<CSetDlg> dialog_;
};

TEST_F(MachineSettingsDialogTest, LoweringTheMaximumPullsTheStartVolumeAndTheLiveVolumeDown) {
  CSetDlg& dialog = Open();
  EXPECT_EQ(dialog.StartSlider(VolumeChannel::kMic)->value(), 60);
  EXPECT_TRUE(dialog.StartEnable(VolumeChannel::kMic)->isChecked());
  dialog.MaxSlider(VolumeChannel::kMic)->setValue(40);
  EXPECT_EQ(HexPayloads(sink_), std::vector<std::string>{"09 00 01 0E 01 3E CC CC D0"});  // (1, 14) = 40
  EXPECT_EQ(Edit()[3], 40);
  EXPECT_EQ(Edit()[5], 40);
  EXPECT_EQ(dialog.StartSlider(VolumeChannel::kMic)->value(), 40);
  EXPECT_EQ(dialog.StartSlider(VolumeChannel::kMic)->maximum(), 40);
  EXPECT_EQ(dialog.StartValue(VolumeChannel::kMic)->text(), "40");

  // Dragging a start volume moves the live volume with it, at every step.
  dialog.StartSlider(VolumeChannel::kMic)->setValue(39);
  dialog.StartSlider(VolumeChannel::kMic)->setValue(38);
  EXPECT_EQ(sink_.Payloads().size(), 3u);
  EXPECT_EQ(ctx_.Model().Read([](const DeviceState& s) { return s.IntValue(1, 0x0E); }), 38);
  EXPECT_EQ(Current()[3], 60);  // nothing reaches the device copy before Apply
}

TEST_F(MachineSettingsDialogTest, SwitchesAndRadiosSetTheirBytesAndApplySendsTheRecord) {
  CSetDlg& dialog = Open();
  dialog.HdmiMute()->click();
  dialog.RouteButton(SurroundRoute::kBack)->click();
  EXPECT_EQ(Edit()[12], 0x11);
  dialog.SaveModeButton(true)->click();
  dialog.PanelLock()->click();
  emit dialog.PowerOnMode()->activated(2);
  EXPECT_TRUE(sink_.Payloads().empty());
  dialog.RefreshFromImage();  // as after a read or an undo: what Apply will send stays shown
  EXPECT_TRUE(dialog.PanelLock()->isChecked());

  // Without a device nothing can take them: Apply says so, and the edits stay for later.
  const MachineSettings edited = Edit();
  dialog.ApplyButton()->click();
  EXPECT_TRUE(sink_.Payloads().empty());
  EXPECT_EQ(CInfoDlg::Of(ctx_).Text(), QString::fromUtf8("请先连接设备!"));
  EXPECT_EQ(Edit(), edited);
  EXPECT_NE(Current(), edited) << "not applied: the device copy is as it was";

  ConnectToPeer();
  dialog.ApplyButton()->click();
  EXPECT_EQ(HexPayloads(sink_), std::vector<std::string>{"91 01 01 01 3C 00 63 50 01 00 00 00 02 11 00"});
  EXPECT_EQ(Current(), Edit());
  EXPECT_EQ(CInfoDlg::Of(ctx_).Text(), QString::fromUtf8("机器设置已生效!"));
}

TEST_F(MachineSettingsDialogTest, TheCloseBoxDropsTheEditsAndAStartVolumeSwitchedOffShowsInvalid) {
  ctx_.SetLanguage(Language::English);
  CSetDlg& dialog = Open();
  dialog.StartEnable(VolumeChannel::kMic)->click();  // off
  EXPECT_EQ(Edit()[3], 0);
  EXPECT_EQ(dialog.StartValue(VolumeChannel::kMic)->text(), "Invalid");
  EXPECT_FALSE(dialog.StartSlider(VolumeChannel::kMic)->isEnabled());
  dialog.close();
  EXPECT_EQ(Edit(), Current());

  ConnectToPeer();
  CSetDlg& again = Open();
  again.StartEnable(VolumeChannel::kMic)->click();
  again.ApplyButton()->click();
  EXPECT_EQ(HexPayloads(sink_)[0].substr(0, 14), "91 00 00 00 00");
  CSetDlg& reopened = Open();
  EXPECT_EQ(reopened.StartValue(VolumeChannel::kMic)->text(), "Invalid");
  EXPECT_FALSE(reopened.StartEnable(VolumeChannel::kMic)->isChecked());

  // Switched on again, the start volume takes the live volume.
  session_.SetParam(1, 0x0E, 33);
  reopened.StartEnable(VolumeChannel::kMic)->click();
  EXPECT_EQ(Edit()[3], 33);
  EXPECT_EQ(reopened.StartValue(VolumeChannel::kMic)->text(), "33");
  SaveShot(&reopened, "machine_settings_dialog_en");
}

TEST_F(MachineSettingsDialogTest, EditsLeftByAnEarlierWindowAreNotSentUnseen) {
  ctx_.Model().Update([](DeviceState& s) { SetPowerOnMode(s.machineEdit, 4); });  // left over, never shown
  ConnectToPeer();
  CSetDlg& dialog = Open();
  EXPECT_EQ(dialog.PowerOnMode()->currentIndex(), 0);
  dialog.ApplyButton()->click();
  EXPECT_EQ(sink_.Payloads()[0][12], 0);
}

TEST_F(MachineSettingsDialogTest, TheHdmiGroupIsHiddenForModelsWithoutHdmi) {
  for (const char* module : {"NR420", "NR460", "NR430", "F880", "ML07", "F860II"}) {
    SetModule(module);
    EXPECT_TRUE(Open().HdmiGroup()->isHidden()) << module;
  }
  for (const char* module : {"NR490", "NR420A", "nr420", "F860"}) {  // names match exactly
    SetModule(module);
    EXPECT_FALSE(Open().HdmiGroup()->isHidden()) << module;
  }
  SaveShot(dialog_.get(), "machine_settings_dialog_zh");
}

TEST_F(MachineSettingsDialogTest, FactoryModesAskFirstAndMarkTheRunningMode) {
  ctx_.Model().Update([](DeviceState& s) { s.currentMode = 2; });
  CSetDlg& dialog = Open();
  EXPECT_TRUE(dialog.FactoryModeButton(2)->isChecked());
  EXPECT_FALSE(dialog.FactoryModeButton(0)->isChecked());
  dialog.FactoryModeButton(0)->click();
  EXPECT_TRUE(dialog.FactoryModeButton(2)->isChecked());  // a click does not move the mark
  EXPECT_FALSE(dialog.FactoryModeButton(0)->isChecked());
  EXPECT_TRUE(prompts_.asked.empty());  // without a device nothing is asked or sent
  EXPECT_TRUE(sink_.Payloads().empty());
}

}  // namespace
}  // namespace nr::gui::test
