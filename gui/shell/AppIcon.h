#pragma once
// The application's icon for its windows: the installed theme's (the desktop entry's icon), or,
// where none is installed (a build tree, a theme without it, no SVG support in Qt), the same
// picture drawn here at the usual sizes.
#include <QIcon>

namespace nr::gui {

inline constexpr const char* kApplicationId = "io.nrtune.nrtune";  // the desktop entry's name

QIcon ApplicationIcon();

}  // namespace nr::gui
