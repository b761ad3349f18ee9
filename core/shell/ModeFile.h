#pragma once
// Mode files: a whole preset on the PC. 60 header bytes (the device identification as the PC
// held it), the 3912-byte parameter image, and an optional 35-byte trailer with the record
// output's five EQ bands, which the image has no room for. Programs that read exactly 3972
// bytes never see the trailer.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/DeviceModel.h"

namespace nr {

inline constexpr int kModeFileHeaderSize = DeviceInfo::kSize;
inline constexpr int kModeFileSize = kModeFileHeaderSize + kImageSize;  // 3972
inline constexpr int kRecordEqTrailerSize = kRecordEqBands * kEqBandBytes;
inline constexpr int kModeFileWithTrailerSize = kModeFileSize + kRecordEqTrailerSize;  // 4007

// kCannotOpen also covers paths that are not regular files (folders, FIFOs, devices).
// kBadRecord: a parameter record's header (module, index, word count) is not the one the fixed
// record list has at its place, so the words would be read as, and sent to, other parameters.
enum class ModeFileError { kNone, kCannotOpen, kTooShort, kTooLong, kBadVersion, kBadRecord, kTruncatedTrailer, kCannotWrite };

struct ModeFileResult {
  ModeFileError error = ModeFileError::kNone;
  int systemError = 0;   // errno when a file could not be opened or written
  std::string message;   // why, in words, for logs and the command line
  bool ok() const { return error == ModeFileError::kNone; }
};

struct ModeFileContents {
  DeviceInfo header;
  ParamImage image{};
  std::optional<RecordEq> recordEq;  // absent in files without the trailer
};

// The record EQ a file without the trailer stands for: the factory bands.
RecordEq FactoryRecordEq();

// The first parameter record of image whose header differs from the fixed record list, in words
// naming the record and its byte in a mode file; empty when every record is in place.
std::string FirstBadRecord(const ParamImage& image);

// Checks and splits the bytes of a mode file without touching any model.
ModeFileResult ParseModeFile(std::span<const uint8_t> bytes, ModeFileContents& out);
// The bytes a mode file gets for this state: header (always with our protocol version), image
// (with the EQ table copied in), trailer.
std::vector<uint8_t> SerializeModeFile(const DeviceState& state);

// Reads and checks a file without touching any model; the refusals of ReadModeFile.
ModeFileResult ReadModeFileContents(const std::filesystem::path& path, ModeFileContents& out);

// Reads a file into the model. A refused file (missing, not a regular file, short, long, wrong
// version, cut trailer) changes nothing. On success the image is replaced, the input source is
// kept within the connected model's sources, the record EQ is taken from the trailer (factory
// bands without one) and everything is re-derived from the image.
ModeFileResult ReadModeFile(const std::filesystem::path& path, DeviceModel& model);

// Copies the EQ table into the image, then writes the file through a temporary file that is
// renamed over the target, so a failed write leaves any earlier file intact.
ModeFileResult WriteModeFile(const std::filesystem::path& path, DeviceModel& model);

}  // namespace nr
