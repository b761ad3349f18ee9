#include "shell/ModeFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "link/Bytes.h"
#include "link/DeviceSession.h"
#include "link/PacketSink.h"
#include "shell/InputSourceClamp.h"
#include "support/RecordingSink.h"
#include "support/ScratchDir.h"
#include "support/NotARegularFile.h"

namespace nr {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using test::Hex;

constexpr size_t kImageAt = kModeFileHeaderSize;  // file offset of image byte 0

Bytes Slice(const Bytes& b, size_t from, size_t n) { return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + n)); }

void SetModule(DeviceModel& model, std::string_view name) {
  model.Update([&](DeviceState& s) {
    s.info.module.fill(0);
    name.copy(s.info.module.data(), s.info.module.size() - 1);
  });
}

void SetVersion(DeviceModel& model, int32_t version) {
  model.Update([&](DeviceState& s) { s.info.version = version; });
}

// A valid file as a connected device's session would write it: version 24, factory image.
Bytes ValidFile(bool withTrailer = true) {
  DeviceState s;
  InitDeviceModel(s);
  s.info.version = kCommunicationVersion;
  Bytes bytes = SerializeModeFile(s);
  if (!withTrailer) bytes.resize(kModeFileSize);
  return bytes;
}

void PutImageWord(Bytes& file, int module, int index, uint32_t word, int wordNo = 0) {
  const ParamRow& row = ParamRows()[static_cast<size_t>(FindParamRow(module, index))];
  PutBE32(&file[kImageAt + static_cast<size_t>(row.WordOffset() + 4 * wordNo)], word);
}

class ModeFileOnDisk : public testing::Test {
 protected:

  fs::path Put(const std::string& name, const Bytes& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return p;
  }
  fs::path Fifo(const std::string& name) { return test::MakeNotARegularFile(dir_, name); }
  static Bytes Load(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static std::set<std::string> Listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
  }

  test::ScratchDir dir_{"nr_modefile"};
};

TEST(ModeFileBytes, DefaultStateHasTheExactLayout) {
  DeviceState s;
  InitDeviceModel(s);
  const Bytes bytes = SerializeModeFile(s);
  ASSERT_EQ(bytes.size(), static_cast<size_t>(kModeFileWithTrailerSize));
  ASSERT_EQ(kModeFileWithTrailerSize, 4007);

  // Version 24, little-endian, even with the start-up identification (version 17) in the model:
  // the image is in our layout, and a file saved before any device was connected must load.
  Bytes header = {0x18, 0x00, 0x00, 0x00};
  for (std::string_view text : {std::string_view("Unknown"), std::string_view("2016-10-03"), std::string_view("2016-11-30")}) {
    const size_t width = text == "Unknown" ? 32 : 11;
    header.insert(header.end(), text.begin(), text.end());
    header.resize(header.size() + width - text.size(), 0);
  }
  header.insert(header.end(), {0x00, 0x00});
  ASSERT_EQ(header.size(), 60u);
  EXPECT_EQ(Hex(Slice(bytes, 0, 60)), Hex(header));

  EXPECT_EQ(Slice(bytes, kImageAt, kImageSize), Bytes(s.image.begin(), s.image.end()));
  // Spot checks against the documented image: first band of set 0 (25 Hz, Q 1.414, 0 dB,
  // peaking), the first parameter record (microphone 1 volume 1.0), the last record.
  EXPECT_EQ(Hex(Slice(bytes, kImageAt, 7)), "00 96 00 19 05 86 01");
  EXPECT_EQ(Hex(Slice(bytes, kImageAt + 1835, 7)), "01 04 01 3F 80 00 00");
  EXPECT_EQ(Hex(Slice(bytes, kImageAt + 3905, 7)), "0E 0B 01 00 00 00 01");

  // The record EQ's factory bands: 50, 100, 200, 400, 800 Hz, 0 dB, Q 1.41, peaking.
  EXPECT_EQ(Hex(Slice(bytes, kModeFileSize, kRecordEqTrailerSize)),
            "00 96 00 32 05 82 01 00 96 00 64 05 82 01 00 96 00 C8 05 82 01 "
            "00 96 01 90 05 82 01 00 96 03 20 05 82 01");
}

TEST(ModeFileBytes, EqTableEditsAreWhatTheFileHolds) {
  DeviceModel model;
  SetVersion(model, kCommunicationVersion);
  // A band edit lands only in the EQ table; the file must still carry it. The reserved bytes
  // up to 1834 travel with the table as well.
  const EqBandBytes edited = EncodeEqBand(-3.0f, 1234, 0.5f, 4);
  model.Update([&](DeviceState& s) {
    std::memcpy(&s.eqTable[static_cast<size_t>(EqBandOffset(7, 2))], edited.data(), edited.size());
    s.eqTable[1834] = 0x5A;
  });
  const Bytes bytes = model.Read([](const DeviceState& s) { return SerializeModeFile(s); });
  EXPECT_EQ(Hex(Slice(bytes, kImageAt + static_cast<size_t>(EqBandOffset(7, 2)), 7)), Hex(edited));
  EXPECT_EQ(bytes[kImageAt + 1834], 0x5A);
  // Serialising alone leaves the model's image as it was.
  EXPECT_NE(model.Read([](const DeviceState& s) { return s.image[1834]; }), 0x5A);
}

TEST(ModeFileParse, SplitsHeaderImageAndTrailer) {
  Bytes bytes = ValidFile();
  std::memcpy(&bytes[4], "WX490III", 8);
  bytes[kModeFileSize + 3] = 0x99;  // record EQ band 0, low frequency byte

  ModeFileContents c;
  ASSERT_TRUE(ParseModeFile(bytes, c).ok());
  EXPECT_EQ(c.header.version, 24);
  EXPECT_EQ(c.header.ModuleName(), "WX490III");
  EXPECT_EQ(c.header.McuVersion(), "2016-10-03");
  EXPECT_EQ(c.header.DspVersion(), "2016-11-30");
  EXPECT_EQ(Bytes(c.image.begin(), c.image.end()), Slice(bytes, kImageAt, kImageSize));
  ASSERT_TRUE(c.recordEq.has_value());
  EXPECT_EQ(DecodeEqBand((*c.recordEq)[0]).freq, 0x99);

  bytes.resize(kModeFileSize);
  ASSERT_TRUE(ParseModeFile(bytes, c).ok());
  EXPECT_FALSE(c.recordEq.has_value());
}

TEST(ModeFileParse, RefusesWrongVersionShortFilesAndCutTrailers) {
  struct Case {
    const char* what;
    Bytes bytes;
    ModeFileError error;
  };
  Bytes oldVersion = ValidFile();
  oldVersion[0] = 18;
  Bytes bigEndian24 = ValidFile();
  bigEndian24[0] = 0;
  bigEndian24[3] = 24;
  const Case cases[] = {
      {"version 18", oldVersion, ModeFileError::kBadVersion},
      {"version 24 big-endian", bigEndian24, ModeFileError::kBadVersion},
      {"empty", Bytes{}, ModeFileError::kTooShort},
      {"header only", Slice(ValidFile(), 0, 60), ModeFileError::kTooShort},
      {"one byte short", Slice(ValidFile(), 0, kModeFileSize - 1), ModeFileError::kTooShort},
      {"one trailer byte", Slice(ValidFile(), 0, kModeFileSize + 1), ModeFileError::kTruncatedTrailer},
      {"trailer one short", Slice(ValidFile(), 0, kModeFileWithTrailerSize - 1), ModeFileError::kTruncatedTrailer},
      {"one byte past the trailer", [] { Bytes b = ValidFile(); b.push_back(0); return b; }(), ModeFileError::kTooLong},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModeFileContents out;
    const ModeFileResult r = ParseModeFile(c.bytes, out);
    EXPECT_EQ(r.error, c.error);
    EXPECT_FALSE(r.message.empty());
  }
}

// The record list is fixed: a header out of place means the words after it would be taken for
// (and sent to) other parameters. The first bad record is named, by its place and its byte.
TEST(ModeFileParse, ARecordHeaderOutOfPlaceIsRefusedNamingTheFirst) {
  const auto& rows = ParamRows();
  const ParamRow& first = rows.front();
  const ParamRow& middle = rows[117];
  const ParamRow& last = rows.back();
  struct Case {
    const char* what;
    size_t at;      // image offset of the changed byte
    uint8_t value;
    std::string says;
  };
  const Case cases[] = {
      {"first record, module", first.offset, 9,
       "parameter record 1 of 235 (byte 1895) reads module 9, index 0x04, 1 word where module 1, index 0x04, 1 word belongs"},
      {"a middle record, index", static_cast<size_t>(middle.offset + 1), 0xEE,
       "parameter record 118 of 235 (byte " + std::to_string(kImageAt + middle.offset) + ")"},
      {"last record, word count", static_cast<size_t>(last.offset + 2), static_cast<uint8_t>(last.words + 1),
       std::to_string(last.words + 1) + " words where"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = ValidFile();
    bytes[kImageAt + c.at] = c.value;
    ModeFileContents out;
    const ModeFileResult r = ParseModeFile(bytes, out);
    EXPECT_EQ(r.error, ModeFileError::kBadRecord);
    EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
  }
  // Only the headers count: any words under them are the device's business.
  Bytes words = ValidFile();
  PutImageWord(words, 1, 0x04, 0xFFFFFFFF);
  ModeFileContents out;
  EXPECT_TRUE(ParseModeFile(words, out).ok());
}

TEST_F(ModeFileOnDisk, WriteThenReadRestoresEverything) {
  test::RecordingSink sink;
  DeviceModel written;
  SetVersion(written, kCommunicationVersion);
  DeviceSession session(written, sink);
  session.SetParam(1, 0x04, 37);      // microphone 1 volume, percent
  session.SetParam(1, 0x27, 12.5f);   // channel A canceller delay, milliseconds
  session.SetParam(4, 0x12, 5);       // input source
  session.WriteDynamics(3, DynamicsSettings{-6.0f, 4.0f, 10.0f, 200.0f});
  written.Update([](DeviceState& s) {
    s.recordEq[2] = EncodeEqBand(2.5f, 250, 2.0f, 4);
    const EqBandBytes band = EncodeEqBand(-1.0f, 3000, 3.0f, 1);
    std::memcpy(&s.eqTable[static_cast<size_t>(EqBandOffset(0, 10))], band.data(), band.size());
  });

  const fs::path path = dir_ / "room.mode";
  ASSERT_TRUE(WriteModeFile(path, written).ok());
  EXPECT_EQ(fs::file_size(path), static_cast<uintmax_t>(kModeFileWithTrailerSize));
  EXPECT_EQ(Listing(dir_), std::set<std::string>{"room.mode"});

  DeviceModel read;
  ASSERT_TRUE(ReadModeFile(path, read).ok());
  const DeviceState a = written.Snapshot();
  const DeviceState b = read.Snapshot();
  EXPECT_EQ(a.image, b.image);  // the writer copied the EQ table into the image
  EXPECT_EQ(a.recordEq, b.recordEq);
  EXPECT_EQ(b.IntValue(1, 0x04), 37);
  EXPECT_FLOAT_EQ(b.FloatValue(1, 0x27), 12.5f);
  EXPECT_EQ(b.IntValue(4, 0x12), 5);
  EXPECT_EQ(b.Band(0, 10).freq, 3000);
  EXPECT_EQ(b.Band(15, 2).freq, 250);
  EXPECT_FLOAT_EQ(b.derived.compressors[3].threshold, -6.0f);
  EXPECT_NEAR(b.derived.compressors[3].ratio, 4.0f, 1e-4);
  EXPECT_NEAR(b.derived.compressors[3].releaseMs, 200.0f, 1e-2);
  // Reading never takes the device identification from the file.
  EXPECT_EQ(b.info.version, 17);
}

TEST_F(ModeFileOnDisk, ReadDerivesValuesFromTheFileWords) {
  Bytes bytes = ValidFile();
  PutImageWord(bytes, 1, 0x04, FloatBits(0.53f));           // microphone 1 volume: 53 %
  PutImageWord(bytes, 1, 0x28, 1);                          // channel A canceller bypassed
  PutImageWord(bytes, 2, 0x0B, 0x2A);                       // echo ratio kept as a plain integer
  PutImageWord(bytes, 4, 0x10, 5 + 3);                      // pitch +3
  PutImageWord(bytes, 7, 0x11, FloatBits(1.0f), 1);         // output 3 in high-frequency split mode
  PutImageWord(bytes, 6, 0x11, FloatBits(0.0f), 1);         // output 2 in channel-delay mode
  bytes[kImageAt + 0] = 0x00;                               // set 0 band 0 gain code 120: -3 dB
  bytes[kImageAt + 1] = 120;

  DeviceModel model;
  ASSERT_TRUE(ReadModeFile(Put("words.mode", bytes), model).ok());
  const DeviceState s = model.Snapshot();
  EXPECT_EQ(s.IntValue(1, 0x04), 53);
  EXPECT_EQ(s.derived.fbcShift[0], 1);
  EXPECT_EQ(s.derived.fbcShift[1], 5);
  EXPECT_EQ(s.IntValue(2, 0x0B), 0x2A);
  EXPECT_EQ(s.derived.pitch, 3);
  EXPECT_FALSE(s.derived.channelDelay[2]);
  EXPECT_TRUE(s.derived.channelDelay[1]);
  EXPECT_FLOAT_EQ(s.Band(0, 0).gainDb, -3.0f);  // the EQ table follows the image
}

TEST_F(ModeFileOnDisk, RefusedFilesChangeNothing) {
  test::RecordingSink sink;
  DeviceModel model;
  DeviceSession session(model, sink);
  session.SetParam(1, 0x04, 61);
  model.Update([](DeviceState& s) { s.recordEq[0] = EncodeEqBand(6.0f, 75, 1.0f, 1); });
  const DeviceState before = model.Snapshot();

  Bytes changed = ValidFile();
  PutImageWord(changed, 1, 0x04, FloatBits(0.2f));
  Bytes version18 = changed;
  version18[0] = 18;
  struct Case {
    const char* what;
    fs::path path;
    ModeFileError error;
  };
  const Case cases[] = {
      {"version 18", Put("v18.mode", version18), ModeFileError::kBadVersion},
      {"a record header out of place", Put("shifted.mode", [&] {
         Bytes shifted = changed;  // one byte lost in the middle of the record list
         shifted.erase(shifted.begin() + kImageAt + 2500);
         shifted.push_back(0);
         return shifted;
       }()),
       ModeFileError::kBadRecord},
      {"3971 bytes", Put("short.mode", Slice(changed, 0, kModeFileSize - 1)), ModeFileError::kTooShort},
      {"empty", Put("empty.mode", {}), ModeFileError::kTooShort},
      {"3973 bytes", Put("cut1.mode", Slice(changed, 0, kModeFileSize + 1)), ModeFileError::kTruncatedTrailer},
      {"4006 bytes", Put("cut34.mode", Slice(changed, 0, kModeFileWithTrailerSize - 1)), ModeFileError::kTruncatedTrailer},
      {"4008 bytes", Put("long.mode", Bytes(kModeFileWithTrailerSize + 1, 0)), ModeFileError::kTooLong},
      {"missing", dir_ / "absent.mode", ModeFileError::kCannotOpen},
      {"a folder", dir_, ModeFileError::kCannotOpen},
      {"a FIFO nobody writes to", Fifo("pipe.mode"), ModeFileError::kCannotOpen},
      {"a character device", "/dev/null", ModeFileError::kCannotOpen},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ModeFileResult r = ReadModeFile(c.path, model);
    EXPECT_EQ(r.error, c.error) << r.message;
    EXPECT_FALSE(r.message.empty());
    const DeviceState after = model.Snapshot();
    EXPECT_EQ(after.image, before.image);
    EXPECT_EQ(after.eqTable, before.eqTable);
    EXPECT_EQ(after.recordEq, before.recordEq);
    EXPECT_EQ(after.values, before.values);
  }
  Bytes huge = changed;
  huge.resize(10 * 1024 * 1024);
  const ModeFileResult tooLong = ReadModeFile(Put("huge.mode", huge), model);
  EXPECT_NE(tooLong.message.find("10485760 bytes"), std::string::npos) << tooLong.message;
  const ModeFileResult missing = ReadModeFile(dir_ / "absent.mode", model);
  EXPECT_EQ(missing.systemError, ENOENT);
  EXPECT_NE(missing.message.find("absent.mode"), std::string::npos) << missing.message;
}

TEST_F(ModeFileOnDisk, FileWithoutTrailerGetsTheFactoryRecordEq) {
  DeviceModel model;
  model.Update([](DeviceState& s) {
    for (auto& band : s.recordEq) band = EncodeEqBand(9.0f, 5000, 4.0f, 3);
  });
  ASSERT_TRUE(ReadModeFile(Put("plain.mode", ValidFile(false)), model).ok());
  const DeviceState s = model.Snapshot();
  for (int b = 0; b < kRecordEqBands; ++b) {
    SCOPED_TRACE(b);
    EXPECT_EQ(s.recordEq[static_cast<size_t>(b)], EncodeEqBand(DefaultEqBand(kRecordEqSet, b)));
  }
  EXPECT_EQ(s.Band(kRecordEqSet, 4).freq, 800);
}

TEST_F(ModeFileOnDisk, InputSourceIsKeptWithinTheConnectedModel) {
  Bytes bytes = ValidFile();
  bytes[kImageAt + kInputSourceByte] = 4;
  const fs::path path = Put("source4.mode", bytes);
  struct Case {
    const char* module;
    int expected;
  };
  // 4 is offered only by the WX490III; an unknown model keeps whatever the file holds.
  for (const Case& c : {Case{"NR490", 0}, Case{"WX490III", 4}, Case{"KD490", 3}, Case{"NR420", 11},
                        Case{"Unknown", 4}, Case{"nr490", 4}}) {
    SCOPED_TRACE(c.module);
    DeviceModel model;
    SetModule(model, c.module);
    ASSERT_TRUE(ReadModeFile(path, model).ok());
    const DeviceState s = model.Snapshot();
    EXPECT_EQ(s.image[kInputSourceByte], c.expected);
    EXPECT_EQ(s.IntValue(4, 0x12), c.expected);
  }
}

TEST(InputSourceClamp, FollowsEachModelsSources) {
  struct Case {
    const char* module;
    int source;
    int expected;
  };
  const Case cases[] = {
      {"NR420", 8, 8},    {"NR420", 0, 11},  {"F880", 6, 11},   {"NR460", 6, 6},    {"GQ2740", 6, 6},
      {"GQ2740", 12, 0},  {"WX490II", 12, 12}, {"WX490II", 4, 3}, {"NR3.5", 3, 3},  {"NR5200", 3, 0},
      {"PZQ560", 5, 0},   {"F860II", 9, 9},  {"F860II", 0, 11}, {"ML07", 13, 13},   {"H39", 12, 11},
      {"", 200, 200},     {"NR490 ", 4, 4},  {"NR490", 255, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ClampInputSource(c.module, c.source), c.expected) << c.module << " " << c.source;
}

TEST_F(ModeFileOnDisk, FailedWritesLeaveFilesAndFoldersAsTheyWere) {
  DeviceModel model;
  SetVersion(model, kCommunicationVersion);

  model.Update([](DeviceState& s) { s.eqTable[3] ^= 0x40; });  // an edit that only a file could keep
  // Into a folder that does not exist: nothing is created anywhere.
  const ModeFileResult noFolder = WriteModeFile(dir_ / "missing" / "x.mode", model);
  EXPECT_EQ(noFolder.error, ModeFileError::kCannotWrite);
  EXPECT_EQ(noFolder.systemError, ENOENT);
  EXPECT_FALSE(noFolder.message.empty());
  EXPECT_TRUE(Listing(dir_).empty());

  // Over a folder: the temporary file is made, then cannot replace the target, and must go.
  fs::create_directory(dir_ / "taken.mode");
  EXPECT_EQ(WriteModeFile(dir_ / "taken.mode", model).error, ModeFileError::kCannotWrite);
  EXPECT_EQ(Listing(dir_), std::set<std::string>{"taken.mode"});
  EXPECT_TRUE(fs::is_directory(dir_ / "taken.mode"));
  EXPECT_TRUE(model.Read(HasUnkeptEdits)) << "a failed write keeps nothing";
}

TEST_F(ModeFileOnDisk, WriteIntoReadOnlyFolderKeepsTheOldFile) {
  const fs::path ro = dir_ / "ro";
  fs::create_directory(ro);
  const Bytes old = {1, 2, 3};
  const fs::path target = ro / "old.mode";
  Put("ro/old.mode", old);
  fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
  if (std::ofstream(ro / "probe")) {  // Windows, or rights that ignore folder permissions
    fs::remove(ro / "probe");
    GTEST_SKIP() << "the folder still takes new files";
  }

  DeviceModel model;
  const ModeFileResult r = WriteModeFile(target, model);
  EXPECT_EQ(r.error, ModeFileError::kCannotWrite);
  EXPECT_EQ(r.systemError, EACCES);
  EXPECT_EQ(Load(target), old);
  EXPECT_EQ(Listing(ro), std::set<std::string>{"old.mode"});
}

TEST_F(ModeFileOnDisk, WriteReplacesAnExistingFileWhole) {
  const fs::path target = Put("m1.mode", Bytes(5000, 0xEE));
  DeviceModel model;
  SetVersion(model, kCommunicationVersion);
  model.Update([](DeviceState& s) { s.eqTable[3] ^= 0x40; });
  ASSERT_TRUE(WriteModeFile(target, model).ok());
  EXPECT_FALSE(model.Read(HasUnkeptEdits)) << "the file keeps the edit";
  EXPECT_EQ(Load(target), model.Read([](const DeviceState& s) { return SerializeModeFile(s); }));
  EXPECT_EQ(Listing(dir_), std::set<std::string>{"m1.mode"});
}

}  // namespace
}  // namespace nr
