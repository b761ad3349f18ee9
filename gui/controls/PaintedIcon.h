#pragma once
// An icon painted by a function at whatever size Qt asks for, so vector pictures stay crisp at
// every scale; disabled icons are painted faded.
#include <QIcon>
#include <functional>

class QPainter;

namespace nr::gui {

using IconPainter = std::function<void(QPainter& painter, const QRect& rect)>;

QIcon PaintedIcon(IconPainter paint);

}  // namespace nr::gui
