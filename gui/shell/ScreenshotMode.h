#pragma once
// Renders the application's windows and pages in both languages into PNG files, for review and
// for the documentation: `nrtune --screenshots FOLDER`. Pages register further shots.
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <vector>

class QWidget;

namespace nr::gui {

class NrTuneApp;

// A named picture: called with the language already applied; returns the widget to grab. A
// widget other than the main window is closed after the grab (give it WA_DeleteOnClose).
struct ScreenshotShot {
  QString name;
  std::function<QWidget*(NrTuneApp& app)> prepare;
};

// The settings a screenshot run works on. Rendering both languages switches the language, which
// the application stores as the user's choice: the run gets a copy of the store (the user's, or
// the --settings file) in a folder of its own, and the store itself stays as it was.
class ScreenshotSettings {
 public:
  // The copy's path, to use as the run's settings file; empty when it could not be made.
  QString Prepare(const QString& settingsFile);

 private:
  QTemporaryDir folder_;
};

// Connects to the demo device, waits for the first synchronisation, then saves every shot in
// Chinese and English as FOLDER/<name>_zh.png and _en.png (<name>_dark_zh.png and _dark_en.png
// when `dark`: the windows as a dark desktop shows them). False when something failed.
bool CaptureScreenshots(NrTuneApp& app, const QString& folder, bool dark = false);

}  // namespace nr::gui
