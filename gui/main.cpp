// nrtune: the tuning application. `nrtune --demo` runs it against an emulated device.
#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <memory>

#include "inputs/InputPages.h"
#include "outputs/OutputPages.h"
#include "shell/AppPalette.h"
#include "shell/AppSettings.h"
#include "shell/CMainFrame.h"
#include "shell/NrTuneApp.h"
#include "shell/Platform.h"
#include "shell/ScreenshotMode.h"
#include "shell/SingleInstance.h"
#include "shell/ToolDialogs.h"
#include "smarthome/SmartHomePages.h"
#include "venue/VenueWindow.h"
#include "nr_version.h"

namespace {

void DescribeOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription("Tuning and control of karaoke and home-theatre DSP processors.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption({"demo", "Connect to an emulated device started inside the program."});
  parser.addOption({"offline", "Edit the preset file without a device: nothing connects at start; Save writes the file."});
  parser.addOption({"trace", "Print the link traces on standard error."});
  parser.addOption({"settings", "Use this settings file instead of the user's settings.", "file"});
  parser.addOption({"screenshots", "Render the windows in both languages into this folder and exit.", "folder"});
  parser.addOption({"dark", "With --screenshots: render the windows as a dark desktop theme shows them (files named *_dark_*)."});
  parser.addPositionalArgument("file", "A preset (.mode) file to load into the device (or, with --offline, to edit).",
                               "[file]");
}

// --help and --version answer on a terminal without any display.
bool OnlyAsksForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    for (const char* word : {"--help", "-h", "-?", "--help-all", "--version", "-v"})
      if (std::strcmp(argv[i], word) == 0) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<QCoreApplication> app;
  if (OnlyAsksForText(argc, argv))
    app = std::make_unique<QCoreApplication>(argc, argv);
  else
    app = std::make_unique<QApplication>(argc, argv);
  QCoreApplication::setApplicationName("nrtune");
  QCoreApplication::setApplicationVersion(nr::kProgramVersion);
  QCoreApplication::setOrganizationName(nr::gui::AppSettings::kSettingsKey);

  QCommandLineParser parser;
  DescribeOptions(parser);
  parser.process(*app);

  nr::gui::AppOptions options;
  options.demo = parser.isSet("demo") || parser.isSet("screenshots");
  options.trace = parser.isSet("trace");
  options.offline = parser.isSet("offline") && !parser.isSet("screenshots");
  options.settingsFile = parser.value("settings");
  if (!parser.positionalArguments().isEmpty()) options.openFile = parser.positionalArguments().first();

  const bool screenshots = parser.isSet("screenshots");
  nr::gui::ScreenshotSettings screenshotSettings;
  if (screenshots) {
    options.settingsFile = screenshotSettings.Prepare(options.settingsFile);
    if (options.settingsFile.isEmpty()) {
      std::fprintf(stderr, "nrtune: cannot copy the settings for the screenshots\n");
      return 1;
    }
  }
  nr::gui::SingleInstance instance(nr::gui::AppSettings::kSettingsKey, options.settingsFile);
  if (!screenshots) {
    const nr::gui::InstanceStart start = instance.Acquire(options.openFile, options.offline);
    if (start != nr::gui::InstanceStart::kFirst) {
      std::fprintf(stderr, "nrtune: %s\n", nr::gui::SecondStartMessage(start).toLocal8Bit().constData());
      return start == nr::gui::InstanceStart::kOtherSilent ? 1 : 0;
    }
  }

  nr::gui::PrepareFonts(static_cast<QApplication&>(*app));
  // A dark desktop's palette, as the platform would hand it over, before any window is made.
  const bool dark = screenshots && parser.isSet("dark");
  if (dark) QApplication::setPalette(nr::gui::DarkDesktopPalette());
  nr::gui::NrTuneApp nrtune(options);
  QString error;
  if (!nrtune.Start(&error)) {
    std::fprintf(stderr, "nrtune: %s\n", error.toLocal8Bit().constData());
    return 1;
  }
  nr::gui::RegisterInputPages(nrtune);
  nr::gui::RegisterOutputPages(nrtune);
  nr::gui::RegisterToolDialogs(nrtune);
  nr::gui::RegisterSmartHome(nrtune);
  nr::gui::RegisterVenue(nrtune);
  if (screenshots) return nr::gui::CaptureScreenshots(nrtune, parser.value("screenshots"), dark) ? 0 : 1;

  const auto raise = [&] {
    nr::gui::CMainFrame& frame = nrtune.Frame();
    frame.setWindowState(frame.windowState() & ~Qt::WindowMinimized);
    frame.show();
    frame.raise();
    frame.activateWindow();
  };
  QObject::connect(&instance, &nr::gui::SingleInstance::raiseRequested, &nrtune.Frame(), raise);
  QObject::connect(&instance, &nr::gui::SingleInstance::openRequested, &nrtune.Frame(),
                   [&](const QString& path, bool offline) {
                     raise();
                     nrtune.OpenHandedFile(path, offline);
                   });
  nrtune.Show();
  return QCoreApplication::exec();
}
