#include "shell/PresetFile.h"

#include <cstring>

#include "shell/AtomicFile.h"

namespace nr {

ModeFileResult OpenPresetFile(const std::filesystem::path& path, DeviceModel& model, PresetFile& file) {
  ModeFileContents contents;
  const ModeFileResult result = ReadModeFileContents(path, contents);
  if (!result.ok()) return result;
  PresetFile opened{path, contents.header, contents.recordEq.has_value(), contents.image,
                    contents.recordEq.value_or(FactoryRecordEq())};
  model.Update([&](DeviceState& s) {
    s.info = contents.header;
    s.image = contents.image;
    s.recordEq = opened.savedRecordEq;
    s.deviceModified = false;
    s.pendingModeSlot = -1;
    ApplyImage(s);
    // The EQ table's last bytes are never refreshed from a device; here they are the file's, so
    // the screen shows the file exactly.
    std::memcpy(&s.eqTable[kEqTableRefreshEnd], &s.image[kEqTableRefreshEnd], kEqTableSize - kEqTableRefreshEnd);
    MarkKept(s);
  });
  file = std::move(opened);
  return result;
}

ModeFileResult SavePresetFile(DeviceModel& model, PresetFile& file) {
  DeviceState state = model.Snapshot();
  state.info = file.header;
  std::vector<uint8_t> bytes = SerializeModeFile(state);
  if (!file.hasTrailer && state.recordEq == FactoryRecordEq()) bytes.resize(kModeFileSize);
  if (const FileError err = WriteFileAtomically(file.path, bytes))
    return ModeFileResult{ModeFileError::kCannotWrite, err.code, err.message};
  std::memcpy(file.savedImage.data(), bytes.data() + kModeFileHeaderSize, kImageSize);
  file.savedRecordEq = state.recordEq;
  file.hasTrailer = bytes.size() == static_cast<size_t>(kModeFileWithTrailerSize);
  // Kept as saved: edits made since the snapshot stay unkept.
  model.Update([&](DeviceState& s) { s.keptImage = file.savedImage; });
  return {};
}

bool PresetModified(const DeviceState& state, const PresetFile& file) {
  return ScreenImage(state) != file.savedImage || state.recordEq != file.savedRecordEq;
}

}  // namespace nr
