#pragma once
// The whole application assembled: link and model, settings, windows, and in demo mode an
// emulated device in the same process. main() makes one; GUI tests make as many as they like.
#include <QString>
#include <string>
#include <memory>
#include <vector>

#include "shell/ScreenshotMode.h"
#include "smarthome/SmartHome.h"

namespace nr {
class Connection;
class HidBackend;
class StderrTrace;
namespace emu {
class Emulator;
}
}  // namespace nr

namespace nr::gui {

class AppContext;
class AppSettings;
class CGQ2270v13View;
class CMainFrame;
class KeyShortcuts;
class SliderValueTips;
class Prompts;
class QtLinkEvents;

struct AppOptions {
  bool demo = false;          // connect to an emulator started in this process
  QString netHost;            // or connect to this network device at start (port below)
  uint16_t netPort = 0;
  bool trace = false;         // link traces on stderr
  QString settingsFile;       // a private settings file instead of the user's store
  QString openFile;           // a preset file given on the command line
  bool offline = false;       // edit openFile (if any) without a device: nothing connects at start
  Prompts* prompts = nullptr;  // tests answer questions themselves; null: Qt's dialogs
  HidBackend* hid = nullptr;   // tests pass the emulator's endpoint; null: real USB
  SmartHomeTimings smartHome;  // tests shorten the smart-home waits
};

class NrTuneApp {
 public:
  explicit NrTuneApp(AppOptions options);
  ~NrTuneApp();

  // Starts the demo device (if asked) and builds the windows; false with a reason on failure.
  bool Start(QString* error = nullptr);
  // Shows the window and starts connecting.
  void Show();

  CMainFrame& Frame() { return *frame_; }
  CGQ2270v13View& View() { return *view_; }
  AppContext& Context() { return *ctx_; }
  Connection& Conn() { return *connection_; }
  emu::Emulator* DemoDevice() { return emulator_.get(); }
  KeyShortcuts& Shortcuts() { return *shortcuts_; }
  Prompts& GetPrompts() { return *prompts_; }
  // A preset file another start of nrtune handed over: loaded into the connected device as a
  // file named on the command line is, or, without a device (or when asked), edited offline.
  void OpenHandedFile(const QString& path, bool offline);
  // Starts the emulated device in this process, once; false (with the reason) when it cannot run.
  bool StartDemoDevice(std::string* why = nullptr);

  // Pictures the screenshot mode takes besides the main window and the shell's dialogs.
  void AddScreenshot(ScreenshotShot shot) { shots_.push_back(std::move(shot)); }
  const std::vector<ScreenshotShot>& Screenshots() const { return shots_; }

 private:
  AppOptions options_;
  std::unique_ptr<StderrTrace> trace_;
  std::unique_ptr<HidBackend> ownHid_;
  std::unique_ptr<emu::Emulator> emulator_;
  std::unique_ptr<QtLinkEvents> events_;      // outlives the connection: link threads emit into it
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<AppSettings> settings_;
  std::unique_ptr<AppContext> ctx_;
  std::unique_ptr<Prompts> ownPrompts_;
  Prompts* prompts_ = nullptr;                // the test's or ownPrompts_
  std::unique_ptr<CMainFrame> frame_;
  CGQ2270v13View* view_ = nullptr;            // owned by the frame
  std::unique_ptr<KeyShortcuts> shortcuts_;
  std::unique_ptr<SliderValueTips> sliderTips_;
  QString pendingFile_;
  std::vector<ScreenshotShot> shots_;
};

}  // namespace nr::gui
