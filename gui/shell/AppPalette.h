#pragma once
// The application's colours. Its pages and dialogs have fixed pale backgrounds, so it brings its
// own light palette instead of taking the desktop's: under a dark desktop theme the desktop's
// white text would land on those pale backgrounds and could not be read.
#include <QPalette>

namespace nr::gui {

// The light palette every window is drawn with.
QPalette ProductPalette();

// What a dark desktop theme hands an application (light text on dark grey); the screenshot mode's
// --dark applies it before the windows are made, to show how they look on such a desktop.
QPalette DarkDesktopPalette();

// Makes ProductPalette the application's palette; call before the windows are made.
void UseProductPalette();

}  // namespace nr::gui
