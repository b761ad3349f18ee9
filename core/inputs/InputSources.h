#pragma once
// The music sources a device offers and their captions: a fixed list per model family (by the
// template the input-source dialog is built from), or a list laid out from the capability record
// that newer devices report. Also selecting a source and setting a source's input level.
#include <array>
#include <string>
#include <vector>

#include "link/DeviceSession.h"

namespace nr {

inline constexpr int kSourceCount = 14;  // sources 0..13: selection value and level index
inline constexpr int kSourceModule = 4;
inline constexpr int kSelectedSourceIndex = 0x12;
inline constexpr int kFirstSourceLevelIndex = 0x13;  // + source
inline constexpr int kSourceLevelMax = 100;

struct SourceRow {
  int source = 0;
  std::string caption;
  bool operator==(const SourceRow&) const = default;
};

// Captions of the full 14-source form: HDMI1..5, SPDIF1..3, COAX1..3, AUX1..3.
const std::array<const char*, kSourceCount>& GenericSourceCaptions();

// The rows of a fixed form, in source order. Template 527 also shows source 5 ("SPDIF1") when
// the device speaks protocol version 20. An unknown template gives the full 14-source form.
std::vector<SourceRow> FixedFormSources(int templateNumber, int protocolVersion);

// The capability form: the caption of every source after the caption rules (hidden sources
// included), and which sources the masks say exist.
std::array<std::string, kSourceCount> CapabilityCaptions(const SourceCapability& capability);
std::array<bool, kSourceCount> CapabilitySourcesPresent(const SourceCapability& capability);

// The sources the device offers, with their captions, as the input-source command shows them:
// from its capability record when that is valid, otherwise from its model's fixed form.
std::vector<SourceRow> OfferedSources(const DeviceState& state);

int SelectedSource(const DeviceState& state);
int SourceLevel(const DeviceState& state, int source);  // 0..100

// SetParam (4, 0x12, source) for a source 0..13; others are ignored.
void SelectSource(DeviceSession& session, int source);
// SetParam (4, 0x13 + source, level) with the level kept within 0..100.
void SetSourceLevel(DeviceSession& session, int source, int level);

}  // namespace nr
