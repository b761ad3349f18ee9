// Filter lists come from other programs and from hand editing: any text must give either bands
// that keep the band editor's limits or errors and no band at all, and the bands read must
// survive being written out and read again.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "eq/FilterList.h"
#include "link/EqLayout.h"
#include "shell/TextFile.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nr;
  if (size == 0) return 0;
  const int set = data[0] % kEqSetCount;
  const ExcessFilters excess = (data[0] & 0x80) != 0 ? ExcessFilters::kDropSmallest : ExcessFilters::kRefuse;
  // Through the reader every front end uses, so UTF-16 with its mark is decoded first.
  const std::string text = DecodeText(std::span<const uint8_t>(data + 1, size - 1));
  const FilterListImport read = ParseFilterList(text, set, excess);
  if (!read.ok()) {
    Check(read.bands.empty());
    for (const FilterListLine& e : read.errors) Check(!e.message.empty());
    return 0;
  }
  Check(static_cast<int>(read.bands.size()) <= FilterListBands(set));
  for (const EqBand& b : read.bands) {
    Check(b.freq >= kBandFreqMinHz && b.freq <= kBandFreqMaxHz);
    Check(b.gainDb >= kBandGainMinDb && b.gainDb <= kBandGainMaxDb);
    Check(b.q >= 0.09f && b.q <= 30.01f);
  }
  Check(excess == ExcessFilters::kDropSmallest || read.dropped.empty());
  // A list of switched-off filters alone imports as nothing (the set made flat); written out
  // again it holds no filter line, which is refused.
  if (read.bands.empty()) return 0;
  const FilterListImport again = ParseFilterList(FormatFilterList(read.bands), set);
  Check(again.ok() && again.bands.size() == read.bands.size());
  return 0;
}
