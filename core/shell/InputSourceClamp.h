#pragma once
// Keeps the selected input source of a loaded preset within what the connected model offers.
#include <string_view>

#include "link/ImageLayout.h"

namespace nr {

// The source a model accepts for a preset's value: the value itself when allowed (or when the
// model is not known), otherwise the model's fallback source.
int ClampInputSource(std::string_view moduleName, int source);

// Applies the rule to the input-source byte of an image.
void ClampInputSource(std::string_view moduleName, ParamImage& image);

}  // namespace nr
