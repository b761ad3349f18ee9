// Key files are edited by hand and copied between PCs: any text must either be refused or read,
// and what is read must write back to a file that reads the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "smarthome/KeyFile.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nr;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto slots = ParseKeyFile(text);
  if (!slots) return 0;
  for (const KeySlot& slot : *slots) Check(slot.index >= 0 && slot.status >= 0);
  const auto again = ParseKeyFile(KeyFileText(*slots));
  Check(again.has_value());
  Check(again->size() == slots->size());
  for (size_t i = 0; i < slots->size(); ++i) {
    Check((*again)[i].index == (*slots)[i].index);
    Check((*again)[i].status == (*slots)[i].status);
    Check((*again)[i].name == (*slots)[i].name);
  }
  return 0;
}
