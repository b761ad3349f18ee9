#pragma once
// Layout of the device's parameter memory as mirrored on the PC (the parameter image) and of its
// live copy of the EQ and sound-field area (the EQ table).
#include <array>
#include <cstddef>
#include <cstdint>

namespace nr {

inline constexpr int kImageSize = 3912;
inline constexpr int kEqAreaSize = 1771;          // 253 band slots of 7 bytes
inline constexpr int kSoundFieldLevelsOffset = 1771;  // 8 big-endian floats, one per output
inline constexpr int kSoundFieldLevelsSize = 32;
inline constexpr int kRoomRecordOffset = 1803;
inline constexpr int kRoomRecordSize = 20;
inline constexpr int kLevelFeatureOffset = 1823;   // float the device writes, read as an integer
inline constexpr int kLocatedSpeakerOffset = 1827; // position code 0..7, 8 for none
inline constexpr int kRecordListOffset = 1835;     // the 235 parameter records follow
inline constexpr int kEqTableSize = 1835;
inline constexpr int kEqTableRefreshEnd = 1828;    // ApplyImage refreshes EQ table bytes 0..1827
inline constexpr int kInputSourceByte = 2362;      // low byte of the selected input source word

// A transfer moves the image in chunks of 56 bytes: 69 of them and a last one of 48.
inline constexpr int kImageChunk = 56;
inline constexpr int kImageChunks = (kImageSize + kImageChunk - 1) / kImageChunk;
static_assert(kImageChunks == 70);
constexpr int ImageChunkLength(int chunk) {
  return chunk == kImageChunks - 1 ? kImageSize - kImageChunk * chunk : kImageChunk;
}
// An image chunk's answer: prefix or report id, code, offset (2 bytes), length, then the data.
inline constexpr size_t kChunkAnswerHeader = 5;

using ParamImage = std::array<uint8_t, kImageSize>;
using EqTable = std::array<uint8_t, kEqTableSize>;

}  // namespace nr
