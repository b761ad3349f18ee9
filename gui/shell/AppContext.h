#pragma once
// What every window of the application shares, passed to each instead of living in globals: the
// device connection, the settings, the user's language and its table, the open tool dialogs.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "eq/EqSetCopy.h"
#include "session/Connection.h"
#include "link/NetAddress.h"
#include "shell/AppSettings.h"
#include "shell/Language.h"
#include "shell/LanguageTable.h"
#include "shell/PresetDocument.h"
#include "shell/QtTranslations.h"
#include "shell/TextPair.h"

class QTemporaryDir;
class QTemporaryFile;

namespace nr::gui {

class EditHistory;
class Prompts;

// Slots of the modeless tool dialogs.
enum DialogSlot {
  kSlotMachineSettings = 6,
  kSlotKeyLearning = 9,
  kSlotRemoteControl = 10,
  kSlotAutoSubwoofer = 11,
  kSlotInputSource = 12,
  kSlotInputSourceSettings = 13,
  kSlotAdvancedEq = 14,
  kSlotSmartPlug = 16,
  kSlotFeatures = 17,
  kSlotNetConnect = 18,
  kSlotVenue = 19,
};

class AppContext : public QObject {
  Q_OBJECT

 public:
  AppContext(Connection& connection, AppSettings& settings, QObject* parent = nullptr);
  ~AppContext() override;

  Connection& Conn() { return connection_; }
  DeviceModel& Model() { return connection_.Model(); }
  Link& GetLink() { return connection_.GetLink(); }
  DeviceSession& Session() { return connection_.Session(); }
  AppSettings& Settings() { return settings_; }
  // Undo and redo of the user's edits.
  EditHistory& History() { return *history_; }
  // The preset file being edited, when one was opened offline.
  PresetDocument& Document() { return document_; }
  bool Connected() { return connection_.GetLink().IsConnected(); }

  gui::Language Language() const { return language_; }
  QString T(const TextPair& pair) const { return pair.Get(language_); }
  const LanguageTable& Table() const { return table_; }
  QString LanguageFile() const;

  // Switches the language, stores it and re-labels everything (languageChanged).
  void SetLanguage(gui::Language language);
  void ToggleLanguage() { SetLanguage(OtherLanguage(language_)); }
  // Loads the table of the current language through a fresh temporary file (the previous one is
  // removed). False when the table could not be loaded; the old texts then stay.
  bool LoadLanguageTable();

  // Open tool dialogs by slot; a slot empties itself when its dialog is destroyed.
  QWidget* Dialog(int slot) const;
  void SetDialog(int slot, QWidget* dialog);
  std::vector<QWidget*> OpenDialogs() const;

  bool PeakPolling() const { return peakPolling_; }
  void SetPeakPolling(bool on) { peakPolling_ = on; }

  // The microphone/music page's sub-page (0 mic A, 1 mic B, 2 music): it outlives the page, so
  // the page reopens where the user left it.
  int MusicSubPage() const { return musicSubPage_; }
  void SetMusicSubPage(int subPage) { musicSubPage_ = subPage; }

  // Set when the device reported that it serves another PC; the connection dialog clears it.
  bool HostBusyMark() const { return hostBusy_; }
  void SetHostBusyMark(bool busy) { hostBusy_ = busy; }

  // The built-in demo device: started on first use by whoever assembled the application; its
  // address, or nothing when it cannot run. DemoTarget tells it apart from a real device.
  void SetDemoStarter(std::function<std::optional<NetTarget>()> starter) { demoStarter_ = std::move(starter); }
  std::optional<NetTarget> StartDemoDevice();
  std::optional<NetTarget> DemoTarget() const { return demoTarget_; }
  // The output channel shown last (0..7): it outlives the output pages, so the Output category
  // reopens on it.
  int OutputChannel() const { return outputChannel_; }
  void SetOutputChannel(int channel) { outputChannel_ = channel >= 0 && channel < 8 ? channel : 0; }

  // The EQ set last copied from any page's panel, by value.
  CopiedEqSet& CopiedSet() { return copiedEqSet_; }

  // Where pages put their questions: the application's prompts, or Qt's message boxes when none
  // were given (tests give scripted ones).
  Prompts& UserPrompts();
  void SetPrompts(Prompts* prompts) { prompts_ = prompts; }

  // A folder of this process's own (readable by the user only, removed when the application
  // ends), for files handed to other programs such as the browser; made on first use. Empty
  // when no folder could be made.
  QString PrivateFolder();

 signals:
  void languageChanged();

 private:
  Connection& connection_;
  AppSettings& settings_;
  gui::Language language_ = gui::Language::Chinese;
  LanguageTable table_;
  QtTranslations qtTranslations_;
  std::unique_ptr<QTemporaryFile> languageFile_;
  std::unique_ptr<QTemporaryDir> privateFolder_;
  std::map<int, QPointer<QWidget>> dialogs_;
  bool peakPolling_ = true;
  bool hostBusy_ = false;
  std::function<std::optional<NetTarget>()> demoStarter_;
  std::optional<NetTarget> demoTarget_;
  int musicSubPage_ = 0;
  int outputChannel_ = 0;
  CopiedEqSet copiedEqSet_;
  Prompts* prompts_ = nullptr;
  std::unique_ptr<Prompts> ownPrompts_;
  std::unique_ptr<EditHistory> history_;
  PresetDocument document_;
};

}  // namespace nr::gui
