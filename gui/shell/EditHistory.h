#pragma once
// Undo and redo of what the user changes in pages, dialogs and the ribbon's live controls.
//
// One mechanism covers every control: a gesture (a press of a mouse button until every button
// is up again and any menu or question it opened has closed; a key; a turn of the wheel) is
// bracketed by two snapshots of the device state, and when they differ the gesture becomes one
// step. Undoing a step sends the old values of exactly the parts it changed, through the same
// writes the pages make, so the device follows. Keys typed into one control, and wheel turns
// over one control in quick succession, make one step together; one drag is always one step.
//
// The stack is cleared whenever the state comes from elsewhere: a read of the device, a mode
// the device loads, a preset file.
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUndoStack>
#include <optional>

#include "shell/EditSnapshot.h"

namespace nr {
class DeviceSession;
}

namespace nr::gui {

class EditHistory : public QObject {
  Q_OBJECT

 public:
  explicit EditHistory(DeviceSession& session, QObject* parent = nullptr);
  ~EditHistory() override;

  QUndoStack& Stack() { return stack_; }
  void Undo() { stack_.undo(); }
  void Redo() { stack_.redo(); }
  // Forgets every step; a gesture in progress starts again from the present state.
  void Clear();

  // Watches the application's input for gestures (the application installs it as an event filter).
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool GestureOpen() const { return gesture_.has_value(); }

  static constexpr int kUndoLimit = 200;
  static constexpr int kMergeWithinMs = 1500;  // keys or wheel turns on one control

 signals:
  // An undo or redo changed the state: every control shows it again.
  void restored();

 private:
  enum class Input { kMouse, kKey, kWheel };
  struct Gesture {
    Input input;
    QPointer<QObject> control;
    EditSnapshot before;
    int loopLevel;
  };
  class Step;

  EditSnapshot Take() const;
  void Begin(Input input, QObject* control);
  void TryEnd();
  void Commit();
  // Moves the device and the model from one snapshot to another (a step's undo or redo).
  void Restore(const EditSnapshot& from, const EditSnapshot& to);

  DeviceSession& session_;
  QUndoStack stack_;
  std::optional<Gesture> gesture_;
  QTimer endTimer_;
  const Step* mergeTarget_ = nullptr;  // the step the next keys or wheel turns may join
};

}  // namespace nr::gui
