#include "shell/ModeFile.h"

#include <cstring>

#include "shell/AtomicFile.h"
#include "link/ParamTable.h"
#include "shell/InputSourceClamp.h"

namespace nr {
namespace {

ModeFileResult Refused(ModeFileError error, std::string message, int systemError = 0) {
  return ModeFileResult{error, systemError, std::move(message)};
}

ModeFileResult TooLong(uintmax_t size) {
  return Refused(ModeFileError::kTooLong, "the file holds " + std::to_string(size) +
                                              " bytes; a mode file holds at most " +
                                              std::to_string(kModeFileWithTrailerSize));
}

std::string Hex2(int value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[(value >> 4) & 0xF] + kDigits[value & 0xF];
}

std::string RecordHeaderText(int module, int index, int words) {
  return "module " + std::to_string(module) + ", index " + Hex2(index) + ", " + std::to_string(words) +
         (words == 1 ? " word" : " words");
}

int32_t LittleEndian32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                              (uint32_t{p[3]} << 24));
}

}  // namespace

RecordEq FactoryRecordEq() {
  RecordEq bands{};
  for (int b = 0; b < kRecordEqBands; ++b) bands[static_cast<size_t>(b)] = EncodeEqBand(DefaultEqBand(kRecordEqSet, b));
  return bands;
}

std::string FirstBadRecord(const ParamImage& image) {
  const auto& rows = ParamRows();
  for (size_t r = 0; r < rows.size(); ++r) {
    const ParamRow& row = rows[r];
    const uint8_t* header = image.data() + row.offset;
    if (header[0] == row.module && header[1] == row.index && header[2] == row.words) continue;
    return "parameter record " + std::to_string(r + 1) + " of " + std::to_string(rows.size()) + " (byte " +
           std::to_string(kModeFileHeaderSize + row.offset) + ") reads " +
           RecordHeaderText(header[0], header[1], header[2]) + " where " +
           RecordHeaderText(row.module, row.index, row.words) + " belongs: the file is damaged";
  }
  return {};
}

ModeFileResult ParseModeFile(std::span<const uint8_t> bytes, ModeFileContents& out) {
  if (bytes.size() < static_cast<size_t>(kModeFileSize)) {
    return Refused(ModeFileError::kTooShort, "the file holds " + std::to_string(bytes.size()) +
                                                 " bytes; a mode file holds at least " +
                                                 std::to_string(kModeFileSize));
  }
  if (bytes.size() > static_cast<size_t>(kModeFileWithTrailerSize)) return TooLong(bytes.size());
  const int32_t version = LittleEndian32(bytes.data());
  if (version != kCommunicationVersion) {
    return Refused(ModeFileError::kBadVersion, "command version " + std::to_string(version) +
                                                   " is not supported (only " +
                                                   std::to_string(kCommunicationVersion) + ")");
  }
  if (bytes.size() > static_cast<size_t>(kModeFileSize) && bytes.size() < static_cast<size_t>(kModeFileWithTrailerSize)) {
    return Refused(ModeFileError::kTruncatedTrailer, "the record EQ at the end of the file is cut short (" +
                                                         std::to_string(bytes.size()) + " bytes)");
  }
  ParamImage image{};
  std::memcpy(image.data(), bytes.data() + kModeFileHeaderSize, kImageSize);
  // Every record is checked before anything is taken: words under a wrong header would be shown
  // as, and sent to, other parameters than the ones they were saved for.
  if (std::string bad = FirstBadRecord(image); !bad.empty()) return Refused(ModeFileError::kBadRecord, std::move(bad));
  out.header = DeviceInfo::Parse(bytes.data());
  out.image = image;
  out.recordEq.reset();
  if (bytes.size() >= static_cast<size_t>(kModeFileWithTrailerSize)) {
    RecordEq bands{};
    for (int b = 0; b < kRecordEqBands; ++b)
      std::memcpy(bands[static_cast<size_t>(b)].data(), bytes.data() + kModeFileSize + kEqBandBytes * b, kEqBandBytes);
    out.recordEq = bands;
  }
  return {};
}

std::vector<uint8_t> SerializeModeFile(const DeviceState& state) {
  std::vector<uint8_t> bytes;
  bytes.reserve(kModeFileWithTrailerSize);
  // The image is always in the layout of our protocol version (an image is never read from a
  // device that speaks another), so the file says so even before any device was connected:
  // otherwise a preset saved without a device could never be loaded again.
  DeviceInfo info = state.info;
  info.version = kCommunicationVersion;
  const auto header = info.Serialize();
  bytes.insert(bytes.end(), header.begin(), header.end());
  const ParamImage image = ScreenImage(state);
  bytes.insert(bytes.end(), image.begin(), image.end());
  for (const EqBandBytes& band : state.recordEq) bytes.insert(bytes.end(), band.begin(), band.end());
  return bytes;
}

ModeFileResult ReadModeFileContents(const std::filesystem::path& path, ModeFileContents& out) {
  std::vector<uint8_t> bytes;
  if (const FileError err = ReadFileLimited(path, kModeFileWithTrailerSize, bytes)) {
    if (err.problem == FileProblem::kTooLong) return TooLong(err.size);
    return Refused(ModeFileError::kCannotOpen, err.message, err.code);
  }
  return ParseModeFile(bytes, out);
}

ModeFileResult ReadModeFile(const std::filesystem::path& path, DeviceModel& model) {
  ModeFileContents contents;
  ModeFileResult result = ReadModeFileContents(path, contents);
  if (!result.ok()) return result;
  model.Update([&](DeviceState& s) {
    s.image = contents.image;
    ClampInputSource(s.info.ModuleName(), s.image);
    s.recordEq = contents.recordEq.value_or(FactoryRecordEq());
    ApplyImage(s);
  });
  return result;
}

ModeFileResult WriteModeFile(const std::filesystem::path& path, DeviceModel& model) {
  const std::vector<uint8_t> bytes = model.Update([](DeviceState& s) {
    std::memcpy(s.image.data(), s.eqTable.data(), kEqTableSize);
    return SerializeModeFile(s);
  });
  if (const FileError err = WriteFileAtomically(path, bytes))
    return Refused(ModeFileError::kCannotWrite, err.message, err.code);
  // The file keeps what the screen showed then: those edits are no longer at risk.
  model.Update([&](DeviceState& s) { std::memcpy(s.keptImage.data(), bytes.data() + kModeFileHeaderSize, kImageSize); });
  return {};
}

}  // namespace nr
