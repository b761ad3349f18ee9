// The main view driven as a user would, against an emulated device on loopback: live controls,
// limits and mutes, pitch, language, device modes and preset files, closing with changes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <cmath>
#include <deque>

#include "emu/Emulator.h"
#include "gui/ScriptedPrompts.h"
#include "link/Bytes.h"
#include "inputs/InputPages.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CInfoDlg.h"
#include "shell/CNetConnectDlg.h"
#include "shell/CMFCMyRibbonStatusBar.h"
#include "shell/CMainFrame.h"
#include "shell/CSyncDlg.h"
#include "shell/ModeCommands.h"
#include "shell/NrTuneApp.h"
#include "shell/Prompts.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"
#include "shell/LinkNoticeBar.h"
#include "shell/TrayBalloon.h"
#include "support/LoopbackListener.h"
#include "support/Screenshots.h"
#include "shell/ModeFile.h"

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
  // Starts the application with only the emulator's USB side to find, unplugged unless asked.
  void LaunchUsb(emu::EmulatorOptions options, bool plugged) {
    options.port = 0;
    emulator = std::make_unique<emu::Emulator>(options);
    if (!plugged) emulator->Hid().Unplug();
    AppOptions o;
    o.hid = &emulator->Hid();
    o.settingsFile = dir.filePath("settings.ini");
    o.prompts = &prompts;
    app = std::make_unique<NrTuneApp>(o);
    ASSERT_TRUE(app->Start());
    app->Show();
  }
  // Launches and waits for the first synchronisation to end.
  void Start(emu::EmulatorOptions options = {}) {
    Launch(options);
    ASSERT_TRUE(WaitUntil([&] { return app->Context().Connected() && !app->View().Connector().Busy() && !app->View().Sync().IsShown() &&
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
  EXPECT_EQ(app->Frame().StatusBar()->LinkPane()->text(), QString::fromUtf8("已连接：127.0.0.1:%1").arg(emulator->Port()));
  EXPECT_EQ(app->Frame().StatusBar()->LinkPane()->TextColor(), QColor(0, 150, 0));
  EXPECT_EQ(app->Frame().StatusBar()->ModePane()->text(), QString::fromUtf8("当前模式:M1"));
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {  // the balloon falls back to the tip
    EXPECT_EQ(TipText(), QString::fromUtf8("设备已连接，同步中……"));
  }
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
  EXPECT_EQ(app->Context().Settings().Language(), Language::English);
  EXPECT_EQ(app->Frame().StatusBar()->LinkPane()->text(), QStringLiteral("Connected: 127.0.0.1:%1").arg(emulator->Port()));
  app->View().OnCommand(kLanguage);
  EXPECT_EQ(Ribbon().ElementText(kInMicLabel), first);
  EXPECT_EQ(app->Context().Settings().Language(), Language::Chinese);
}

// The ribbon's mode store and load run through the device modes: the window returns at once,
// the tip follows once the device has had its time to store, and the stored slot keeps the
// screen's edits.
TEST_F(ViewTest, ModeStoreAndLoadLeaveTheWindowFreeAndKeepTheStoredPreset) {
  Start();
  app->View().OnCommand(kLanguage);
  app->View().OnSliderMoved(kInMusicSlider, 40);
  Drain();
  ASSERT_TRUE(app->Context().Model().Read([](const DeviceState& s) { return HasUnkeptEdits(s); }));
  prompts.answers = {QMessageBox::Yes};
  app->View().OnCommand(kSaveM1 + 1);
  EXPECT_EQ(app->Context().Model().Read([](const DeviceState& s) { return s.currentMode; }), 1);
  ASSERT_TRUE(WaitUntil([&] { return TipText() == QStringLiteral("Saving Mode 2 ……"); }));
  EXPECT_EQ(Received(0x04), (std::vector<emu::Bytes>{emu::Bytes{0x04, 0x01}}));
  EXPECT_FALSE(app->Context().Model().Read([](const DeviceState& s) { return HasUnkeptEdits(s) || s.deviceModified; }));

  emulator->Core().ClearLog();
  app->View().OnCommand(kLoadM1 + 2);
  EXPECT_TRUE(app->View().Sync().IsShown());
  ASSERT_TRUE(WaitUntil([&] {
    return !Received(0x05).empty() && !app->Conn().Sync().Busy() && !app->View().Sync().IsShown();
  }));
  EXPECT_EQ(Received(0x05), (std::vector<emu::Bytes>{emu::Bytes{0x05, 0x02}}));
  EXPECT_EQ(Received(0x30).size(), 70u) << "the device's values are read after the switch";
  EXPECT_EQ(app->Context().Model().Read([](const DeviceState& s) { return s.currentMode; }), 2);
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

TEST_F(ViewTest, VolumesChangedAfterSaveFileAreOfferedForSavingOnExit) {
  Start();
  prompts.nextFile = dir.filePath("show1.mode");
  app->View().OnCommand(kOutSaveFile);
  ASSERT_TRUE(WaitUntil([&] { return !Received(0x04).empty(); }));
  ASSERT_TRUE(WaitUntil([&] { return !app->Context().Model().Snapshot().deviceModified; }));
  app->View().OnSliderMoved(kInMicSlider, 33);
  app->View().OnSliderMoved(kInMusicSlider, 44);
  prompts.answers.push_back(QMessageBox::Cancel);
  EXPECT_FALSE(app->Frame().close());  // Exit asks, and Cancel stays
  ASSERT_EQ(prompts.asked.size(), 1u);
}

TEST_F(ViewTest, AReadAllThatFailsSaysSoAndAppliesNothing) {
  emu::EmulatorOptions options;
  options.chunkFaults.push_back({emu::ChunkFault::Kind::kOffset, 12, 0, false});
  Launch(options);
  ASSERT_TRUE(WaitUntil([&] { return !prompts.messages.empty(); }));
  EXPECT_EQ(prompts.messages[0], QString::fromUtf8("错误|读取设备参数失败：读取参数（第13/70块）时设备的应答有误。\n"
                                                   "读到的数据没有载入，界面保留原来的参数。"));
  EXPECT_FALSE(app->View().Sync().IsShown());
  EXPECT_TRUE(app->Context().Connected());
}

TEST_F(ViewTest, AFailedPushSaysWhatTheDeviceNowHoldsAndStoresNothing) {
  emu::EmulatorOptions options;
  options.chunkFaults.push_back({emu::ChunkFault::Kind::kCode, 30, 0, true});
  Start(options);
  app->Context().SetLanguage(Language::English);
  const QString path = dir.filePath("M2.mode");
  prompts.nextFile = path;
  app->View().OnCommand(kInSaveFile);
  Drain();
  emulator->Core().ClearLog();
  app->View().OnCommand(kFileOpen);
  ASSERT_TRUE(WaitUntil([&] { return !prompts.messages.empty(); }));
  EXPECT_EQ(prompts.messages.back(),
            QStringLiteral("Error|Writing to the device failed: the device answered wrongly while writing the image "
                           "(chunk 31 of 70).\nThe device now holds part of the new preset; push again or load a mode."));
  EXPECT_FALSE(app->View().Sync().IsShown());
  EXPECT_TRUE(Received(0x03).empty());
  EXPECT_TRUE(Received(0x04).empty());
  EXPECT_EQ(app->Context().Model().Snapshot().pendingModeSlot, -1);
}

// A network device of another protocol version is found out before the link is handed over: one
// notice says so, in the device's own terms and in words, and nothing else pops up.
TEST_F(ViewTest, ProtocolMismatchIsSaidOnceAndNothingConnects) {
  emu::EmulatorOptions options;
  options.version = 23;
  Launch(options);
  ASSERT_TRUE(WaitUntil([&] { return app->View().Connector().LastResult().has_value(); }));
  EXPECT_EQ(app->View().Connector().LastResult()->failure, ConnectFailure::kOtherVersion);
  EXPECT_FALSE(app->Context().Connected());
  LinkNoticeBar* notice = app->View().LinkNotice();
  ASSERT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->Text(), QString::fromUtf8("E:NR490_17 通信版本不匹配! 设备使用通信协议 23；本版本需要 24。"));
  app->View().OnCommand(kLanguage);
  EXPECT_EQ(notice->Text(), QStringLiteral("E:NR490_17 通信版本不匹配! The device speaks protocol 23; this version needs 24."));
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(qobject_cast<QMessageBox*>(w) && w->isVisible()) << "no box to swallow the next click";
  EXPECT_TRUE(prompts.messages.empty());
}

QMessageBox* VisibleMessageBox() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) return box;
  return nullptr;
}

TEST_F(ViewTest, ADeviceRefusedForItsVersionIsNotReconnectedUntilPluggedInAgain) {
  emu::EmulatorOptions options;
  options.version = 23;
  LaunchUsb(options, true);
  ASSERT_TRUE(WaitUntil([&] { return VisibleMessageBox() != nullptr; }));
  VisibleMessageBox()->close();
  ASSERT_FALSE(app->Context().Connected());
  const size_t identified = Received(0x80).size();
  EXPECT_EQ(identified, 2u);  // asked twice, as for any other version

  // Still plugged in: the once-a-second check leaves it alone.
  for (int i = 0; i < 3; ++i) app->View().PollUsbDevice();
  WaitUntil([] { return false; }, 200);
  EXPECT_FALSE(app->Context().Connected());
  EXPECT_EQ(Received(0x80).size(), identified);
  EXPECT_EQ(VisibleMessageBox(), nullptr);

  // Plugged in again, it is a new arrival and gets its turn.
  emulator->Hid().Unplug();
  app->View().PollUsbDevice();
  emulator->Hid().Plug();
  app->View().PollUsbDevice();
  ASSERT_TRUE(WaitUntil([&] { return VisibleMessageBox() != nullptr; }));
  EXPECT_EQ(Received(0x80).size(), 2 * identified);
  VisibleMessageBox()->close();
}

TEST_F(ViewTest, APulledUsbDeviceIsSaidAndReconnectWithoutItSaysItIsMissing) {
  LaunchUsb({}, true);
  ASSERT_TRUE(WaitUntil([&] { return app->Context().Connected() && !app->View().Connector().Busy() && !app->Conn().Sync().Busy(); }));
  emulator->Hid().Unplug();
  app->View().PollUsbDevice();
  ASSERT_FALSE(app->Context().Connected());
  ASSERT_TRUE(app->View().LinkNotice()->isVisible());
  const QString pulled = app->View().LinkNotice()->Text();

  ASSERT_TRUE(app->View().Reconnect()) << "the attempt starts";
  ASSERT_TRUE(WaitUntil([&] { return !app->View().Connector().Busy(); }));
  EXPECT_FALSE(app->Context().Connected());
  EXPECT_TRUE(app->View().LinkNotice()->isVisible());
  EXPECT_NE(app->View().LinkNotice()->Text(), pulled);
  EXPECT_TRUE(app->View().LinkNotice()->Text().contains("USB"));

  emulator->Hid().Plug();
  ASSERT_TRUE(app->View().Reconnect());
  ASSERT_TRUE(WaitUntil([&] { return app->Context().Connected() && !app->View().Connector().Busy(); }));
  EXPECT_FALSE(app->View().LinkNotice()->isVisible());
  ASSERT_TRUE(WaitUntil([&] { return !app->Conn().Sync().Busy(); }));
}

TEST_F(ViewTest, SaveFileWithoutADeviceKeepsTheEditsMadeMeanwhile) {
  LaunchUsb({}, false);
  app->View().OnSliderMoved(kInMusicSlider, 40);  // no link: the edit stays on the PC
  const QString path = dir.filePath("offline.mode");
  prompts.nextFile = path;
  app->View().OnCommand(kOutSaveFile);
  EXPECT_TRUE(Received(0x04).empty());
  DeviceModel saved;
  ASSERT_TRUE(ReadModeFile(path.toStdString(), saved).ok());
  EXPECT_EQ(saved.Read([](const DeviceState& s) { return s.IntValue(4, 12); }), 40);
  EXPECT_TRUE(TipText().contains(QStringLiteral("offline.mode"))) << TipText().toStdString();

  // Saved, the edit is safe: closing asks nothing. Another edit is offered for saving, to a file
  // only: without a device the question promises nothing about its modes.
  app->View().OnSliderMoved(kInMusicSlider, 41);
  prompts.answers.push_back(QMessageBox::Cancel);
  EXPECT_FALSE(app->Frame().close());
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_FALSE(prompts.asked[0].contains(QString::fromUtf8("同时保存至机器"))) << prompts.asked[0].toStdString();
}

// The link drops, the music volume is edited meanwhile, the link comes back: the read that
// follows must not replace the edit before the user has chosen.
class ReconnectTest : public ViewTest {
 protected:
  int ScreenMusic() { return app->Context().Model().Read([](const DeviceState& s) { return s.IntValue(4, 12); }); }
  int DeviceMusicWord() {
    const ParamRow& row = ParamRows()[static_cast<size_t>(FindParamRow(4, 12))];
    const ParamImage image = emulator->Core().Image();
    return static_cast<int>(std::lround(BitsFloat(GetBE32(&image[static_cast<size_t>(row.WordOffset())])) * 100));
  }
  void DropLinkAndEdit(int music) {
    app->Conn().GetLink().Close(false);
    ASSERT_TRUE(WaitUntil([&] { return !app->Context().Connected(); }));
    if (music >= 0) app->View().OnSliderMoved(kInMusicSlider, music);
  }
  void Reconnect() {
    prompts.asked.clear();
    emulator->Core().ClearLog();
    app->Context().Settings().SetNetTarget("127.0.0.1", emulator->Port());
    app->View().OnCommand(kConnectIp);
    auto* dialog = qobject_cast<CNetConnectDlg*>(app->Context().Dialog(kSlotNetConnect));
    ASSERT_NE(dialog, nullptr);
    dialog->LoadTarget();
    ASSERT_TRUE(dialog->TryConnect());
    ASSERT_TRUE(WaitUntil([&] {
      return app->Context().Connected() && !app->View().Connector().Busy() && !app->View().Sync().IsShown() &&
             !app->Conn().Sync().Busy();
    }));
    Drain();
  }
};

TEST_F(ReconnectTest, AReadThatWouldReplaceEditsAsksFirst) {
  Start();
  ASSERT_EQ(DeviceMusicWord(), 16);

  // Keep the device's values.
  DropLinkAndEdit(40);
  prompts.choices = {0};
  Reconnect();
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_TRUE(prompts.asked[0].contains("未保存") || prompts.asked[0].contains("不同")) << prompts.asked[0].toStdString();
  EXPECT_EQ(ScreenMusic(), 16);
  EXPECT_EQ(Ribbon().SliderValue(kInMusicSlider), 16);
  EXPECT_TRUE(Received(0x31).empty());

  // Send the screen's values: the device gets the whole image, the screen keeps the edit.
  DropLinkAndEdit(40);
  prompts.choices = {1};
  Reconnect();
  ASSERT_TRUE(WaitUntil([&] { return Received(0x32).size() == 1; }));
  ASSERT_TRUE(WaitUntil([&] { return !app->View().Sync().IsShown() && !app->Conn().Sync().Busy(); }));
  EXPECT_EQ(Received(0x31).size(), 70u);
  EXPECT_EQ(DeviceMusicWord(), 40);
  EXPECT_EQ(ScreenMusic(), 40);

  // Save the screen's values first (a cancelled file choice asks again), then take the device's.
  DropLinkAndEdit(55);
  prompts.choices = {2, 2};
  const QString path = dir.filePath("kept.mode");
  prompts.saveFiles = {QString(), path};  // the first file choice is cancelled
  Reconnect();
  EXPECT_EQ(prompts.asked.size(), 2u);
  DeviceModel saved;
  ASSERT_TRUE(ReadModeFile(path.toStdString(), saved).ok());
  EXPECT_EQ(saved.Read([](const DeviceState& s) { return s.IntValue(4, 12); }), 55);
  EXPECT_EQ(ScreenMusic(), 40);
}

TEST_F(ReconnectTest, NothingIsAskedWhenNoEditIsAtRisk) {
  Start();
  // No edit while the link was down.
  DropLinkAndEdit(-1);
  Reconnect();
  EXPECT_TRUE(prompts.asked.empty());

  // An edit made on line that the device kept: the read brings the same value back.
  app->View().OnSliderMoved(kInMusicSlider, 33);
  Drain();
  DropLinkAndEdit(-1);
  Reconnect();
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(ScreenMusic(), 33);
}

// The status bar names the link; the user can disconnect, go back to the demo device, and is
// told where they look when the link drops.
TEST_F(ViewTest, TheStatusBarNamesEveryLinkAndDisconnectHolds) {
  Start();
  CMFCMyRibbonStatusBar* bar = app->Frame().StatusBar();
  const auto shoot = [&](const QString& state) {
    for (Language language : kLanguages) {
      if (app->Context().Language() != language) app->View().OnCommand(kLanguage);
      nr::test::SaveScreenshot(bar, QStringLiteral("statusbar_%1_%2").arg(state, LanguageCode(language)));
    }
  };
  EXPECT_EQ(bar->LinkPane()->text(), QString::fromUtf8("已连接：127.0.0.1:%1").arg(emulator->Port()));
  shoot("network");

  app->View().OnCommand(kDisconnect);
  EXPECT_FALSE(app->Context().Connected());
  EXPECT_EQ(bar->LinkPane()->text(), QStringLiteral("Disconnected"));
  EXPECT_FALSE(app->View().LinkNotice()->isVisible()) << "a disconnect the user asked for needs no notice";
  shoot("disconnected");

  // Back to the built-in demo device, started on first use.
  ASSERT_TRUE(app->View().ConnectDemo());
  ASSERT_NE(app->DemoDevice(), nullptr);
  ASSERT_TRUE(WaitUntil([&] {
    return app->Context().Connected() && !app->View().Connector().Busy() && !app->View().Sync().IsShown() &&
           !app->Conn().Sync().Busy();
  }));
  EXPECT_EQ(bar->LinkPane()->text(), QStringLiteral("Connected: Demo (emulator)"));
  shoot("demo");
  app->View().OnCommand(kLanguage);
  EXPECT_EQ(bar->LinkPane()->text(), QString::fromUtf8("已连接：演示设备（模拟器）"));
}

TEST_F(ViewTest, TheStatusBarSaysUsbForTheUsbLink) {
  LaunchUsb({}, true);
  ASSERT_TRUE(WaitUntil([&] { return app->Context().Connected() && !app->View().Connector().Busy() && !app->Conn().Sync().Busy(); }));
  CMFCMyRibbonStatusBar* bar = app->Frame().StatusBar();
  EXPECT_EQ(bar->LinkPane()->text(), QString::fromUtf8("已连接：USB"));
  nr::test::SaveScreenshot(bar, "statusbar_usb_zh");
  app->View().OnCommand(kLanguage);
  EXPECT_EQ(bar->LinkPane()->text(), QStringLiteral("Connected: USB"));
  nr::test::SaveScreenshot(bar, "statusbar_usb_en");

  // Disconnected by the user, the device stays plugged in and is left alone until asked for.
  app->View().OnCommand(kDisconnect);
  app->View().PollUsbDevice();
  EXPECT_FALSE(app->Context().Connected());
  EXPECT_TRUE(app->View().ConnectUsb());
  EXPECT_TRUE(WaitUntil([&] { return app->Context().Connected(); }));
}

TEST_F(ViewTest, ADroppedLinkIsSaidOverThePageAndCanBeReconnected) {
  Start();
  RegisterInputPages(*app);
  emulator->Stop();  // the device goes away underneath
  ASSERT_TRUE(WaitUntil([&] { return app->View().LinkNotice()->isVisible(); }));
  EXPECT_FALSE(app->Context().Connected());
  EXPECT_FALSE(app->View().LinkNotice()->Text().isEmpty());
  EXPECT_EQ(app->View().LinkNotice()->geometry().top(), 0) << "at the top of the page, where the user looks";
  ASSERT_NE(app->View().CurrentPage(), nullptr);
  EXPECT_GE(app->View().CurrentPage()->geometry().top(), app->View().LinkNotice()->geometry().bottom())
      << "the page moves down: nothing of it is hidden";
  app->Frame().resize(1100, 760);
  nr::test::SaveScreenshot(&app->Frame(), "frame_zh_link_lost");

  // A click while the device is still away says what happened, in words, and the notice stays
  // for another try.
  LinkNoticeBar* notice = app->View().LinkNotice();
  const QString lost = notice->Text();
  const uint16_t port = emulator->Port();
  notice->ReconnectButton()->click();
  ASSERT_TRUE(WaitUntil([&] { return !app->View().Connector().Busy(); }));
  EXPECT_FALSE(app->Context().Connected());
  EXPECT_TRUE(notice->isVisible());
  EXPECT_NE(notice->Text(), lost);
  EXPECT_EQ(notice->Text(), QString::fromUtf8("127.0.0.1:%1 没有应答（连接被拒绝）。").arg(port));
  app->View().OnCommand(kLanguage);
  EXPECT_EQ(notice->Text(), QString("Nothing answers at 127.0.0.1:%1 (connection refused).").arg(port))
      << "the failure follows the language";
  nr::test::SaveScreenshot(&app->Frame(), "frame_en_reconnect_failed");

  // Something on that port that takes no connection: the attempt waits, and Stop ends it.
  {
    nr::test::LoopbackListener deaf(nr::test::LoopbackListener::kFullBacklog, port);
    ASSERT_TRUE(deaf.Ok());
    notice->ReconnectButton()->click();
    EXPECT_TRUE(app->View().Connector().Busy());
    EXPECT_EQ(notice->Text(), QString("Connecting to 127.0.0.1:%1...").arg(port));
    EXPECT_EQ(notice->ReconnectButton()->text(), "Stop");
    notice->ReconnectButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return !app->View().Connector().Busy(); }, 3000)) << "stopped, not timed out";
    EXPECT_EQ(notice->Text(), QString("Connecting to 127.0.0.1:%1 was stopped.").arg(port));
    EXPECT_EQ(notice->ReconnectButton()->text(), "Reconnect");
  }

  // The device comes back on the same port: one click connects again.
  emu::EmulatorOptions again;
  again.port = emulator->Port();
  emulator = std::make_unique<emu::Emulator>(again);
  ASSERT_TRUE(emulator->Start());
  app->View().LinkNotice()->ReconnectButton()->click();
  ASSERT_TRUE(WaitUntil([&] { return app->Context().Connected() && !app->View().Connector().Busy() && !app->Conn().Sync().Busy(); }));
  EXPECT_FALSE(app->View().LinkNotice()->isVisible());
  EXPECT_EQ(app->View().CurrentPage()->geometry().top(), 0);
}

TEST_F(ViewTest, TheSynchronisationBarShowsTheChunksRead) {
  emu::EmulatorOptions slow;
  slow.latency = std::chrono::milliseconds(15);  // about a second for the 70 chunks
  Launch(slow);
  int seenPart = 0;
  ASSERT_TRUE(WaitUntil([&] {
    CSyncDlg* dialog = app->View().Sync().Dialog();
    if (dialog && dialog->Bar()->maximum() == kImageChunks && dialog->Bar()->value() > 0 &&
        dialog->Bar()->value() < kImageChunks)
      seenPart = dialog->Bar()->value();
    return seenPart > 0;
  }));
  EXPECT_EQ(app->View().Sync().Dialog()->Bar()->text(), QStringLiteral("%1 / 70").arg(app->View().Sync().Dialog()->Bar()->value()));
  nr::test::SaveScreenshot(app->View().Sync().Dialog(), "sync_zh_progress");
  ASSERT_TRUE(WaitUntil([&] { return !app->View().Sync().IsShown() && !app->Conn().Sync().Busy(); }));
}

// A device that takes the connection but never answers the identification is never called
// connected: the attempt ends with one notice that says so in words.
TEST_F(ViewTest, AHostThatNeverAnswersIsNotCalledConnected) {
  emu::EmulatorOptions silent;
  silent.silentAfter = std::chrono::milliseconds(0);
  Launch(silent);
  app->View().Connector().probe.silenceLimit = std::chrono::milliseconds(300);  // before the first attempt
  ASSERT_TRUE(WaitUntil([&] { return app->View().Connector().LastResult().has_value(); }));
  EXPECT_EQ(app->View().Connector().LastResult()->failure, ConnectFailure::kSilent);
  EXPECT_FALSE(app->Context().Connected());
  EXPECT_NE(TipText(), QString::fromUtf8("设备已连接，同步中……")) << "nothing has answered";
  EXPECT_EQ(app->View().LinkNotice()->Text(),
            QString::fromUtf8("127.0.0.1:%1 接受了连接，但 0.3 秒内什么也没有发送。").arg(emulator->Port()));
  EXPECT_TRUE(prompts.messages.empty()) << "one notice, no message box besides";
}

}  // namespace
}  // namespace nr::gui
