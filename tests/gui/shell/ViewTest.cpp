// The main view driven as a user would, against an emulated device on loopback: live controls,
// limits and mutes, pitch, language, device modes and preset files, closing with changes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <deque>

#include "emu/Emulator.h"
#include "gui/ScriptedPrompts.h"
#include "link/Bytes.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CInfoDlg.h"
#include "shell/CMFCMyRibbonStatusBar.h"
#include "shell/CMainFrame.h"
#include "shell/CSyncDlg.h"
#include "shell/ModeCommands.h"
#include "shell/NrTuneApp.h"
#include "shell/Prompts.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"

namespace nr::gui {
namespace {

using namespace rid;

using test::ScriptedPrompts;
using test::WaitUntil;

class ViewTest : public ::testing::Test {
 protected:
  // Starts an emulator and the application connecting to it.
  void Launch(emu::EmulatorOptions options) {
    options.port = 0;
    emulator = std::make_unique<emu::Emulator>(options);
    ASSERT_TRUE(emulator->Start());
    AppOptions o;
    o.netHost = "127.0.0.1";
    o.netPort = emulator->Port();
    o.settingsFile = dir.filePath("settings.ini");
    o.prompts = &prompts;
    app = std::make_unique<NrTuneApp>(o);
    ASSERT_TRUE(app->Start());
    app->Show();
  }
  // Launches and waits for the first synchronisation to end.
  void Start(emu::EmulatorOptions options = {}) {
    Launch(options);
    ASSERT_TRUE(WaitUntil([&] { return app->Context().Connected() && !app->View().Sync().IsShown() &&
                                       !app->Conn().Sync().Busy(); }));
    emulator->Core().ClearLog();
  }
  void TearDown() override {
    app.reset();
    if (emulator) emulator->Stop();
  }
  CMyMFCRibbonBar& Ribbon() { return *app->Frame().Ribbon(); }
  std::vector<emu::Bytes> Received(uint8_t code) {
    std::vector<emu::Bytes> out;
    for (const auto& p : emulator->Core().Log())
      if (p.channel == 0x81 && !p.bytes.empty() && p.bytes[0] == code) out.push_back(p.bytes);
    return out;
  }
  emu::Bytes LastWriteTo(int module, int index) {
    emu::Bytes last;
    for (const auto& p : Received(0x09))
      if (p.size() >= 9 && p[2] == module && p[3] == index) last = p;
    return last;
  }
  void Drain() {
    app->Conn().GetLink().WaitUntilIdle(std::chrono::milliseconds(3000));
    WaitUntil([] { return false; }, 100);
  }
  QString TipText() {
    CInfoDlg* tip = CInfoDlg::Existing(app->Context());
    return tip && tip->isVisible() ? tip->Text() : QString();
  }

  QTemporaryDir dir;
  ScriptedPrompts prompts;
  std::unique_ptr<emu::Emulator> emulator;
  std::unique_ptr<NrTuneApp> app;
};

TEST_F(ViewTest, SynchronisationFillsTheRibbonAndStatusBar) {
  Start();
  EXPECT_EQ(Ribbon().SliderValue(kInMicSlider), 50);
  EXPECT_EQ(Ribbon().SliderValue(kOutEchoSlider), 64);
  EXPECT_EQ(Ribbon().ElementText(kInMusicLabel), QString::fromUtf8("音乐音量: 16"));
  EXPECT_EQ(Ribbon().PanelCaption(0, kPanelPitch), QString::fromUtf8("音乐变调:+0"));
  EXPECT_EQ(app->Frame().StatusBar()->LinkPane()->text(), QString::fromUtf8("IP：已连接"));
  EXPECT_EQ(app->Frame().StatusBar()->LinkPane()->TextColor(), QColor(0, 150, 0));
  EXPECT_EQ(app->Frame().StatusBar()->ModePane()->text(), QString::fromUtf8("当前模式:M1"));
}

TEST_F(ViewTest, VolumeAboveTheMachineLimitIsClampedNeverSent) {
  emu::EmulatorOptions options;
  Start(options);
  app->Context().Model().Update([](DeviceState& s) { s.machine[5] = 80; });
  app->View().OnSliderMoved(kInMicSlider, 99);
  EXPECT_EQ(Ribbon().SliderValue(kInMicSlider), 80);
  EXPECT_EQ(Ribbon().SliderValue(kOutMicSlider), 80);
  EXPECT_EQ(TipText(), QString::fromUtf8("不能超过最大话筒音量!"));
  Drain();
  const emu::Bytes write = LastWriteTo(1, 0x0E);
  ASSERT_EQ(write.size(), 9u);
  EXPECT_NEAR(BitsFloat(GetBE32(&write[5])), 0.80f, 1e-6);
  EXPECT_EQ(Ribbon().ElementText(kOutMicLabel), QString::fromUtf8("话筒音量: 80"));
}

TEST_F(ViewTest, MutedChannelsSayTheyAreMutedButStillMove) {
  Start();
  app->View().OnMuteToggled(kInEchoMute);  // stored 100 -> 0: muted
  EXPECT_TRUE(Ribbon().IsChecked(kOutEchoMute));
  app->View().OnSliderMoved(kInEchoSlider, 30);
  EXPECT_EQ(TipText(), QString::fromUtf8("当前是静音状态"));
  Drain();
  EXPECT_EQ(LastWriteTo(2, 0x23).size(), 9u);  // the mute went out
  EXPECT_EQ(LastWriteTo(2, 0x22).size(), 9u);  // and the volume anyway

  CInfoDlg::Of(app->Context()).hide();
  app->View().OnMuteToggled(kInEffectMute);
  app->View().OnSliderMoved(kInEffectSlider, 20);  // the effect volume never says so
  EXPECT_EQ(TipText(), QString());
}

TEST_F(ViewTest, PitchIsSentAsAnIntegerWord) {
  Start();
  app->View().OnSliderMoved(kInPitchSlider, -5);
  Drain();
  EXPECT_EQ(Received(0x09).back(), (emu::Bytes{0x09, 0x00, 0x04, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00}));
  app->View().OnSliderMoved(kOutPitchSlider, 5);
  Drain();
  EXPECT_EQ(Received(0x09).back(), (emu::Bytes{0x09, 0x00, 0x04, 0x10, 0x01, 0x00, 0x00, 0x00, 0x0A}));
  EXPECT_EQ(Ribbon().SliderValue(kInPitchSlider), 5);
  EXPECT_EQ(Ribbon().PanelCaption(1, kPanelPitch), QString::fromUtf8("音乐变调:+5"));
}

TEST_F(ViewTest, LanguageToggleRelabelsAndIsStored) {
  Start();
  const QString first = Ribbon().ElementText(kInMicLabel);
  app->View().OnCommand(kLanguage);
  EXPECT_EQ(Ribbon().ElementText(kInMicLabel), QStringLiteral("Mic    Vol:  50"));
  EXPECT_EQ(app->Context().Settings().Language(), 1);
  EXPECT_EQ(app->Frame().StatusBar()->LinkPane()->text(), QStringLiteral("IP:Connected"));
  app->View().OnCommand(kLanguage);
  EXPECT_EQ(Ribbon().ElementText(kInMicLabel), first);
  EXPECT_EQ(app->Context().Settings().Language(), 0);
}

TEST_F(ViewTest, PresetFileNamedAfterASlotIsStoredThere) {
  Start();
  const QString path = dir.filePath("M2.Mode");
  prompts.nextFile = path;
  app->View().OnCommand(kInSaveFile);  // writes the device's parameters to the file
  ASSERT_TRUE(QFileInfo::exists(path));
  EXPECT_EQ(QFileInfo(path).size(), 4007);
  Drain();
  EXPECT_EQ(Received(0x04), (std::vector<emu::Bytes>{emu::Bytes{0x04, 0x00}}));  // stored into M1 first

  emulator->Core().ClearLog();
  app->View().OnCommand(kFileOpen);
  ASSERT_TRUE(WaitUntil([&] { return !Received(0x04).empty(); }));
  EXPECT_EQ(Received(0x31).size(), 70u);
  EXPECT_EQ(Received(0x03), (std::vector<emu::Bytes>{emu::Bytes{0x03, 0x01}}));
  EXPECT_EQ(Received(0x04), (std::vector<emu::Bytes>{emu::Bytes{0x04, 0x01}}));
  EXPECT_EQ(app->Context().Model().Snapshot().pendingModeSlot, -1);
  EXPECT_EQ(app->Context().Settings().RecentFiles().first(), QFileInfo(path).absoluteFilePath());
  EXPECT_EQ(ModeCommands::SlotFromFileName("my m2.mode"), -1);
}

TEST_F(ViewTest, ClosingWithChangesAndCancelStaysConnected) {
  Start();
  app->View().OnSliderMoved(kInMusicSlider, 40);  // the device answers 09: parameters changed
  ASSERT_TRUE(WaitUntil([&] { return app->Context().Model().Snapshot().deviceModified; }));
  prompts.answers.push_back(QMessageBox::Cancel);
  EXPECT_FALSE(app->Frame().close());
  EXPECT_TRUE(app->Context().Connected());
  EXPECT_EQ(prompts.asked.size(), 1u);
}

TEST_F(ViewTest, ProtocolMismatchDisconnects) {
  emu::EmulatorOptions options;
  options.version = 23;
  Launch(options);
  ASSERT_TRUE(WaitUntil([&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return true;
    return false;
  }));
  QMessageBox* box = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), QString::fromUtf8("E:NR490_17 通信版本不匹配!"));
  EXPECT_FALSE(app->Context().Connected());
  box->close();
}

}  // namespace
}  // namespace nr::gui
