#pragma once
// The names and texts a preset's items are shown with, shared by the inspection of a mode file,
// the comparison of two presets and the venue's check of its rooms.
#include <string>

#include "link/DeviceModel.h"

namespace nr {

std::string ModuleTitle(int module);   // "microphones", "output 3"
std::string EqSetTitle(int set);       // "music EQ", "output 2 advanced EQ"
int OwnedBands(int set);               // the bands a set edits and the slots it keeps beyond them
std::string ValueText(ValueType type, ParamValue value);  // "51 %", "1.5 ms"
std::string BandText(const EqBand& band);                 // "type 1, 250 Hz, gain -3 dB, Q 1.41"
std::string DynamicsText(const DynamicsSettings& d);

// The shortest decimal text that reads back as the same float: "1.414", "29.99998", "25".
std::string ShortestFloat(float value);

}  // namespace nr
