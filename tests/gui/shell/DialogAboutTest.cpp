// The About box: device lines, converter tables, the hidden support lines.
#include <QCheckBox>
#include <QLabel>

#include "gui/shell/DialogFixture.h"
#include "shell/CAboutDlg.h"

namespace nr::gui::test {
namespace {

using DialogAbout = DialogTest;

TEST(DialogAboutText, ConverterTablesFallBackToUnknown) {
  EXPECT_EQ(ConverterChipName(ConverterSlot::kMic, 4), "CS5381");
  EXPECT_EQ(ConverterChipName(ConverterSlot::kMic, 9), "未知");
  EXPECT_EQ(ConverterChipName(ConverterSlot::kMic, -1), "未知");
  EXPECT_EQ(ConverterChipName(ConverterSlot::kMusic, 1), "NONE");
  EXPECT_EQ(ConverterChipName(ConverterSlot::kMusic, 4), "未知");
  EXPECT_EQ(ConverterChipName(ConverterSlot::kOutput, 3), "耳放板");
  EXPECT_EQ(ConverterChipName(ConverterSlot::kOutput, 5), "未知");
}

TEST(DialogAboutText, DeviceLinesReadTheRightStatusBytes) {
  DeviceInfo info = DeviceInfo::StartupValues();
  info.version = 24;
  DeviceStatus status;
  status.bytes[16] = 2;  // MIC
  status.bytes[22] = 3;  // music
  status.bytes[20] = 1;  // CH12
  status.bytes[19] = 2;  // CH34
  status.bytes[18] = 3;  // CH56
  status.bytes[17] = 4;  // CH78
  DeviceInfoLines lines = DeviceInfoText(info, status);
  EXPECT_EQ(lines.module, "Module:Unknown");
  EXPECT_EQ(lines.firmware, "MCU Ver:2016-10-03 CMD Ver:01");
  EXPECT_EQ(lines.dsp, "DSP Ver:2016-11-30");
  EXPECT_EQ(lines.converters, "MIC:PCM4202\nMusic:AK5720\nCH12:AK4396\nCH34:CS4398\nCH56:耳放板\nCH78:PCM1794 ");

  info.version = 23;
  status.bytes[16] = 9;
  lines = DeviceInfoText(info, status);
  EXPECT_EQ(lines.firmware, "MCU Ver:2016-10-03 CMD Ver:00");
  EXPECT_TRUE(lines.converters.startsWith("MIC:未知\n"));
}

TEST_F(DialogAbout, WithoutALinkNoDeviceLinesAndTheShortcutRevealsPeak) {
  CAboutDlg dlg(ctx_);
  dlg.show();
  EXPECT_FALSE(dlg.FirmwareLabel()->isVisible());
  EXPECT_FALSE(dlg.ConverterLabel()->isVisible());
  EXPECT_FALSE(dlg.PeakBox()->isVisible());
  SaveShot(&dlg, "about_zh_nodevice");

  QTest::keyRelease(&dlg, Qt::Key_F11, Qt::ControlModifier);
  EXPECT_FALSE(dlg.PeakBox()->isVisible()) << "Ctrl alone is not the shortcut";
  QTest::keyRelease(&dlg, Qt::Key_F11, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(dlg.PeakBox()->isVisible());
  EXPECT_TRUE(dlg.ModuleLabel()->isVisible());

  EXPECT_TRUE(dlg.PeakBox()->isChecked());
  dlg.PeakBox()->click();
  EXPECT_FALSE(ctx_.PeakPolling()) << "the switch takes effect at once";
}

TEST_F(DialogAbout, WithALinkShowsFirmwareAndTheChipsLastReported) {
  ConnectToPeer();
  // A status answer names the chips; the end of a transfer then clears the live status.
  std::vector<uint8_t> answer(2 + DeviceStatus::kSize, 0);
  answer[0] = 0x81;
  answer[1] = 0x0E;
  answer[2 + 16] = 1;
  answer[2 + 22] = 2;
  connection_.GetLink().GetDispatcher().DispatchPacket(answer);
  connection_.Model().Update([](DeviceState& s) {
    s.info.version = 24;
    s.status.Clear();
  });
  ctx_.SetPeakPolling(false);
  CAboutDlg dlg(ctx_);
  dlg.show();
  EXPECT_EQ(dlg.FirmwareLabel()->text(), "MCU Ver:2016-10-03 CMD Ver:01");
  EXPECT_TRUE(dlg.FirmwareLabel()->isVisible());
  EXPECT_TRUE(dlg.DspLabel()->isVisible());
  EXPECT_TRUE(dlg.ConverterLabel()->text().startsWith("MIC:AK5358\nMusic:PCM4202\n"));
  EXPECT_FALSE(dlg.ModuleLabel()->isVisible());
  EXPECT_FALSE(dlg.PeakBox()->isChecked());
  QTest::keyRelease(&dlg, Qt::Key_F11, Qt::ControlModifier | Qt::ShiftModifier);
  SaveShot(&dlg, "about_zh_device");

  ctx_.SetLanguage(Language::English);
  CAboutDlg english(ctx_);
  english.show();
  QTest::keyRelease(&english, Qt::Key_F11, Qt::ControlModifier | Qt::ShiftModifier);
  SaveShot(&english, "about_en_device");

  connection_.Model().Update([](DeviceState& s) {
    const std::string_view markup = "<b>NR</b>490";  // the device's text is never markup
    s.info.module.fill(0);
    markup.copy(s.info.module.data(), markup.size());
  });
  CAboutDlg marked(ctx_);
  EXPECT_EQ(marked.ModuleLabel()->text(), "Module:<b>NR</b>490");
  for (QLabel* line : {marked.ModuleLabel(), marked.FirmwareLabel(), marked.DspLabel(), marked.ConverterLabel()})
    EXPECT_EQ(line->textFormat(), Qt::PlainText);
}

}  // namespace
}  // namespace nr::gui::test
