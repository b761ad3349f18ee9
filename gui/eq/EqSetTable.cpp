#include "eq/EqSetTable.h"

#include <array>

#include "eq/BandWrites.h"
#include "link/EqLayout.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

constexpr std::array<TextPair, 7> kFirstNames{{
    {"话筒A均衡", "Mic A EQ"},
    {"话筒B均衡", "Mic B EQ"},
    {"回声A均衡", "Echo A EQ"},
    {"回声B均衡", "Echo B EQ"},
    {"混响A均衡", "Reverb A EQ"},
    {"混响B均衡", "Reverb B EQ"},
    {"音乐均衡", "Music EQ"},
}};

}  // namespace

QString EqSetTable::Name(int set, gui::Language language) {
  if (set >= 0 && set <= 6) return kFirstNames[static_cast<size_t>(set)].Get(language);
  if (IsChannelSet(set)) return TextPair{"通道%1均衡", "CH%1 EQ"}.Get(language).arg(set - kChannelFirst + 1);
  if (set == kRecordEqSet) return TextPair{"录音均衡", "Record EQ"}.Get(language);
  // The advanced sets share their English names with the channel sets.
  if (set >= 16 && set <= 23) return TextPair{"通道%1高级均衡", "CH%1 EQ"}.Get(language).arg(set - 15);
  return {};
}

int EqSetTable::Bands(int set) { return EqSetInfo(set).bands; }

int EqSetTable::Grabbable(int set) {
  if (IsChannelSet(set)) return kCompositeBand + 1;
  return Bands(set);
}

int EqSetTable::DefaultFrequency(int set, int band) { return ResetFrequency(set, band); }

}  // namespace nr::gui
