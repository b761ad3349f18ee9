#pragma once
// What the smart-plug tests share: the application against an emulated device with three plugs
// on loopback, key files in a folder of the test's own, and the questions the pages ask answered
// from a script.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "emu/Emulator.h"
#include "gui/ScriptedPrompts.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CInfoDlg.h"
#include "shell/CSyncDlg.h"
#include "shell/CWaitDlg.h"
#include "shell/NrTuneApp.h"
#include "shell/RibbonIds.h"
#include "smarthome/CDialogHomeTheater.h"
#include "smarthome/SmartHomePages.h"
#include "support/Screenshots.h"

namespace nr::gui::test {

using namespace std::chrono_literals;

class SmartPlugTest : public ::testing::Test {
 protected:
  // Starts the emulator and the application, and waits until the device has been read.
  void Start(const std::function<void(emu::EmulatorOptions&)>& adjust = {}) {
    emu::EmulatorOptions options;
    options.port = 0;
    options.zwave.pressAfter = 300ms;
    options.zwave.keyAfter = 300ms;
    if (adjust) adjust(options);
    emulator = std::make_unique<emu::Emulator>(options);
    ASSERT_TRUE(emulator->Start());
    AppOptions o;
    o.netHost = "127.0.0.1";
    o.netPort = emulator->Port();
    o.settingsFile = dir.filePath("settings.ini");
    o.prompts = &prompts;
    o.smartHome.nodeListWait = 500ms;
    o.smartHome.completionWait = 500ms;
    app = std::make_unique<NrTuneApp>(o);
    ASSERT_TRUE(app->Start());
    RegisterSmartHome(*app, KeyFolder());
    app->Show();
    ASSERT_TRUE(WaitUntil([&] {
      return app->Context().Connected() && !app->View().Connector().Busy() && !app->View().Sync().IsShown() &&
             !app->Conn().Sync().Busy();
    }));
  }
  void TearDown() override {
    app.reset();
    if (emulator) emulator->Stop();
  }

  QString KeyFolder() const { return dir.filePath("Documents/490/Plug"); }
  AppContext& Ctx() { return app->Context(); }
  CGQ2270v13View& View() { return app->View(); }
  SmartHome& Smart() { return app->Conn().Smart(); }
  CDialogHomeTheater* Page() { return qobject_cast<CDialogHomeTheater*>(Ctx().Dialog(kSlotSmartPlug)); }

  // Opens the page from the ribbon and waits for its synchronisation to end.
  CDialogHomeTheater* OpenPage() {
    View().OnCommand(rid::kSmartPlug);
    CDialogHomeTheater* page = Page();
    EXPECT_TRUE(page);
    EXPECT_TRUE(WaitUntil([&] { return Smart().DataValid() && !View().Sync().IsShown() && !Smart().Busy(); }));
    return page;
  }

  QString TipText() {
    CInfoDlg* tip = CInfoDlg::Existing(Ctx());
    return tip && tip->isVisible() ? tip->Text() : QString();
  }
  QString WaitText() { return View().Wait().IsShown() ? View().Wait().Dialog()->Text() : QString(); }
  // Waits until the wait dialog shows text.
  bool WaitShows(const char* text, int ms = 5000) {
    return WaitUntil([&] { return WaitText() == QString::fromUtf8(text); }, ms);
  }

  QTemporaryDir dir;
  ScriptedPrompts prompts;
  std::unique_ptr<emu::Emulator> emulator;
  std::unique_ptr<NrTuneApp> app;
};

}  // namespace nr::gui::test
