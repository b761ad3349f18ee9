#include "shell/EditHistory.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QThread>

#include "link/DeviceSession.h"

namespace nr::gui {
namespace {

bool IsUndoKey(const QKeyEvent* key) {
  const QKeyCombination combination = key->keyCombination();
  return combination == QKeyCombination(Qt::CTRL, Qt::Key_Z) || combination == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z) ||
         combination == QKeyCombination(Qt::CTRL, Qt::Key_Y);
}

// Spin boxes (and the line edits inside them) send their value to the device as it is typed or
// stepped; text fields keep their own undo.
bool TakesUndoKeys(QObject* watched) {
  return qobject_cast<QAbstractSpinBox*>(watched) || qobject_cast<QAbstractSpinBox*>(watched->parent());
}

}  // namespace

// One user gesture (or a run of keys or wheel turns on one control): the state before and after.
class EditHistory::Step : public QUndoCommand {
 public:
  Step(EditHistory& history, Input input, QObject* control, EditSnapshot before, EditSnapshot after)
      : history_(history),
        input_(input),
        control_(control),
        before_(std::move(before)),
        after_(std::move(after)),
        endedMs_(QDateTime::currentMSecsSinceEpoch()) {}

  int id() const override { return input_ == Input::kMouse ? -1 : 1; }
  void undo() override { history_.Restore(after_, before_); }
  void redo() override {
    if (std::exchange(pushed_, true)) history_.Restore(before_, after_);  // the first time it is already done
  }
  bool mergeWith(const QUndoCommand* other) override {
    const auto* next = static_cast<const Step*>(other);
    const bool joins = history_.mergeTarget_ == this && next->input_ == input_ && next->control_ == control_ &&
                       control_ && next->endedMs_ - endedMs_ <= kMergeWithinMs;
    if (!joins) return false;
    after_ = next->after_;
    endedMs_ = next->endedMs_;
    setObsolete(SameEdits(before_, after_));  // typed back to where it was: no step at all
    return true;
  }

 private:
  EditHistory& history_;
  Input input_;
  QPointer<QObject> control_;
  EditSnapshot before_;
  EditSnapshot after_;
  qint64 endedMs_;
  bool pushed_ = false;
};

EditHistory::EditHistory(DeviceSession& session, QObject* parent) : QObject(parent), session_(session) {
  stack_.setUndoLimit(kUndoLimit);
  endTimer_.setSingleShot(true);
  connect(&endTimer_, &QTimer::timeout, this, &EditHistory::TryEnd);
}

EditHistory::~EditHistory() {
  mergeTarget_ = nullptr;
  stack_.clear();
}

EditSnapshot EditHistory::Take() const {
  return session_.Model().Read([](const DeviceState& s) { return TakeEditSnapshot(s); });
}

void EditHistory::Clear() {
  mergeTarget_ = nullptr;
  stack_.clear();
  if (gesture_) gesture_->before = Take();
}

bool EditHistory::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      Begin(Input::kMouse, watched);
      break;
    case QEvent::KeyPress: {
      QObject* focus = QApplication::focusWidget();
      Begin(Input::kKey, focus ? focus : watched);
      break;
    }
    case QEvent::ShortcutOverride:
      // A number box would take Ctrl+Z for its text; the value it sent is what the user undoes.
      return TakesUndoKeys(watched) && IsUndoKey(static_cast<QKeyEvent*>(event));
    case QEvent::Wheel:
      Begin(Input::kWheel, watched);
      endTimer_.start(0);
      break;
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
      endTimer_.start(0);
      break;
    default:
      break;
  }
  return false;
}

void EditHistory::Begin(Input input, QObject* control) {
  if (gesture_) return;  // events travel up through the parents; the gesture has begun already
  gesture_ = Gesture{input, control, Take(), QThread::currentThread()->loopLevel()};
}

void EditHistory::TryEnd() {
  if (!gesture_) return;
  // A button still held, or a menu or question the gesture opened still up: it goes on.
  if (QGuiApplication::mouseButtons() != Qt::NoButton || QThread::currentThread()->loopLevel() > gesture_->loopLevel) {
    endTimer_.start(100);
    return;
  }
  Commit();
}

void EditHistory::Commit() {
  Gesture gesture = std::move(*gesture_);
  gesture_.reset();
  EditSnapshot after = Take();
  if (SameEdits(gesture.before, after)) return;
  auto* step = new Step(*this, gesture.input, gesture.control, std::move(gesture.before), std::move(after));
  const int before = stack_.index();
  const QUndoCommand* top = before > 0 ? stack_.command(before - 1) : nullptr;
  stack_.push(step);  // may join the step on top, or vanish with it when they cancel out
  const int now = stack_.index();
  if (now > before || (now == before && stack_.command(now - 1) != top))
    mergeTarget_ = static_cast<const Step*>(stack_.command(now - 1));
  else if (now < before)
    mergeTarget_ = nullptr;  // joined and cancelled out
}

void EditHistory::Restore(const EditSnapshot& from, const EditSnapshot& to) {
  mergeTarget_ = nullptr;
  RestoreEdits(session_, from, to);
  // An undo asked for by a key or a click is no edit of that gesture's.
  if (gesture_) gesture_->before = Take();
  emit restored();
}

}  // namespace nr::gui
