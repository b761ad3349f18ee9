#include "venue/VenueWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "emu/Emulator.h"
#include "link/DeviceSession.h"
#include "link/PacketSink.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMainFrame.h"
#include "shell/NrTuneApp.h"
#include "shell/Platform.h"
#include "shell/RibbonIds.h"
#include "shell/ScreenPlacement.h"
#include "venue/CVenueDlg.h"

namespace nr::gui {
namespace {

// Rooms for the screenshot mode: three emulated processors on loopback addresses of their own,
// one of them holding another preset, and a room that is off; their venue file is a temporary
// one, never the user's.
class ScreenshotRooms {
 public:
  bool Prepare() {
    if (ready_) return true;
    if (!dir_.isValid()) return false;
    const std::filesystem::path dir = ToPath(dir_.path());
    venueFile_ = dir / "venue.json";
    Venue venue;
    const char* names[] = {"101", "102", "VIP 1"};
    for (int i = 0; i < 3; ++i) {
      emu::EmulatorOptions o;
      o.port = 0;
      o.bindAddress = "127.0.5." + std::to_string(i + 1);
      auto room = std::make_unique<emu::Emulator>(o);
      if (!room->Start()) return false;
      AddRoom(venue, {names[i], o.bindAddress + ":" + std::to_string(room->Port()), i == 2 ? "upstairs" : "", ""});
      rooms_.push_back(std::move(room));
    }
    AddRoom(venue, {"Bar", "127.0.5.9:" + std::to_string(rooms_[0]->Port()), "", ""});
    if (!SaveVenue(venueFile_, venue).empty()) return false;

    // VIP 1 holds another preset: a louder microphone.
    DeviceModel model;
    NullSink sink;
    DeviceSession session(model, sink);
    session.SetParam(1, 14, 77);
    const std::filesystem::path louder = dir / "louder.mode";
    if (!WriteModeFile(louder, model).ok()) return false;
    if (!PushToRooms({venue.rooms[2]}, louder, -1, VenueRun{})[0].ok()) return false;
    ready_ = true;
    return true;
  }
  const std::filesystem::path& VenueFile() const { return venueFile_; }
  QString BackupFolder() const { return dir_.filePath(QStringLiteral("Venue backups")); }

 private:
  QTemporaryDir dir_;
  std::vector<std::unique_ptr<emu::Emulator>> rooms_;
  std::filesystem::path venueFile_;
  bool ready_ = false;
};

// Keeps the event loop running until the window's operation has ended (at most 10 s).
void AwaitIdle(CVenueDlg& window) {
  QElapsedTimer t;
  t.start();
  while (window.Busy() && t.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

CVenueDlg* OpenVenue(NrTuneApp& app, const std::filesystem::path& venueFile) {
  AppContext& ctx = app.Context();
  auto* window = dynamic_cast<CVenueDlg*>(ctx.Dialog(kSlotVenue));
  if (!window) {
    window = new CVenueDlg(ctx, app.GetPrompts(), venueFile.empty() ? DefaultVenueFile() : venueFile,
                           [&app](const NetTarget& target) { return app.View().ConnectToRoom(target); }, &app.Frame());
    window->setAttribute(Qt::WA_DeleteOnClose);
    ctx.SetDialog(kSlotVenue, window);
    CentreOnScreen(*window, app.Frame().frameGeometry());
  }
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

void RegisterVenue(NrTuneApp& app, std::filesystem::path venueFile) {
  for (int command : {rid::kVenue, rid::kVenueMenu})
    app.View().SetToolCommand(command, [&app, venueFile] { OpenVenue(app, venueFile); });

  auto rooms = std::make_shared<ScreenshotRooms>();
  app.AddScreenshot({QStringLiteral("venue"), [rooms](NrTuneApp& a) -> QWidget* {
                       if (!rooms->Prepare()) return nullptr;
                       auto* window = new CVenueDlg(a.Context(), a.GetPrompts(), rooms->VenueFile(), {}, &a.Frame());
                       window->setAttribute(Qt::WA_DeleteOnClose);
                       window->SetBackupFolder(rooms->BackupFolder());
                       window->show();
                       // Every room asked, backed up, then checked against room 101's backup.
                       window->Refresh();
                       AwaitIdle(*window);
                       window->BackUpAll();
                       AwaitIdle(*window);
                       const Room& first = window->CurrentVenue().rooms.front();
                       const QString reference = QDir(rooms->BackupFolder()).filePath(
                           QString::fromStdString(first.lastBackup + "/" + first.name + ".mode"));
                       window->CheckAgainst(reference, window->ChosenRows());
                       AwaitIdle(*window);
                       return window;
                     }});
}

}  // namespace nr::gui
