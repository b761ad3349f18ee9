#include "outputs/AdvancedEq.h"

#include "eq/BandWrites.h"

namespace nr {

bool AdvancedEqBypassed(const DeviceState& s, int channel) {
  return ValidChannel(channel) && s.IntValue(OutputModule(channel), kAdvancedEqBypassIndex) != 0;
}

void SetAdvancedEqBypass(DeviceSession& session, const ChannelList& channels, bool bypass) {
  for (int index : {outidx::kEqBypass, kAdvancedEqBypassIndex})
    for (int channel : channels)
      if (ValidChannel(channel)) session.SetParam(OutputModule(channel), index, bypass ? 1 : 0);
}

void ResetAdvancedEq(DeviceSession& session, const ChannelList& channels) {
  for (int channel : channels)
    if (ValidChannel(channel)) ResetEqSet(session, AdvancedEqSet(channel));
}

void WriteAdvancedEqBand(DeviceSession& session, const ChannelList& channels, const BandWrite& band) {
  if (band.band < 0 || band.band >= kAdvancedEqBands) return;
  for (int channel : channels)
    if (ValidChannel(channel))
      SetEqBand(session, AdvancedEqSet(channel), band.band, band.type, band.freq, band.gainDb, band.q);
}

}  // namespace nr
