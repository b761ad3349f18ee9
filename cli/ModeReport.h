#pragma once
// What `nrctl inspect` shows of a mode file: the header as the file holds it and everything the
// model decodes from the file's image, as one JSON object or as readable text.
#include <cstddef>
#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "link/DeviceModel.h"

namespace nr::cli {

struct InspectedModeFile {
  std::string path;
  size_t size = 0;
  DeviceInfo header;  // as stored in the file (reading a file into the model ignores it)
  bool hasRecordEqTrailer = false;
  DeviceState state;  // a fresh model after the file was read into it
};

// Keys keep the order they are written in, so the output reads like the documented layout.
nlohmann::ordered_json ModeFileJson(const InspectedModeFile& file);
void WriteModeFileSummary(std::ostream& out, const InspectedModeFile& file);

// Names and texts the inspection and the comparison of presets share.
std::string ModuleTitle(int module);   // "microphones", "output 3"
std::string EqSetTitle(int set);       // "music EQ", "output 2 advanced EQ"
int OwnedBands(int set);               // the bands a set edits and the slots it keeps beyond them
std::string ValueText(ValueType type, ParamValue value);  // "51 %", "1.5 ms"
std::string BandText(const EqBand& band);                 // "type 1, 250 Hz, gain -3 dB, Q 1.41"
std::string DynamicsText(const DynamicsSettings& d);

// The shortest decimal text that reads back as the same float: "1.414", "29.99998", "25".
std::string ShortestFloat(float value);

}  // namespace nr::cli
