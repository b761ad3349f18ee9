// The tool windows inside the running application against its demo device: the ribbon buttons
// and keys that open them, their slots, learning a key end to end, language and refresh.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "gui/AppOnEmulator.h"
#include "gui/ScriptedPrompts.h"
#include "emu/Emulator.h"
#include "eq/CAdvEQDlg.h"
#include "inputs/CDialogMusicInput.h"
#include "inputs/CloudnessDlg.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMainFrame.h"
#include "shell/CRemoteDlg.h"
#include "shell/CRemoteStudyDlg.h"
#include "shell/CSetDlg.h"
#include "shell/CSyncDlg.h"
#include "shell/ModeCommands.h"
#include "shell/NrTuneApp.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"
#include "shell/ToolDialogs.h"

namespace nr::gui {
namespace {

constexpr int kWaitMs = 15000;

class ToolDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app = test::DemoApp(dir, prompts);
    ASSERT_TRUE(app->Start());
    RegisterToolDialogs(*app);
    app->Show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Idle(); }, kWaitMs));
    Device().ClearLog();
  }
  void TearDown() override { app.reset(); }

  bool Idle() {
    return app->Context().Connected() && !app->View().Connector().Busy() && !app->View().Sync().IsShown() &&
           !app->Conn().Sync().Busy();
  }
  emu::DeviceCore& Device() { return app->DemoDevice()->Core(); }
  AppContext& Ctx() { return app->Context(); }
  template <class D>
  D* InSlot(int slot) {
    return dynamic_cast<D*>(Ctx().Dialog(slot));
  }
  bool DeviceGot(const emu::Bytes& payload) {
    app->Conn().GetLink().WaitUntilIdle(std::chrono::milliseconds(3000));
    for (const auto& p : Device().Log())
      if (p.bytes == payload) return true;
    return false;
  }

  QTemporaryDir dir;
  ScriptedPrompts prompts;
  std::unique_ptr<NrTuneApp> app;
};

TEST_F(ToolDialogsTest, RibbonButtonsOpenTheWindowsInTheirSlots) {
  app->View().OnCommand(rid::kFeatures);
  auto* features = InSlot<CloudnessDlg>(kSlotFeatures);
  ASSERT_NE(features, nullptr);
  EXPECT_TRUE(features->isVisible());

  app->View().OnCommand(rid::kInputSource);
  auto* source = InSlot<CDialogMusicInput>(kSlotInputSource);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->TemplateNumber(), 530);  // the demo device is an NR490
  source->close();  // only hidden: it stays in its slot and comes back
  app->View().OnCommand(rid::kInputSource);
  EXPECT_EQ(InSlot<CDialogMusicInput>(kSlotInputSource), source);
  EXPECT_TRUE(source->isVisible());

  app->View().OnCommand(rid::kRemoteControl);
  auto* remote = InSlot<CRemoteDlg>(kSlotRemoteControl);
  ASSERT_NE(remote, nullptr);
  EXPECT_FALSE(Ctx().PeakPolling());
  remote->close();  // destroyed, and its slot empties
  EXPECT_TRUE(QTest::qWaitFor([&] { return Ctx().Dialog(kSlotRemoteControl) == nullptr; }));
  EXPECT_TRUE(Ctx().PeakPolling());

  // The language switch relabels every open window.
  Ctx().SetLanguage(Language::English);
  EXPECT_EQ(features->windowTitle(), "Features");
  EXPECT_EQ(source->windowTitle(), "Music source setting");

  // Without a device the remote control does not open.
  app->Conn().GetLink().Close(true);
  app->View().OnCommand(rid::kRemoteControl);
  EXPECT_EQ(Ctx().Dialog(kSlotRemoteControl), nullptr);
}

TEST_F(ToolDialogsTest, LearningAKeyAgainstTheDeviceAndApplyingTheTable) {
  auto* remote = static_cast<CRemoteDlg*>(OpenRemoteControl(*app));
  ASSERT_NE(remote, nullptr);
  remote->FunctionButton(19)->click();
  CRemoteStudyDlg* study = remote->LearningDialog();
  ASSERT_NE(study, nullptr);
  // The demo remote's Mode1 key arrives from the device a moment later.
  ASSERT_TRUE(QTest::qWaitFor([&] { return study->CodeBox()->text() == "42"; }, kWaitMs));
  EXPECT_TRUE(QTest::qWaitFor([&] { return remote->LearningDialog() == nullptr; }, kWaitMs));  // closed after 1 s
  remote->Apply();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Device().Remote()[19] == 0x42; }, kWaitMs));
  EXPECT_EQ(Device().Remote()[0], emu::kRemoteId);
  EXPECT_EQ(remote->FunctionButton(19)->Code(), 0x42);
}

TEST_F(ToolDialogsTest, F7OpensTheMachineSettingsWhoseStartVolumeMovesTheLiveVolume) {
  QTest::keyClick(&app->Frame(), Qt::Key_F7);
  auto* settings = InSlot<CSetDlg>(kSlotMachineSettings);
  ASSERT_NE(settings, nullptr);
  settings->StartEnable(VolumeChannel::kMic)->click();
  settings->StartSlider(VolumeChannel::kMic)->setValue(30);
  EXPECT_TRUE(DeviceGot(emu::Bytes{0x09, 0x00, 0x01, 0x0E, 0x01, 0x3E, 0x99, 0x99, 0x9D}));  // (1, 14) = 30
  settings->ApplyButton()->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return Device().Settings()[3] == 30; }, kWaitMs));
  settings->close();  // the ribbon shows the live volume the slider moved
  EXPECT_TRUE(QTest::qWaitFor([&] { return Ctx().Dialog(kSlotMachineSettings) == nullptr; }));
  EXPECT_EQ(app->Frame().Ribbon()->SliderValue(rid::kInMicSlider), 30);

  // A factory restore asks first; No sends nothing, Yes restores the mode.
  QTest::keyClick(&app->Frame(), Qt::Key_F7);
  settings = InSlot<CSetDlg>(kSlotMachineSettings);
  ASSERT_NE(settings, nullptr);
  prompts.answers = {QMessageBox::No, QMessageBox::Yes};
  settings->FactoryModeButton(1)->click();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_TRUE(prompts.asked[0].contains("M2"));
  settings->FactoryModeButton(1)->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return DeviceGot(emu::Bytes{0x06, 0x01}); }, kWaitMs))
      << "sent after the pause that lets a status answer pass";
  const auto log = Device().Log();
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const auto& p) { return p.bytes[0] == 0x06; }), 1);

  // Without a device F7 still opens the window.
  ASSERT_TRUE(QTest::qWaitFor([&] { return Idle(); }, kWaitMs));
  settings->close();
  app->Conn().GetLink().Close(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Ctx().Dialog(kSlotMachineSettings) == nullptr; }));
  QTest::keyClick(&app->Frame(), Qt::Key_F7);
  EXPECT_NE(InSlot<CSetDlg>(kSlotMachineSettings), nullptr);
}

TEST_F(ToolDialogsTest, F6OpensTheAdvancedEqOnlyWithADevice) {
  QTest::keyClick(&app->Frame(), Qt::Key_F6);
  auto* eq = InSlot<CAdvEQDlg>(kSlotAdvancedEq);
  ASSERT_NE(eq, nullptr);
  EXPECT_TRUE(eq->isVisible());
  eq->ChannelButton(3)->click();
  eq->close();  // hidden, kept with its channel
  QTest::keyClick(&app->Frame(), Qt::Key_F6);
  EXPECT_EQ(InSlot<CAdvEQDlg>(kSlotAdvancedEq), eq);
  EXPECT_EQ(eq->Channel(), 3);
  eq->BypassBox()->click();
  EXPECT_TRUE(DeviceGot(emu::Bytes{0x09, 0x00, 0x08, 0x26, 0x01, 0x00, 0x00, 0x00, 0x00}));
  eq->close();

  app->Conn().GetLink().Close(true);
  delete eq;  // as if never opened
  QTest::keyClick(&app->Frame(), Qt::Key_F6);
  EXPECT_EQ(Ctx().Dialog(kSlotAdvancedEq), nullptr);
}

TEST_F(ToolDialogsTest, OpenWindowsAreRefreshedAfterTheDeviceIsReadAgain) {
  auto* features = static_cast<CloudnessDlg*>(OpenFeatures(*app));
  // A value only the PC holds: the device still has the automatic level off.
  Ctx().Model().Update([](DeviceState& s) { s.values[static_cast<size_t>(FindParamRow(4, 0x0F))] = ParamValue::Int(0); });
  features->RefreshFromImage();
  EXPECT_TRUE(features->CheckControl(CloudnessDlg::kAutoLevel)->isChecked());
  app->View().Modes().LoadDeviceMode(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !features->CheckControl(CloudnessDlg::kAutoLevel)->isChecked(); }, kWaitMs));
}

TEST_F(ToolDialogsTest, ToolWindowsOpenOnScreenAndCloseFromTheKeyboardOrTheirCloseButton) {
  // The main window hangs over the screen's bottom-right corner: the windows still open whole.
  QScreen* screen = app->Frame().screen();
  ASSERT_NE(screen, nullptr);
  const QRect area = screen->availableGeometry();
  app->Frame().move(area.right() - 120, area.bottom() - 80);
  using Opener = QWidget* (*)(NrTuneApp&);
  const std::pair<const char*, Opener> windows[] = {{"advanced EQ", &OpenAdvancedEq},
                                                    {"features", &OpenFeatures},
                                                    {"input source", &OpenInputSource}};
  for (const auto& [name, open] : windows) {
    SCOPED_TRACE(name);
    QPointer<QWidget> window = open(*app);
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QRect frame = window->frameGeometry();
    EXPECT_GE(frame.left(), area.left());
    EXPECT_GE(frame.top(), area.top());
    if (frame.width() <= area.width()) {
      EXPECT_LE(frame.right(), area.right());
    }
    if (frame.height() <= area.height()) {
      EXPECT_LE(frame.bottom(), area.bottom());
    }

    // Escape, wherever the keyboard is in the window (the advanced EQ's panel takes every key).
    QWidget* focus = window->focusWidget() ? window->focusWidget() : window.data();
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_TRUE(!window || !window->isVisible());

    window = open(*app);
    ASSERT_TRUE(window);
    auto* close = window->findChild<QPushButton*>(QStringLiteral("closeButton"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("关闭"));
    Ctx().SetLanguage(Language::English);
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
    Ctx().SetLanguage(Language::Chinese);
    QTest::mouseClick(close, Qt::LeftButton);
    EXPECT_TRUE(!window || !window->isVisible());
  }
}

}  // namespace
}  // namespace nr::gui
