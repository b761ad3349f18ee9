#include "eq/EqSetTable.h"

#include <array>

#include "eq/BandWrites.h"
#include "link/EqLayout.h"

namespace nr::gui {
namespace {

struct SetNames {
  const char* zh;
  const char* en;
};

constexpr std::array<SetNames, 7> kFirstNames{{
    {"话筒A均衡", "Mic A EQ"},
    {"话筒B均衡", "Mic B EQ"},
    {"回声A均衡", "Echo A EQ"},
    {"回声B均衡", "Echo B EQ"},
    {"混响A均衡", "Reverb A EQ"},
    {"混响B均衡", "Reverb B EQ"},
    {"音乐均衡", "Music EQ"},
}};

}  // namespace

QString EqSetTable::Name(int set, int language) {
  const bool english = language == 1;
  if (set >= 0 && set <= 6) {
    const SetNames& n = kFirstNames[static_cast<size_t>(set)];
    return QString::fromUtf8(english ? n.en : n.zh);
  }
  if (IsChannelSet(set)) {
    const int channel = set - kChannelFirst + 1;
    return english ? QStringLiteral("CH%1 EQ").arg(channel) : QStringLiteral("通道%1均衡").arg(channel);
  }
  if (set == kRecordEqSet) return english ? QStringLiteral("Record EQ") : QStringLiteral("录音均衡");
  if (set >= 16 && set <= 23) {
    const int channel = set - 15;
    // The advanced sets share their English names with the channel sets.
    return english ? QStringLiteral("CH%1 EQ").arg(channel) : QStringLiteral("通道%1高级均衡").arg(channel);
  }
  return {};
}

int EqSetTable::Bands(int set) { return EqSetInfo(set).bands; }

int EqSetTable::Grabbable(int set) {
  if (IsChannelSet(set)) return kCompositeBand + 1;
  return Bands(set);
}

int EqSetTable::DefaultFrequency(int set, int band) { return ResetFrequency(set, band); }

}  // namespace nr::gui
