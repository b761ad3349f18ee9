// Arbitrary bytes as a language table: parsing must never fail or overrun.
#include <cstddef>
#include <cstdint>
#include <span>

#include "shell/LanguageTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const nr::LanguageTable table = nr::LanguageTable::FromGbk(std::span<const uint8_t>(data, size));
  for (const auto& [key, value] : table.Entries()) {
    if (value.size() > 4 * nr::LanguageTable::kMaxValueChars) __builtin_trap();
    (void)key;
  }
  return 0;
}
