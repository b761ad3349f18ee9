#pragma once
// Comparing two presets: every parameter, band and derived value of a state as one named,
// decoded item, grouped by the page that edits it, so two states compare item by item. `nrctl
// diff` prints the differences; the venue's check counts them per room.
#include <string>
#include <vector>

#include "link/DeviceModel.h"

namespace nr {

struct PresetItem {
  std::string page;   // "Microphones and music", "Output 3", "Sound field", ...
  std::string name;   // "(1,0x0E)", "band 4 of output 1 EQ (set 7)", "compressor"
  std::string value;  // decoded: "51 %", "PEQ 250 Hz, -3.0 dB, Q 1.410"
};

// Every item of a state, always in the same order: the parameter records, the EQ bands (the
// record EQ's from beside the image), then the derived values.
std::vector<PresetItem> DescribePreset(const DeviceState& state);

struct PresetDifference {
  std::string page;
  std::string name;
  std::string a, b;
};

// The items whose values differ, grouped by page (pages in the order of the application,
// items in their own order within a page).
std::vector<PresetDifference> ComparePresets(const DeviceState& a, const DeviceState& b);

// How many items differ on each page, pages in the order of the application.
struct PageDifferences {
  std::string page;
  int count = 0;
};
std::vector<PageDifferences> CountByPage(const std::vector<PresetDifference>& differences);

}  // namespace nr
