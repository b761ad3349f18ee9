#pragma once
// What the controls of the Output category's pages do, by page (dialog number) and control.
#include <QWidget>

namespace nr::gui {

// Tips for the page of this dialog number (the channel, compressor, delay, sound-field and
// record pages, and their shared header row), in the given language.
void ApplyOutputPageTips(QWidget* page, int dialogNumber, int language);
void ApplyOutputHeaderTips(QWidget* header, int language);

}  // namespace nr::gui
