#pragma once
// The Venue window: every room of a karaoke venue in one table (name, address, online, module,
// firmware, mode, last backup, check result, and what the running operation does in each room),
// and what is done to all of them at once: scan the network, refresh their status, back them all
// up, push a preset, check them against a preset. Rooms are added, removed and renamed here; Open
// connects the main window to a room.
//
// The operations are core/venue's, run on a worker thread of this window: the window never waits.
// Each room's progress and result come back queued and show in its row, coloured and in words;
// Cancel stops the rooms under way and begins no other. Closing the window while an operation
// runs stops it; the window goes once the operation has ended.
#include <QDialog>
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "link/NetAddress.h"
#include "shell/Page.h"
#include "venue/VenueOps.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace nr::gui {

class AppContext;
class Prompts;

class CVenueDlg : public QDialog, public ToolDialog {
  Q_OBJECT

 public:
  enum Column { kName, kAddress, kOnline, kModule, kFirmware, kMode, kLastBackup, kCheck, kProgress, kColumnCount };
  enum Action { kScan, kRefresh, kBackUp, kPush, kCheckAgainst, kAdd, kRemove, kRename, kOpen, kCancel, kOtherVenue,
                kChooseFolder, kActionCount };
  enum class Operation { kNone, kScan, kStatus, kBackup, kPush, kCheck };

  // openRoom connects the main window to a room (asking first about unsaved edits); false when
  // it did not start.
  CVenueDlg(AppContext& ctx, Prompts& prompts, std::filesystem::path venueFile,
            std::function<bool(const NetTarget&)> openRoom, QWidget* parent = nullptr);
  ~CVenueDlg() override;

  void RefreshFromImage() override;  // the venue file read again
  void Relabel() override;

  // What the buttons do; tests call them too. Each operation returns false when it cannot start
  // (one runs already, no rooms, a file refused: the status line says why).
  bool Scan(const QString& subnet);
  bool Refresh();
  bool BackUpAll();
  bool PushPreset(const QString& file, int slot, const std::vector<int>& rows);  // slot 0..3, -1: none
  bool CheckAgainst(const QString& file, const std::vector<int>& rows);
  void Cancel();
  bool OpenRoom(int row);
  bool OpenVenueFile(const std::filesystem::path& path);
  // The edits, written to the venue file at once; why not, or "".
  std::string AddRoom(const Room& room);
  std::string RemoveRoom(int row);
  std::string EditRoom(int row, const Room& room);

  bool Busy() const { return worker_.joinable(); }
  Operation Running() const { return running_; }
  const std::filesystem::path& VenueFile() const { return venueFile_; }
  const Venue& CurrentVenue() const { return venue_; }
  QString BackupFolder() const { return backupFolder_; }
  void SetBackupFolder(const QString& folder);
  // The rows chosen in the table; all rows when none is.
  std::vector<int> ChosenRows() const;

  QTableWidget* Table() const { return table_; }
  QPushButton* Button(Action action) const { return buttons_[action]; }
  QLabel* StatusLine() const { return status_; }
  QComboBox* SubnetBox() const { return subnet_; }

 signals:
  void operationFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct RowState {
    Room room;
    std::optional<RoomResult> status;  // the last status query
    std::optional<RoomResult> check;   // the last check
    std::optional<RoomResult> last;    // the last operation's result here
    Operation lastOperation = Operation::kNone;
    int lastSlot = -1;
    std::optional<RoomProgress> progress;  // while an operation runs here
  };
  using Finish = std::function<void()>;
  using Body = std::function<Finish(const VenueRun& run, const std::vector<Room>& rooms)>;

  void Build();
  void LoadVenue();
  void ShowRows();
  void ShowRow(int row);
  void FitColumns();  // every column but the last to its contents
  void UpdateButtons();
  bool Start(Operation operation, const std::vector<int>& rows, Body body);
  void OnProgress(const RoomProgress& progress);
  void OnRoomFinished(const RoomResult& result);
  void OnFinished(const Finish& finish);
  void SetStatus(std::function<QString()> text, bool problem = false);
  bool EditVenue(const std::function<std::string(Venue&)>& edit, std::string& problem);
  void AskPush();
  void AskCheck();
  void AskRoom(int row);  // -1: a new room
  QString T(const char* zh, const char* en) const;

  AppContext& ctx_;
  Prompts& prompts_;
  std::filesystem::path venueFile_;
  std::function<bool(const NetTarget&)> openRoom_;
  Venue venue_;
  std::vector<RowState> rows_;
  QString backupFolder_;

  QLabel* fileLabel_ = nullptr;
  QLabel* folderLabel_ = nullptr;
  QLabel* folderCaption_ = nullptr;
  QLabel* subnetCaption_ = nullptr;
  QTableWidget* table_ = nullptr;
  QComboBox* subnet_ = nullptr;
  QLabel* status_ = nullptr;
  std::function<QString()> statusText_;
  bool statusProblem_ = false;
  QPushButton* buttons_[kActionCount] = {};

  Operation running_ = Operation::kNone;
  std::vector<int> runRows_;  // the table row of each room of the running operation
  int runSlot_ = -1;
  std::atomic<bool> cancel_{false};
  bool closeWhenIdle_ = false;
  std::thread worker_;  // joined when its operation has reported its end, or on destruction
};

}  // namespace nr::gui
