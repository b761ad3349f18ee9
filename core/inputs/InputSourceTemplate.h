#pragma once
// Which input-source dialog a device gets: the capability-driven one (543) when the device
// reported a valid capability record, otherwise the fixed layout of its model.
#include <string_view>

#include "link/DeviceState.h"

namespace nr {

inline constexpr int kCapabilityInputDialog = 543;
inline constexpr int kGenericInputDialog = 512;

int InputSourceTemplate(const SourceCapability& capability, std::string_view moduleName);

}  // namespace nr
