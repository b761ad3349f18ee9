// Presets edited without a device: what a save gives back, byte for byte.
#include "shell/PresetFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "eq/BandWrites.h"
#include "eq/Biquad.h"
#include "link/Bytes.h"
#include "link/DeviceSession.h"
#include "link/PacketSink.h"
#include "support/ScratchDir.h"

namespace nr {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class PresetFileTest : public testing::Test {
 protected:

  // A file some other device saved: its own header, a changed band and record, odd bytes in the
  // area after the sound field that a device never reports.
  fs::path Put(bool withTrailer) {
    DeviceState s;
    InitDeviceModel(s);
    s.info = DeviceInfo::StartupValues();
    s.info.version = kCommunicationVersion;
    std::string("NR-Test 7").copy(s.info.module.data(), 9);
    SetEqBandRecord(s, 3, EncodeEqBand(-4.5f, 630, 2.5f, kPeaking));
    s.image[kEqTableRefreshEnd + 2] = 0x5A;
    s.image[kLocatedSpeakerOffset] = 8;
    Bytes bytes = SerializeModeFile(s);
    for (size_t i = kModeFileHeaderSize + kEqTableRefreshEnd; i < kModeFileHeaderSize + kEqTableSize; ++i)
      bytes[i] = s.image[i - kModeFileHeaderSize];
    if (!withTrailer) bytes.resize(kModeFileSize);
    const fs::path path = dir_ / "room.mode";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return path;
  }
  static void SetEqBandRecord(DeviceState& s, int band, const EqBandBytes& record) {
    std::copy(record.begin(), record.end(), s.image.begin() + EqBandOffset(0, band));
    std::copy(record.begin(), record.end(), s.eqTable.begin() + EqBandOffset(0, band));
  }
  static Bytes Load(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  // File offsets where two files differ.
  static std::vector<size_t> Differences(const Bytes& a, const Bytes& b) {
    std::vector<size_t> at;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i)
      if (i >= a.size() || i >= b.size() || a[i] != b[i]) at.push_back(i);
    return at;
  }

  test::ScratchDir dir_{"nr_preset"};
  DeviceModel model_;
  NullSink sink_;
  DeviceSession session_{model_, sink_};
};

TEST_F(PresetFileTest, AnUnchangedPresetSavesBackToTheSameBytes) {
  for (const bool trailer : {true, false}) {
    const fs::path path = Put(trailer);
    const Bytes original = Load(path);
    PresetFile file;
    ASSERT_TRUE(OpenPresetFile(path, model_, file).ok());
    EXPECT_EQ(file.hasTrailer, trailer);
    EXPECT_EQ(model_.Read([](const DeviceState& s) { return s.info.ModuleName(); }), "NR-Test 7");
    EXPECT_FALSE(model_.Read([&](const DeviceState& s) { return PresetModified(s, file) || HasUnkeptEdits(s); }));
    ASSERT_TRUE(SavePresetFile(model_, file).ok());
    EXPECT_EQ(Load(path), original) << "trailer " << trailer;
  }
}

TEST_F(PresetFileTest, AnEditedPresetDiffersOnlyInTheEditedRecords) {
  const fs::path path = Put(false);
  const Bytes original = Load(path);
  PresetFile file;
  ASSERT_TRUE(OpenPresetFile(path, model_, file).ok());

  SetEqBand(session_, 0, 5, kPeaking, 1000, 6.0f, 1.0f);  // band 5 of microphone A's EQ
  session_.SetParam(1, 14, 42);                          // the microphone volume record
  EXPECT_TRUE(model_.Read([&](const DeviceState& s) { return PresetModified(s, file); }));
  ASSERT_TRUE(SavePresetFile(model_, file).ok());
  EXPECT_FALSE(model_.Read([&](const DeviceState& s) { return PresetModified(s, file) || HasUnkeptEdits(s); }));

  const Bytes saved = Load(path);
  ASSERT_EQ(saved.size(), original.size()) << "no trailer was added for a factory record EQ";
  const size_t band = kModeFileHeaderSize + static_cast<size_t>(EqBandOffset(0, 5));
  const ParamRow& row = ParamRows()[static_cast<size_t>(FindParamRow(1, 14))];
  const size_t word = kModeFileHeaderSize + static_cast<size_t>(row.WordOffset());
  for (const size_t at : Differences(original, saved))
    EXPECT_TRUE((at >= band && at < band + kEqBandBytes) || (at >= word && at < word + 4)) << "byte " << at;
  EXPECT_EQ(GetBE32(&saved[word]), EncodeParamWord(row.type, ParamValue::Int(42)));

  // A record-EQ edit needs the trailer, which is then written.
  SetEqBand(session_, kRecordEqSet, 2, kPeaking, 200, -3.0f, 1.41f);
  ASSERT_TRUE(SavePresetFile(model_, file).ok());
  EXPECT_EQ(Load(path).size(), static_cast<size_t>(kModeFileWithTrailerSize));
  EXPECT_TRUE(file.hasTrailer);
}

TEST_F(PresetFileTest, ARefusedFileChangesNothing) {
  const fs::path path = dir_ / "short.mode";
  std::ofstream(path, std::ios::binary) << "not a preset";
  session_.SetParam(1, 14, 42);
  const DeviceState before = model_.Snapshot();
  PresetFile file;
  file.path = "kept";
  const ModeFileResult result = OpenPresetFile(path, model_, file);
  EXPECT_EQ(result.error, ModeFileError::kTooShort);
  EXPECT_EQ(file.path, "kept");
  EXPECT_EQ(model_.Read([](const DeviceState& s) { return s.image; }), before.image);
  EXPECT_EQ(OpenPresetFile(dir_ / "missing.mode", model_, file).error, ModeFileError::kCannotOpen);

  // A save into a folder that is gone fails and says so; the file counts as unsaved.
  ASSERT_TRUE(OpenPresetFile(Put(true), model_, file).ok());
  session_.SetParam(1, 14, 7);
  file.path = dir_ / "gone" / "room.mode";
  EXPECT_EQ(SavePresetFile(model_, file).error, ModeFileError::kCannotWrite);
  EXPECT_TRUE(model_.Read([&](const DeviceState& s) { return PresetModified(s, file); }));
}

}  // namespace
}  // namespace nr
