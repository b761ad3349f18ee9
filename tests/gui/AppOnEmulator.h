#pragma once
// The whole application connected to an emulated device on loopback, for tests that drive pages
// as a user would and then look at what the device holds.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "emu/Emulator.h"
#include "gui/ScriptedPrompts.h"
#include "session/Connection.h"
#include "link/Synchronizer.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CSyncDlg.h"
#include "shell/NrTuneApp.h"

namespace nr::gui::test {

// The application on its built-in emulated device, its settings in dir, its questions answered
// by prompts; not started yet.
inline std::unique_ptr<NrTuneApp> DemoApp(const QTemporaryDir& dir, Prompts& prompts) {
  AppOptions o;
  o.demo = true;
  o.settingsFile = dir.filePath("settings.ini");
  o.prompts = &prompts;
  return std::make_unique<NrTuneApp>(o);
}

class AppOnEmulator : public ::testing::Test {
 protected:
  // Starts the device and the application (with its pages registered by `registerPages`) and
  // waits until the first read of the device is done.
  void Launch(const std::function<void(NrTuneApp&)>& registerPages, Prompts* prompts = nullptr) {
    emu::EmulatorOptions options;
    options.port = 0;
    emulator_ = std::make_unique<emu::Emulator>(options);
    ASSERT_TRUE(emulator_->Start());
    AppOptions o;
    o.netHost = "127.0.0.1";
    o.netPort = emulator_->Port();
    o.settingsFile = dir_.filePath("settings.ini");
    o.prompts = prompts;
    app_ = std::make_unique<NrTuneApp>(o);
    ASSERT_TRUE(app_->Start());
    registerPages(*app_);
    app_->Show();
    ASSERT_TRUE(WaitUntil([&] {
      return app_->Context().Connected() && !app_->View().Connector().Busy() && !app_->View().Sync().IsShown() &&
             !app_->Conn().Sync().Busy();
    }));
    emulator_->Core().ClearLog();
  }
  void TearDown() override {
    app_.reset();
    if (emulator_) emulator_->Stop();
  }
  // Lets every queued write reach the device.
  void Drain() {
    app_->Conn().GetLink().WaitUntilIdle(std::chrono::milliseconds(3000));
    WaitUntil([] { return false; }, 100);
  }

  QTemporaryDir dir_;
  std::unique_ptr<emu::Emulator> emulator_;
  std::unique_ptr<NrTuneApp> app_;
};

}  // namespace nr::gui::test
