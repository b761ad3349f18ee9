#pragma once
// A mode file opened for editing without a device. The file's header and form are kept, so an
// unchanged preset saves back to the same bytes and an edited one differs only in the records
// that were edited.
#include <filesystem>

#include "shell/ModeFile.h"

namespace nr {

struct PresetFile {
  std::filesystem::path path;
  DeviceInfo header;        // the device that saved the file, as the file names it
  bool hasTrailer = true;   // the file carries the record EQ
  ParamImage savedImage{};  // what the file holds now
  RecordEq savedRecordEq{};
};

// Loads the file into the model as it stands: the identification becomes the file's header, the
// image and the record EQ the file's (the factory record EQ without a trailer), every value is
// derived again, and what the screen now shows counts as kept. The input source is left as the
// file has it: without a device there is no model to keep it within. Meant for a model without
// a link. A refused file changes neither the model nor `file`.
ModeFileResult OpenPresetFile(const std::filesystem::path& path, DeviceModel& model, PresetFile& file);

// Writes the screen's values to file.path, atomically: the file's own header, the image, and the
// record EQ when the file had it or it is no longer the factory's. On success the file's saved
// contents and the model's kept image follow.
ModeFileResult SavePresetFile(DeviceModel& model, PresetFile& file);

// The screen shows values the file does not hold.
bool PresetModified(const DeviceState& state, const PresetFile& file);

}  // namespace nr
