#pragma once
// A text built in code exists in Chinese and English; the user's language picks one at display.
#include <QString>

namespace nr::gui {

struct TextPair {
  const char* zh;
  const char* en;
  QString Get(int language) const { return QString::fromUtf8(language == 1 ? en : zh); }
};

}  // namespace nr::gui
