#pragma once
// The key-learning window: shown (modal) while the device waits for one key of the user's remote.
// When the device reports the code it shows it, offers Close and closes itself a second later.
// Cancel or the close box before that stops the learning on the device.
#include <QDialog>
#include <QTimer>

class QLabel;
class QLineEdit;
class QPushButton;

namespace nr {
class DeviceSession;
}

namespace nr::gui {

class AppContext;

class CRemoteStudyDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 372;
  static constexpr int kCloseId = 1;
  static constexpr int kCancelId = 3;
  static constexpr int kPromptId = 1007;
  static constexpr int kNoteId = 1006;
  static constexpr int kCodeId = 1038;
  static constexpr int kLearningTextId = 1167;
  static constexpr int kAutoCloseMs = 1000;

  // function: 1..25; session: where the stop goes when the learning is abandoned.
  CRemoteStudyDlg(AppContext& ctx, DeviceSession& session, int function, QWidget* parent = nullptr);

  // The device reported the learned key.
  void ShowCode(int code);
  bool Learned() const { return learned_; }
  int Function() const { return function_; }

  QLineEdit* CodeBox() const { return code_; }
  QLabel* LearningText() const { return learningText_; }
  QLabel* Note() const { return note_; }
  QPushButton* CloseButton() const { return close_; }
  QPushButton* CancelButton() const { return cancel_; }
  QTimer& AutoCloseTimer() { return autoClose_; }

  // Before a code arrived: stops the learning (the device is told with 61).
  void reject() override;

 private:
  void Relabel();

  AppContext& ctx_;
  DeviceSession& session_;
  int function_;
  bool learned_ = false;
  QLabel* learningText_ = nullptr;
  QLabel* prompt_ = nullptr;
  QLineEdit* code_ = nullptr;
  QLabel* note_ = nullptr;
  QPushButton* close_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QTimer autoClose_;
};

}  // namespace nr::gui
