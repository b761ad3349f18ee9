#pragma once
// nrctl diff: two presets compared item by item (venue/PresetCompare), printed by page.
#include "CommandTable.h"
#include "venue/PresetCompare.h"
