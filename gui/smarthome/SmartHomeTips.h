#pragma once
// What the controls of the smart-plug windows do, by window (dialog number) and control.
#include <QWidget>
#include "shell/Language.h"

namespace nr::gui {

// Tips for the window of this dialog number (the page, its three tabs, the plug dialogs), in
// the given language. A tab's controls are its own: the page's tips never reach into them.
void ApplySmartHomeTips(QWidget* window, int dialogNumber, gui::Language language);

}  // namespace nr::gui
