#pragma once
// Tips that say what a page's controls do. A page lists them by control identifier; a slider,
// box or check box without an identifier of its own takes the tip of the caption that names it
// (the label at the start of its grid row, or at the head of its grid column). A nested page
// (with a dialog number of its own) tips its own controls.
#include <QWidget>
#include <span>

#include "shell/TextPair.h"

namespace nr::gui {

struct ControlTip {
  int id;
  TextPair tip;
};

void ApplyControlTips(QWidget* page, gui::Language language, std::span<const ControlTip> tips);

// Gives every control under `root` that has no text of its own (sliders, boxes, lists, icon
// buttons) a name for screen readers: its caption's text, else the head of its tip. Names a
// window set itself stay; names given here follow a language change when called again.
// ApplyControlTips does this for a page's own controls.
void NameControlsForScreenReaders(QWidget* root);

}  // namespace nr::gui
