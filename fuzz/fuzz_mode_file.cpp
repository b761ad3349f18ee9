// Mode files come from anywhere (mail, USB sticks, old installations): any bytes must be either
// refused or loaded, applied and saved again without a crash, and a loaded file must save back
// to the same bytes apart from what the PC itself owns.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "link/DeviceModel.h"
#include "shell/InputSourceClamp.h"
#include "shell/ModeFile.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nr;
  const std::span<const uint8_t> bytes(data, size);
  ModeFileContents contents;
  const ModeFileResult result = ParseModeFile(bytes, contents);
  if (!result.ok()) {
    Check(!result.message.empty());
    return 0;
  }
  Check(size >= static_cast<size_t>(kModeFileSize));
  Check(contents.recordEq.has_value() == (size >= static_cast<size_t>(kModeFileWithTrailerSize)));

  // What loading the file into a session does, with the file's own header as the connected
  // device so the input-source rule of that model runs too.
  DeviceState state;
  InitDeviceModel(state);
  state.info = contents.header;
  state.image = contents.image;
  ClampInputSource(state.info.ModuleName(), state.image);
  if (contents.recordEq) state.recordEq = *contents.recordEq;
  ApplyImage(state);
  for (int set = 0; set < kEqSetCount; ++set)
    for (int band = 0; band < EqSetInfo(set).bands; ++band) (void)state.Band(set, band);

  const std::vector<uint8_t> saved = SerializeModeFile(state);
  Check(saved.size() == static_cast<size_t>(kModeFileWithTrailerSize));
  ModeFileContents again;
  Check(ParseModeFile(saved, again).ok());
  Check(again.recordEq == state.recordEq);
  // The header strings always end in a NUL, so only bytes past it may differ.
  Check(again.header.ModuleName() == contents.header.ModuleName());
  Check(again.header.McuVersion() == contents.header.McuVersion());
  Check(again.header.DspVersion() == contents.header.DspVersion());
  // The image comes back as loaded, except the input source (kept within the model) and the
  // reserved bytes after the located-loudspeaker byte, which the EQ table owns.
  for (int i = 0; i < kImageSize; ++i) {
    if (i == kInputSourceByte || (i >= kEqTableRefreshEnd && i < kEqTableSize)) continue;
    Check(again.image[static_cast<size_t>(i)] == state.image[static_cast<size_t>(i)]);
    Check(state.image[static_cast<size_t>(i)] == contents.image[static_cast<size_t>(i)]);
  }
  return 0;
}
