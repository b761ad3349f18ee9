#pragma once
// What `nrctl inspect` shows of a mode file: the header as the file holds it and everything the
// model decodes from the file's image, as one JSON object or as readable text.
#include <cstddef>
#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

#include "link/DeviceModel.h"
#include "venue/PresetText.h"

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

}  // namespace nr::cli
