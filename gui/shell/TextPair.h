#pragma once
// A text built in code exists in Chinese and English; the user's language picks one at display.
#include <QString>

#include "shell/Language.h"

namespace nr::gui {

struct TextPair {
  const char* zh;
  const char* en;
  QString Get(gui::Language language) const { return QString::fromUtf8(language == Language::English ? en : zh); }
};

}  // namespace nr::gui
