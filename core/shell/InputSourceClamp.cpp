#include "shell/InputSourceClamp.h"

#include <algorithm>
#include <array>

namespace nr {
namespace {

// Unused name slots are empty; unused source slots are -1.
struct ModelSources {
  std::array<std::string_view, 3> names;
  std::array<int, 9> allowed;
  int fallback;
};

const ModelSources kModels[] = {
    {{"NR420"}, {5, 8, 11, -1, -1, -1, -1, -1, -1}, 11},
    {{"NR430", "G2740", "F880"}, {5, 11, -1, -1, -1, -1, -1, -1, -1}, 11},
    {{"NR460"}, {5, 6, 11, -1, -1, -1, -1, -1, -1}, 11},
    {{"NR490", "GQ2740"}, {0, 1, 2, 3, 5, 6, 11, -1, -1}, 0},
    {{"KD490", "WX490II"}, {0, 1, 2, 3, 5, 6, 11, 12, -1}, 3},
    {{"WX490III"}, {0, 1, 2, 3, 4, 5, 6, 11, 12}, 5},
    {{"NR3.5"}, {0, 1, 2, 3, 5, -1, -1, -1, -1}, 0},
    {{"CR3.5", "CR8.2", "NR5200"}, {0, 1, 2, 5, -1, -1, -1, -1, -1}, 0},
    {{"PZQ560"}, {0, 1, 2, 3, -1, -1, -1, -1, -1}, 0},
    {{"F860II"}, {5, 6, 8, 9, 11, -1, -1, -1, -1}, 11},
    {{"ML07"}, {5, 11, 12, 13, -1, -1, -1, -1, -1}, 11},
    {{"H39"}, {5, 11, -1, -1, -1, -1, -1, -1, -1}, 11},
};

}  // namespace

int ClampInputSource(std::string_view moduleName, int source) {
  for (const ModelSources& model : kModels) {
    if (moduleName.empty() ||
        std::find(model.names.begin(), model.names.end(), moduleName) == model.names.end())
      continue;
    const bool allowed = source >= 0 && std::find(model.allowed.begin(), model.allowed.end(), source) != model.allowed.end();
    return allowed ? source : model.fallback;
  }
  return source;
}

void ClampInputSource(std::string_view moduleName, ParamImage& image) {
  image[kInputSourceByte] = static_cast<uint8_t>(ClampInputSource(moduleName, image[kInputSourceByte]));
}

}  // namespace nr
