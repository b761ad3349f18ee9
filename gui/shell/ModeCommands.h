#pragma once
// Presets from the user's side: loading, storing and restoring the device's four mode slots,
// loading a preset file into the device and saving the device's parameters to a file, editing a
// preset file without a device, and the offer to save changed parameters before they could be lost.
#include <QObject>
#include <QString>
#include <deque>
#include <functional>

#include "link/LinkEvents.h"

class QWidget;

namespace nr {
struct ModeFileResult;
}

namespace nr::gui {

class AppContext;
class Prompts;
class SyncDialogOwner;

class ModeCommands : public QObject {
  Q_OBJECT

 public:
  ModeCommands(AppContext& ctx, Prompts& prompts, SyncDialogOwner& sync, QWidget* window);

  void LoadDeviceMode(int mode);     // 0..3
  void SaveDeviceMode(int mode);
  void FactoryMode(int mode);
  void LoadFile();                   // asks for the file
  // Into the preset file being edited when one is open; otherwise asks for the file.
  void SaveFile();
  void SaveFileAs();                 // asks for the file
  // Opens a preset file for editing without a device: the file is checked first, then
  // `beforeLoad` runs (it closes the link) and the file becomes the screen's preset. False when
  // the file was refused (the user has been told why).
  bool OpenOffline(const QString& path, const std::function<void()>& beforeLoad = {});
  // The screen's values to a file, without touching the device; false when nothing was saved.
  bool SaveScreenToFile();
  // The screen's values, EQ edits included, written whole to the device.
  void SendScreenToDevice();
  // A file given on the command line or chosen from the recent list. Returns true when the file
  // counts as opened (it exists and is a mode file), whether or not a device took it.
  bool OpenFile(const QString& path);
  // Asked before the window closes or the screen gets another preset; false: keep things as they are.
  bool OfferToSaveChanges();

  // A mode command has run its course on the link's side (LinkEvents::ModeCommandFinished).
  void OnModeCommandFinished(const ModeCommandResult& result);

  // The slot a file name stands for: "m1".."m4" at the start of the name (case ignored), else -1.
  static int SlotFromFileName(const QString& path);

 signals:
  void recentFilesChanged();
  // A preset file became the screen's preset without a device.
  void offlinePresetOpened();

 private:
  bool RequireConnection();
  // Makes the device switch or restore a slot; its answer starts the read-all.
  void SwitchSlot(int mode, ModeCommand command);
  // Reads the file into the model; on success starts the write-all with its dialog.
  bool LoadIntoDevice(const QString& path, QWidget* messageParent);
  void StoreIntoCurrentSlot();
  bool WriteFile(const QString& path);
  void WarnNotWritten(const ModeFileResult& result, const QString& path);
  // The preset file being edited, saved into `path` (its own path when empty); says what failed.
  bool SaveDocument(const QString& path = QString());
  // Why a file was refused, in the words every refusal uses.
  void ShowRefusal(const ModeFileResult& result, QWidget* parent);
  // The screen gets another preset: the steps to undo and the file being edited no longer apply.
  void ScreenReplaced();
  // Asks where to save a preset; empty when the user cancels.
  QString AskSavePath(const QString& defaultName);
  void ConfirmSaved(const QString& path);

  AppContext& ctx_;
  Prompts& prompts_;
  SyncDialogOwner& sync_;
  QWidget* window_;
  // Stores asked for and not yet finished, in order: true where the user gets the "Saving Mode" tip.
  std::deque<bool> storeTips_;
};

}  // namespace nr::gui
