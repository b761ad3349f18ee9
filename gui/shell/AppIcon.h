#pragma once
// The application's icon for its windows: the installed theme's (the desktop entry's icon), or,
// where none is installed (a build tree, a theme without it, no SVG support in Qt), the same
// picture drawn here at the usual sizes.
#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QList>

namespace nr::gui {

inline constexpr const char* kApplicationId = "io.nrtune.nrtune";  // the desktop entry's name

QIcon ApplicationIcon();

// The picture itself at one size, square, drawn without a display.
QImage DrawnApplicationIcon(int size);

// A Windows icon file (.ico) holding the pictures (at most 256 pixels square), each stored as
// PNG, as Windows reads them since Vista. The Windows build draws nrtune.exe's icon with it.
QByteArray WindowsIconFile(const QList<QImage>& pictures);

}  // namespace nr::gui
