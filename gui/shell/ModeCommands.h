#pragma once
// Presets from the user's side: loading, storing and restoring the device's four mode slots,
// loading a preset file into the device and saving the device's parameters to a file, and the
// offer to save changed parameters when the window closes.
#include <QObject>
#include <QString>

class QWidget;

namespace nr {
class Payload;
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
  void SaveFile();                   // asks for the file
  // The screen's values to a file, without touching the device; false when nothing was saved.
  bool SaveScreenToFile();
  // The screen's values, EQ edits included, written whole to the device.
  void SendScreenToDevice();
  // A file given on the command line or chosen from the recent list. Returns true when the file
  // counts as opened (it exists and is a mode file), whether or not a device took it.
  bool OpenFile(const QString& path);
  // Asked before the window closes; false keeps it open.
  bool OfferSaveOnClose();

  // The slot a file name stands for: "m1".."m4" at the start of the name (case ignored), else -1.
  static int SlotFromFileName(const QString& path);

 signals:
  void recentFilesChanged();

 private:
  bool RequireConnection();
  // Makes the device switch or restore a slot; its answer starts the read-all.
  void SwitchSlot(int mode, const Payload& command);
  // Reads the file into the model; on success starts the write-all with its dialog.
  bool LoadIntoDevice(const QString& path, QWidget* messageParent);
  void StoreIntoCurrentSlot();
  bool WriteFile(const QString& path);
  // Asks where to save a preset; empty when the user cancels.
  QString AskSavePath(const QString& defaultName);
  void ConfirmSaved(const QString& path);

  AppContext& ctx_;
  Prompts& prompts_;
  SyncDialogOwner& sync_;
  QWidget* window_;
};

}  // namespace nr::gui
