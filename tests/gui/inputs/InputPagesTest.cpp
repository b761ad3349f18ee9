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
#include "gui/AppOnEmulator.h"
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
#include "session/Connection.h"
#include "link/Synchronizer.h"

namespace nr::gui {
namespace {

using test::WaitUntil;

class InputPagesInView : public test::AppOnEmulator {
 protected:
  void SetUp() override { Launch([](NrTuneApp& app) { RegisterInputPages(app); }); }

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
