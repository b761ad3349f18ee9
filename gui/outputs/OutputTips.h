#pragma once
// What the controls of the Output category's pages do, by page (dialog number) and control.
#include <QWidget>
#include "shell/Language.h"

namespace nr::gui {

// Tips for the page of this dialog number (the channel, compressor, delay, sound-field and
// record pages, and their shared header row), in the given language.
void ApplyOutputPageTips(QWidget* page, int dialogNumber, gui::Language language);
void ApplyOutputHeaderTips(QWidget* header, gui::Language language);

}  // namespace nr::gui
