#pragma once
// Where a new window or a pop-up goes: centred over the window it belongs to, then moved back
// within the usable area of that screen, so no edge, title bar or button ends up off the screen.
#include <QRect>

class QWidget;

namespace nr::gui {

// `frame` moved the least distance that puts it inside `area`; a frame larger than the area keeps
// its top-left corner on the area's, so the title bar and the top controls stay reachable.
QRect KeepWithin(QRect frame, const QRect& area);

// Centres `window` over `over` (global coordinates) and keeps it on the screen under that centre.
// A window not shown yet has no frame: a title bar and borders are allowed for.
void CentreOnScreen(QWidget& window, const QRect& over);

}  // namespace nr::gui
