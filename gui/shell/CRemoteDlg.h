#pragma once
// The remote-control window: a drawing of a remote with one button per function (25), each of
// which starts learning that key; Apply sends the learned table to the device, Load and Save read
// and write .remo files. Status polling is paused while it is open. Destroyed when closed.
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <array>

#include "shell/Page.h"
#include "shell/RemoteTable.h"

namespace nr {
class DeviceSession;
}

class QLabel;

namespace nr::gui {

class AppContext;
class CRemoteStudyDlg;
class Prompts;

// A function button: its caption, and the learned code in its corner.
class RemoteKeyButton : public QPushButton {
  Q_OBJECT

 public:
  using QPushButton::QPushButton;
  void SetCode(int code);  // 0: not learned
  int Code() const { return code_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int code_ = 0;
};

class CRemoteDlg : public QDialog, public ToolDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 373;
  static constexpr int kApplyId = 1;
  static constexpr int kCloseId = 2;
  static constexpr int kLoadId = 3;
  static constexpr int kSaveId = 4;
  static constexpr int kFirstFunctionId = 1599;  // function n: 1598 + n

  // session: where the learning commands and the table go; prompts asks for files and warns.
  CRemoteDlg(AppContext& ctx, DeviceSession& session, Prompts& prompts, QWidget* parent = nullptr);
  ~CRemoteDlg() override;

  void RefreshFromImage() override;  // the learned codes on the buttons
  void Relabel() override;

  // The function button: 60 n and the key-learning window.
  void Learn(int function);
  // A learned key reported by the device, for the open key-learning window.
  void KeyLearned(int code);
  // The learned table to the device; without a link it says to connect first.
  void Apply();
  void LoadFile();
  void SaveFile();

  RemoteKeyButton* FunctionButton(int function) const { return keys_[static_cast<size_t>(function - 1)]; }
  CRemoteStudyDlg* LearningDialog() const { return study_; }

 private:
  QWidget* BuildRemote();
  QWidget* BuildCommands();

  AppContext& ctx_;
  DeviceSession& session_;
  Prompts& prompts_;
  bool wasPolling_;
  std::array<RemoteKeyButton*, kRemoteFunctionCount> keys_{};
  QLabel* howTo_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  QPointer<CRemoteStudyDlg> study_;
};

}  // namespace nr::gui
