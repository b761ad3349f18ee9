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

void ApplyControlTips(QWidget* page, int language, std::span<const ControlTip> tips);

}  // namespace nr::gui
