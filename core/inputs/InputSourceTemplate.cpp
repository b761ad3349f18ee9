#include "inputs/InputSourceTemplate.h"

#include <array>

namespace nr {

int InputSourceTemplate(const SourceCapability& capability, std::string_view moduleName) {
  if (capability.Valid()) return kCapabilityInputDialog;
  struct Model {
    std::string_view name;
    int dialog;
  };
  static constexpr std::array<Model, 17> kModels{{
      {"NR3.5", 527}, {"NR420", 528}, {"NR430", 538}, {"F880", 538}, {"NR460", 529}, {"NR490", 530},
      {"KD490", 532}, {"WX490II", 534}, {"WX490III", 537}, {"F860II", 535}, {"CR3.5", 536}, {"CR8.2", 536},
      {"NR5200", 536}, {"G2740", 539}, {"GQ2740", 540}, {"ML07", 541}, {"", kGenericInputDialog},
  }};
  for (const Model& m : kModels)
    if (!m.name.empty() && m.name == moduleName) return m.dialog;
  return kGenericInputDialog;
}

}  // namespace nr
