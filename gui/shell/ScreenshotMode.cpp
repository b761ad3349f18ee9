#include "shell/ScreenshotMode.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <cstdio>

#include "shell/AppContext.h"
#include "shell/AppSettings.h"
#include "shell/CAboutDlg.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMainFrame.h"
#include "shell/CNetConnectDlg.h"
#include "shell/CSyncDlg.h"
#include "shell/NrTuneApp.h"
#include "shell/RibbonBar.h"

namespace nr::gui {
namespace {

void Settle(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(QWidget* widget, const QString& path) {
  if (widget->isWindow() && !widget->isMaximized() && widget->size().isEmpty()) widget->adjustSize();
  Settle(50);
  const bool ok = widget->grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toLocal8Bit().constData());
  return ok;
}

std::vector<ScreenshotShot> ShellShots() {
  return {
      {"main_input",
       [](NrTuneApp& app) -> QWidget* {
         app.View().SwitchCategory(0);
         return &app.Frame();
       }},
      {"main_output",
       [](NrTuneApp& app) -> QWidget* {
         app.View().SwitchCategory(1);
         return &app.Frame();
       }},
      {"about",
       [](NrTuneApp& app) -> QWidget* {
         auto* box = new CAboutDlg(app.Context(), &app.Frame());
         box->setAttribute(Qt::WA_DeleteOnClose);
         box->show();
         return box;
       }},
      {"connect_dialog",
       [](NrTuneApp& app) -> QWidget* {
         auto* dialog = new CNetConnectDlg(app.Context(), &app.Frame());
         dialog->setAttribute(Qt::WA_DeleteOnClose);
         dialog->LoadTarget();
         dialog->show();
         return dialog;
       }},
  };
}

}  // namespace

QString ScreenshotSettings::Prepare(const QString& settingsFile) {
  if (!folder_.isValid()) return QString();
  const QString copy = folder_.filePath(QStringLiteral("settings.ini"));
  const AppSettings store = settingsFile.isEmpty() ? AppSettings() : AppSettings(settingsFile);
  return store.CopyTo(copy) ? copy : QString();
}

bool CaptureScreenshots(NrTuneApp& app, const QString& folder, bool dark) {
  if (!QDir().mkpath(folder)) return false;
  app.Frame().resize(1280, 800);
  app.Show();
  QElapsedTimer wait;
  wait.start();
  while (wait.elapsed() < 10000 && (!app.Context().Connected() || app.View().Sync().IsShown() ||
                                    app.Conn().Sync().Busy()))
    Settle(50);
  Settle(300);
  std::vector<ScreenshotShot> shots = ShellShots();
  for (const ScreenshotShot& shot : app.Screenshots()) shots.push_back(shot);
  bool ok = true;
  for (gui::Language language : kLanguages) {
    if (app.Context().Language() != language) app.Context().SetLanguage(language);
    for (const ScreenshotShot& shot : shots) {
      QWidget* widget = shot.prepare(app);
      if (!widget) continue;
      Settle(200);
      const QString suffix = QString(dark ? "_dark_" : "_") + LanguageCode(language) + ".png";
      ok &= Save(widget, QDir(folder).filePath(shot.name + suffix));
      if (widget != &app.Frame()) widget->close();
    }
  }
  app.View().SwitchCategory(0);
  return ok;
}

}  // namespace nr::gui
