#include "shell/KeyShortcuts.h"

#include <QKeyEvent>

namespace nr::gui {

bool KeyShortcuts::Run(const std::function<void()>& open, bool& busy) {
  if (busy) return true;  // its dialog is still being opened
  busy = true;
  if (open) open();
  busy = false;
  return true;
}

bool KeyShortcuts::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyRelease && event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_F6 && key->key() != Qt::Key_F7) return QObject::eventFilter(watched, event);
  if (syncShowing && syncShowing()) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress || key->isAutoRepeat()) return true;  // act on the release only
  if (key->key() == Qt::Key_F7) return Run(openMachineSettings, f7Busy_);
  if (!connected || !connected()) return true;  // F6 without a device: dropped
  return Run(openAdvancedEq, f6Busy_);
}

}  // namespace nr::gui
