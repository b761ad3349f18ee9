#pragma once
// Filter lists as room-measurement programs write them: one text line per filter,
//   Filter  1: ON  PK       Fc   63.0 Hz  Gain  -4.5 dB  Q  2.500
// read into the bands of one EQ set, and a set written back in the same form so a corrected set
// can return to the measurement program. One file describes one set (one channel measured).
//
// Reading accepts what such files look like in the wild: "Filter:" without a number, a
// "Preamp: -6 dB" line (reported, never applied: an EQ set has no preamp), decimal commas,
// header, note and blank lines, "None" slots, filters switched OFF and filters without the
// "Filter N:" prefix (skipped and reported), the older type names (LPQ, LSC, NO, AP) and the
// newer ones (LP Q, LS Q, Notch, All pass, LP1, Modal). Every problem names its line; a list with
// any error, or without a single filter line, yields no bands at all, so the caller writes
// nothing.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "eq/BandLimits.h"  // an imported band keeps the band editor's limits
#include "link/EqBandCodec.h"
#include "link/DeviceSession.h"

namespace nr {

struct FilterListLine {
  int line = 0;          // 1-based line of the text
  std::string message;   // "line 4: ..." is how callers show it
};

struct FilterListImport {
  std::vector<EqBand> bands;             // in band order from band 0; empty whenever errors is not
  std::vector<FilterListLine> errors;    // why the list cannot be imported
  std::vector<FilterListLine> notes;     // lines read but not applied as written: preamp, OFF,
                                         // None, no prefix, notch, modal
  std::vector<FilterListLine> dropped;   // filters left out to fit the set (ExcessFilters::kDropSmallest)
  std::optional<double> preampDb;        // the list's preamp line, not applied
  int excess = 0;                        // filters beyond what the set takes, refused or left out
  bool ok() const { return errors.empty(); }
};

// A list with more filters than the set takes is refused whole, or fitted by leaving out the
// filters of least effect (smallest gain; a filter without gain is never left out).
enum class ExcessFilters { kRefuse, kDropSmallest };

// The bands of a set that a list fills: the bands its page edits; on an output channel set the
// nine parametric bands (the crossover band and its partner sections stay as they are).
int FilterListBands(int set);

// Reads a filter list for `set` (0..23). Filters fill bands 0, 1, ... in the order listed.
FilterListImport ParseFilterList(std::string_view text, int set, ExcessFilters excess = ExcessFilters::kRefuse);

// Writes the list text for these bands (band 0 first). title goes into the notes line.
// Types 1..5, the first-order sections and the all-pass have names of their own; any other
// crossover section (6..21) is written as the low- or high-pass with its Q.
std::string FormatFilterList(std::span<const EqBand> bands, std::string_view title = {});

// The bands a list of `set` holds, as the set has them now.
std::vector<EqBand> SetBandsForFilterList(const DeviceState& state, int set);

// Writes an imported list into a set through the band writes: bands[i] into band i, and every
// further band of FilterListBands(set) that shapes the sound flattened as a reset does (a
// peaking band at 0 dB is left where it is), so the set is exactly what the measurement program
// modelled. bands must come from ParseFilterList for the same set.
void ApplyFilterList(DeviceSession& session, int set, std::span<const EqBand> bands);

}  // namespace nr
