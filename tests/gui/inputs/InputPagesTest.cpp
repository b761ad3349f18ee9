// The input pages inside the whole application, against an emulated device on loopback: the
// Input category opens the music page, its curves open the effect page through the view, the
// status bar's bypass reaches the device, and the screenshot mode knows every page.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "emu/Emulator.h"
#include "eq/CSmallEqPanel.h"
#include "inputs/CDialogEfx.h"
#include "inputs/CDialogMusic.h"
#include "inputs/InputPages.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMFCMyRibbonStatusBar.h"
#include "shell/CMainFrame.h"
#include "shell/CSyncDlg.h"
#include "shell/NrTuneApp.h"
#include "link/Connection.h"
#include "link/Synchronizer.h"

namespace nr::gui {
namespace {

bool WaitUntil(const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

class InputPagesInView : public ::testing::Test {
 protected:
  void SetUp() override {
    emu::EmulatorOptions options;
    options.port = 0;
    emulator_ = std::make_unique<emu::Emulator>(options);
    ASSERT_TRUE(emulator_->Start());
    AppOptions o;
    o.netHost = "127.0.0.1";
    o.netPort = emulator_->Port();
    o.settingsFile = dir_.filePath("settings.ini");
    app_ = std::make_unique<NrTuneApp>(o);
    ASSERT_TRUE(app_->Start());
    RegisterInputPages(*app_);
    app_->Show();
    ASSERT_TRUE(WaitUntil([&] {
      return app_->Context().Connected() && !app_->View().Sync().IsShown() && !app_->Conn().Sync().Busy();
    }));
    emulator_->Core().ClearLog();
  }
  void TearDown() override {
    app_.reset();
    if (emulator_) emulator_->Stop();
  }

  Page* Current() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return app_->View().CurrentPage();
  }
  // The last word the device received for (module, index), or -1.
  int64_t LastWord(int module, int index) {
    int64_t word = -1;
    for (const auto& p : emulator_->Core().Log())
      if (p.channel == 0x81 && p.bytes.size() == 9 && p.bytes[0] == 0x09 && p.bytes[2] == module && p.bytes[3] == index)
        word = (int64_t{p.bytes[5]} << 24) | (p.bytes[6] << 16) | (p.bytes[7] << 8) | p.bytes[8];
    return word;
  }

  QTemporaryDir dir_;
  std::unique_ptr<emu::Emulator> emulator_;
  std::unique_ptr<NrTuneApp> app_;
};

TEST_F(InputPagesInView, CurvesOpenTheEffectPageAndTheStatusBarBypassReachesTheDevice) {
  auto* music = qobject_cast<CDialogMusic*>(Current());
  ASSERT_NE(music, nullptr);
  music->SelectSubPage(CDialogMusic::kMicB);
  QTest::mouseClick(music->ReverbCurve(), Qt::LeftButton);
  auto* effect = qobject_cast<CDialogEfx*>(Current());
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->Kind(), kReverbB);
  EXPECT_EQ(effect->geometry(), app_->View().rect());

  CMFCMyRibbonStatusBar* bar = app_->Frame().StatusBar();
  bar->BypassBox()->click();
  ASSERT_TRUE(WaitUntil([&] { return LastWord(3, 0x13) == 1; }, 3000));
  EXPECT_TRUE(effect->EqBypass());

  // Leaving for the Output category and coming back opens the music page where it was left.
  app_->View().SwitchCategory(1);
  app_->View().SwitchCategory(0);
  music = qobject_cast<CDialogMusic*>(Current());
  ASSERT_NE(music, nullptr);
  EXPECT_EQ(music->SubPage(), CDialogMusic::kMicB);
}

TEST_F(InputPagesInView, ScreenshotModeShowsEverySubPageAndEffect) {
  QStringList names;
  for (const ScreenshotShot& shot : app_->Screenshots()) names << shot.name;
  for (const char* name : {"music_mic_a", "music_mic_b", "music_music", "effect_reverb_a", "effect_reverb_b",
                           "effect_echo_a", "effect_echo_b"})
    EXPECT_TRUE(names.contains(QString::fromLatin1(name))) << name;

  for (const ScreenshotShot& shot : app_->Screenshots()) {
    EXPECT_EQ(shot.prepare(*app_), &app_->Frame());
    Page* page = Current();
    ASSERT_NE(page, nullptr);
    if (shot.name == "music_music") {
      ASSERT_EQ(page->DialogNumber(), CDialogMusic::kDialogNumber);
      EXPECT_EQ(static_cast<CDialogMusic*>(page)->SubPage(), CDialogMusic::kMusic);
    }
    if (shot.name == "effect_echo_b") {
      ASSERT_EQ(page->DialogNumber(), CDialogEfx::kDialogNumber);
      EXPECT_EQ(static_cast<CDialogEfx*>(page)->Kind(), kEchoB);
    }
  }
}

}  // namespace
}  // namespace nr::gui
