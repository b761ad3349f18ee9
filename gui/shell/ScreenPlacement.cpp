#include "shell/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace nr::gui {
namespace {

// Title bar and borders of a window the window manager has not framed yet.
constexpr QMargins kUnframedAllowance{8, 32, 8, 8};

}  // namespace

QRect KeepWithin(QRect frame, const QRect& area) {
  frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() - frame.width() + 1)));
  frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() - frame.height() + 1)));
  return frame;
}

void CentreOnScreen(QWidget& window, const QRect& over) {
  const QRect inner = window.geometry();
  QRect frame = window.frameGeometry();
  const bool framed = frame != inner;
  if (!framed) frame = inner.marginsAdded(kUnframedAllowance);
  frame.moveCenter(over.center());
  QScreen* screen = QGuiApplication::screenAt(over.center());
  if (!screen) screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (screen) frame = KeepWithin(frame, screen->availableGeometry());
  window.move(frame.topLeft());  // a top-level window's position is its frame's corner
}

}  // namespace nr::gui
