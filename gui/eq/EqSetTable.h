#pragma once
// What the EQ pages know about each of the device's 24 equaliser sets beyond their image layout:
// the name shown on the panel, how many bands the mouse can grab and the frequencies a freshly
// laid-out set starts from. How many band records a copy moves is core's (eq/EqSetCopy).
#include <QString>
#include "shell/Language.h"

namespace nr::gui {

class EqSetTable {
 public:
  static constexpr int kChannelFirst = 7;
  static constexpr int kChannelLast = 14;
  static constexpr int kCompositeBand = 9;  // the crossover band of a channel set
  static constexpr int kPartnerCount = 3;   // its partner sections follow it (10, 11, 12)

  // Name in the language (0 Chinese, 1 English); "" for a number outside 0..23.
  static QString Name(int set, gui::Language language);
  // Bands the panel lays out (13 for a number outside 0..23).
  static int Bands(int set);
  // Bands the mouse can hit: the channel sets hide their partner sections.
  static int Grabbable(int set);
  // Starting frequency of a band when a set is laid out: the frequencies a reset flattens to.
  static int DefaultFrequency(int set, int band);
  static bool IsChannelSet(int set) { return set >= kChannelFirst && set <= kChannelLast; }
};

}  // namespace nr::gui
