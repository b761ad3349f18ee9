// Commands on mode files instead of a device (--file), filter lists in and out of an EQ set, and
// the comparison of presets.
#include <nlohmann/json.hpp>

#include "DeviceFixture.h"
#include "inputs/InputSources.h"
#include "link/EqLayout.h"

namespace nr::devtest {
namespace {

struct Range {
  size_t begin, end;  // file offsets, end excluded
};

Range ParamBytes(int module, int index) {
  const size_t at = kModeFileHeaderSize + static_cast<size_t>(WordOffset(module, index));
  const int row = FindParamRow(module, index);
  return {at, at + 4 * ParamRows()[static_cast<size_t>(row)].words};
}
Range BandBytes(int set, int firstBand, int bands = 1) {
  const size_t at = kModeFileHeaderSize + static_cast<size_t>(EqBandOffset(set, firstBand));
  return {at, at + static_cast<size_t>(kEqBandBytes * bands)};
}
Range RecordEqBytes(int band) {
  const size_t at = kModeFileSize + static_cast<size_t>(kEqBandBytes * band);
  return {at, at + kEqBandBytes};
}

// Offsets where two files differ, and whether each lies in one of the allowed ranges.
std::vector<size_t> ChangedOutside(const Bytes& before, const Bytes& after, const std::vector<Range>& allowed) {
  std::vector<size_t> outside;
  for (size_t i = 0; i < std::min(before.size(), after.size()); ++i) {
    if (before[i] == after[i]) continue;
    const bool inside = std::any_of(allowed.begin(), allowed.end(), [&](const Range& r) { return i >= r.begin && i < r.end; });
    if (!inside) outside.push_back(i);
  }
  return outside;
}

constexpr std::string_view kList =
    "Filter Settings file\n"
    "Filter  1: ON  PK       Fc   63.0 Hz  Gain  -4.5 dB  Q  2.500\n"
    "Filter  2: ON  HS       Fc   8000 Hz  Gain  -2.0 dB\n";

class PresetFiles : public DeviceCommands {
 protected:
  // A preset from another model, with bytes a careless rewrite would not keep: the header's two
  // spare bytes, and a music source the ML07 does not offer (loading it into a device would
  // change that).
  Bytes Unusual() {
    Bytes bytes = DefaultModeFile();
    const char model[] = "ML07";
    std::copy(model, model + 4, bytes.begin() + 4);
    bytes[58] = 0xAB;
    bytes[59] = 0xCD;
    const Range source = ParamBytes(kSourceModule, kSelectedSourceIndex);
    const Bytes word = WordBytes(FloatBits(13.0f));
    std::copy(word.begin(), word.end(), bytes.begin() + static_cast<long>(source.begin));
    return bytes;
  }
  fs::path Write(const std::string& name, const Bytes& bytes) {
    const fs::path p = dir_ / name;
    WriteBytes(p, bytes);
    return p;
  }
};

TEST_F(PresetFiles, EachCommandChangesOnlyItsOwnRecordsOfTheFile) {
  const fs::path list = dir_ / "list.txt";
  std::ofstream(list) << kList;
  struct Case {
    std::vector<std::string> args;
    std::vector<Range> allowed;
    bool recordEq = false;  // changes the record EQ, which the file keeps after the image
  };
  const std::vector<Case> cases = {
      {{"set", "1", "0x0E", "51"}, {ParamBytes(1, 0x0E)}},
      {{"block", "1", "0x0E", "3F4CCCCD"}, {ParamBytes(1, 0x0E)}},
      {{"eq", "7", "3", "1", "250", "-3", "2"}, {BandBytes(7, 3)}},
      {{"eq", "15", "2", "1", "200", "-3", "2"}, {RecordEqBytes(2)}, true},
      {{"eq-import", "8", list.string()}, {BandBytes(8, 0, 9)}},
      {{"comp", "2", "--threshold", "-20"}, {{kModeFileHeaderSize, kModeFileSize}}},
      {{"output", "2"}, {}},              // shows the channel, changes nothing
      {{"features"}, {}},
      {{"source", "--json"}, {}},
      {{"input", "mic2.channel", "B", "echo.a.decay", "30"},
       {ParamBytes(1, 0x23), ParamBytes(1, 0x3A), ParamBytes(2, 0x0E), ParamBytes(2, 0x10)}},
  };
  const Bytes original = Unusual();
  Bytes withoutTrailer(original.begin(), original.begin() + kModeFileSize);
  for (const Case& c : cases) {
    for (const Bytes& start : {original, withoutTrailer}) {
      const fs::path file = Write("edit.mode", start);
      std::vector<std::string> args = c.args;
      args.insert(args.end(), {"--file", file.string()});
      const Result r = Run(args);
      const std::string what = c.args[0] + (start.size() == original.size() ? " (trailer)" : " (no trailer)");
      ASSERT_EQ(r.status, 0) << what << ": " << r.err;
      const Bytes after = ReadBytes(file);
      EXPECT_EQ(after.size(), c.recordEq ? size_t{kModeFileWithTrailerSize} : start.size()) << what;
      EXPECT_EQ(ChangedOutside(start, after, c.allowed), std::vector<size_t>{}) << what;
      if (!c.allowed.empty()) {
        EXPECT_NE(after, start) << what << " changed nothing";
      }
    }
  }
}

TEST_F(PresetFiles, AFileKeepsNoPitch) {
  const fs::path file = Write("edit.mode", DefaultModeFile());
  const Result r = Run({"input", "pitch", "2", "--file", file.string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("a mode file keeps no pitch"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(file), DefaultModeFile());
}

TEST_F(PresetFiles, AFileEditEqualsTheSameCommandOnTheDevice) {
  const Bytes original = DefaultModeFile();
  StartEmulator();
  const std::vector<std::vector<std::string>> commands = {
      {"output", "2", "--position", "SUB", "--eq-reset", "--mute", "on", "--music", "40"},
      {"room", "--size", "6", "5", "--listener", "0.5", "1", "--speaker", "2", "1", "2"},
      {"adv-eq", "3", "--reset", "--bypass", "on"},
      {"delay", "4", "--ms", "12.5", "--on", "--split-hz", "1200"},
  };
  const fs::path file = Write("edit.mode", original);
  size_t goodbyes = 0;
  ASSERT_EQ(RunOnDevice({"push", file.string()}).status, 0);
  ASSERT_TRUE(emu_->WaitForGoodbyes(++goodbyes));
  for (const auto& command : commands) {
    std::vector<std::string> onFile = command;
    onFile.insert(onFile.end(), {"--file", file.string()});
    ASSERT_EQ(Run(onFile).status, 0) << command[0];
    const Result r = RunOnDevice(command);
    ASSERT_EQ(r.status, 0) << command[0] << ": " << r.err;
    ASSERT_TRUE(emu_->WaitForGoodbyes(++goodbyes));
  }
  const fs::path pulled = dir_ / "pulled.mode";
  ASSERT_EQ(RunOnDevice({"pull", pulled.string()}).status, 0);
  const Bytes device = ReadBytes(pulled), edited = ReadBytes(file);
  ASSERT_EQ(device.size(), edited.size());
  EXPECT_TRUE(std::equal(device.begin() + kModeFileHeaderSize, device.end(), edited.begin() + kModeFileHeaderSize));
  EXPECT_NE(edited, original);
}

TEST_F(PresetFiles, ARefusedFileOrListExitsWith3AndChangesNothing) {
  const Bytes good = Unusual();
  Bytes otherVersion = good;
  otherVersion[0] = 23;
  Bytes damaged = good;  // the word count of the microphone 2 volume's record
  damaged[kModeFileHeaderSize + static_cast<size_t>(ParamRows()[1].offset) + 2] = 2;
  const fs::path badList = dir_ / "bad.txt";
  std::ofstream(badList) << "Filter 1: ON PK Fc 100 Hz Gain -20 dB Q 1\nFilter 2: ON BP Fc 100 Hz Q 1\n";
  struct Case {
    Bytes file;
    std::vector<std::string> args;
    std::string says;
  };
  const std::vector<Case> cases = {
      {Bytes(100, 0), {"set", "1", "0x0E", "51"}, "the file holds 100 bytes; a mode file holds at least 3972"},
      {otherVersion, {"eq", "7", "3", "1", "250", "-3", "2"}, "command version 23 is not supported"},
      {Bytes(4100, 0), {"features", "--exciter", "on"}, "the file holds 4100 bytes; a mode file holds at most 4007"},
      {good, {"eq-import", "7", badList.string()}, "bad.txt: line 1: gain -20.0 dB is outside -15 .. +15 dB"},
      {damaged, {"set", "1", "0x0E", "51"},
       "parameter record 2 of 235 (byte 1902) reads module 1, index 0x05, 2 words where module 1, index 0x05, 1 word "
       "belongs: the file is damaged"},
      {damaged, {"eq-export", "7"}, "parameter record 2 of 235"},
  };
  for (const Case& c : cases) {
    const fs::path file = Write("edit.mode", c.file);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--file", file.string()});
    const Result r = Run(args);
    EXPECT_EQ(r.status, 3) << c.args[0];
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(file), c.file) << c.args[0];
  }
  EXPECT_EQ(Run({"--file", (dir_ / "edit.mode").string(), "info"}).status, 2);
  EXPECT_EQ(Run({"--file", (dir_ / "edit.mode").string(), "--net", "127.0.0.1", "set", "1", "0x0E", "51"}).status, 2);
  // A mode line of a batch is a bad line on a file; the other lines still apply.
  const fs::path file = Write("edit.mode", good);
  const Result batch = Run({"batch", "--file", file.string()}, "set 1 0x0E 51\nmode load 2\n");
  EXPECT_EQ(batch.status, 2);
  EXPECT_NE(batch.err.find("line 2: mode switches need a device"), std::string::npos);
  EXPECT_EQ(ChangedOutside(good, ReadBytes(file), {ParamBytes(1, 0x0E)}), std::vector<size_t>{});
  EXPECT_NE(ReadBytes(file), good);
}

// Runs on one file at the same time take turns: each edits what the one before saved, so every
// change is in the file once all have said done.
TEST_F(PresetFiles, ParallelEditsOfOneFileAllKeepTheirChange) {
  const fs::path file = Write("shared.mode", Unusual());
  struct Edit {
    int module, index;
    pid_t pid = -1;
  };
  std::vector<Edit> edits;
  for (int module = 5; module <= 12; ++module)
    for (int index = 0x14; index <= 0x16; ++index) edits.push_back({module, index});
  for (size_t i = 0; i < edits.size(); ++i) {
    Edit& e = edits[i];
    const std::string tag = std::to_string(i);
    e.pid = Spawn({nrctl_.string(), "--file", file.string(), "set", std::to_string(e.module), std::to_string(e.index), "37"},
                  "/dev/null", dir_ / ("set" + tag + ".out"), dir_ / ("set" + tag + ".err"));
    ASSERT_GT(e.pid, 0);
  }
  for (size_t i = 0; i < edits.size(); ++i)
    EXPECT_EQ(WaitForExit(edits[i].pid, kRunTimeout), 0) << ReadText(dir_ / ("set" + std::to_string(i) + ".err"));
  const Bytes after = ReadBytes(file);
  const Bytes percent37 = WordBytes(EncodeParamWord(ValueType::kPercent, ParamValue::Int(37)));
  std::vector<Range> allowed;
  for (const Edit& e : edits) {
    const Range r = ParamBytes(e.module, e.index);
    allowed.push_back(r);
    EXPECT_EQ(Bytes(after.begin() + static_cast<long>(r.begin), after.begin() + static_cast<long>(r.end)), percent37)
        << "module " << e.module << " index " << e.index << " lost its change";
  }
  EXPECT_EQ(ChangedOutside(Unusual(), after, allowed), std::vector<size_t>{});
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()),
            std::count_if(fs::directory_iterator(dir_), fs::directory_iterator(),
                          [](const fs::directory_entry& e) { return e.path().filename().string().find(".tmp-") == std::string::npos; }))
      << "no temporary is left behind";
}

// A file that holds no filter is no list: it is refused, not read as "nothing, the rest flat".
// The same list reads alike in every encoding an editor saves, and a list too long for the set
// goes in only when asked to leave out its weakest filters.
TEST_F(PresetFiles, ListsAreReadInAnyEncodingAndRefusedWhenTheyHoldNoFilterOrTooMany) {
  const Bytes original = Unusual();
  const auto put = [&](const std::string& name, const std::string& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  };
  std::string random;
  for (int i = 0; i < 1000; ++i) random += static_cast<char>((i * 131 + 7) % 256);
  std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF", noMark;
  for (char c : kList) {
    utf16le += std::string{c, '\0'};
    utf16be += std::string{'\0', c};
    noMark += std::string{c, '\0'};
  }
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
           {"empty.txt", ""},
           {"header.txt", "Filter Settings file\n\nNotes: left\n\nEqualiser: Generic\n"},
           {"random.bin", random},
           {"utf16-without-mark.txt", noMark}}) {
    SCOPED_TRACE(name);
    const fs::path file = Write("edit.mode", original);
    const Result r = Run({"eq-import", "7", put(name, bytes).string(), "--file", file.string()});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find(name + ": no filter lines"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(file), original);
  }

  Bytes expected;
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
           {"utf8.txt", std::string(kList)},
           {"utf8-mark.txt", "\xEF\xBB\xBF" + std::string(kList)},
           {"utf16le.txt", utf16le},
           {"utf16be.txt", utf16be}}) {
    SCOPED_TRACE(name);
    const fs::path file = Write("edit.mode", original);
    const Result r = Run({"eq-import", "7", put(name, bytes).string(), "--file", file.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "set 7 (output 1 EQ): 2 of 9 bands from the list, the rest flat\n");
    if (expected.empty()) expected = ReadBytes(file);
    EXPECT_EQ(ReadBytes(file), expected);
  }
  EXPECT_NE(expected, original);

  std::string ten;
  for (int i = 1; i <= 10; ++i)
    ten += "Filter " + std::to_string(i) + ": ON PK Fc " + std::to_string(100 * i) + " Hz Gain " + std::to_string(i) + " dB Q 2\n";
  const fs::path list = put("ten.txt", ten);
  const fs::path file = Write("edit.mode", original);
  const Result refused = Run({"eq-import", "7", list.string(), "--file", file.string()});
  EXPECT_EQ(refused.status, 3);
  EXPECT_NE(refused.err.find("ten.txt: line 10: the list holds 10 filters; set 7 takes at most 9"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--drop-smallest leaves out the 1 filter(s) of least effect"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadBytes(file), original);
  const Result fitted = Run({"eq-import", "7", list.string(), "--drop-smallest", "--file", file.string()});
  ASSERT_EQ(fitted.status, 0) << fitted.err;
  EXPECT_EQ(fitted.out, "set 7 (output 1 EQ): 9 of 9 bands from the list\nnote: line 1: PK at 100 Hz, 1.0 dB, left out\n");
  EXPECT_EQ(ChangedOutside(original, ReadBytes(file), {BandBytes(7, 0, 9)}), std::vector<size_t>{});
}

TEST_F(PresetFiles, AnExportedSetImportsBackAndTheDiffNamesTheChangedBand) {
  const fs::path a = Write("a.mode", Unusual());
  const fs::path b = Write("b.mode", Unusual());
  // The same file compares equal, silently.
  const Result same = Run({"diff", a.string(), a.string()});
  EXPECT_EQ(same.status, 0);
  EXPECT_EQ(same.out, "");

  // One band changed: that band, on its page, both values decoded.
  ASSERT_EQ(Run({"eq", "8", "3", "1", "250", "-3", "2", "--file", b.string()}).status, 0);
  const Result changed = Run({"diff", a.string(), b.string()});
  EXPECT_EQ(changed.status, 1);
  EXPECT_EQ(changed.out, "Output 2\n  set 8 band 3 (output 2 EQ): PEQ 250 Hz, 0 dB, Q 1.414 -> PEQ 250 Hz, -3 dB, Q 2\n");
  const Result json = Run({"diff", a.string(), b.string(), "--json"});
  EXPECT_EQ(json.status, 1);
  const nlohmann::json parsed = nlohmann::json::parse(json.out);
  EXPECT_FALSE(parsed["equal"]);
  ASSERT_EQ(parsed["differences"].size(), 1u);
  EXPECT_EQ(parsed["differences"][0]["item"], "set 8 band 3 (output 2 EQ)");
  EXPECT_EQ(Run({"diff", a.string(), (dir_ / "missing.mode").string()}).status, 3);

  // Export the edited set, import it into the other file: the two presets are equal again.
  const fs::path list = dir_ / "set8.txt";
  ASSERT_EQ(Run({"eq-export", "8", list.string(), "--file", b.string()}).status, 0);
  EXPECT_NE(ReadText(list).find("Filter  4: ON  PK       Fc  250.0 Hz  Gain  -3.0 dB  Q  2.000\n"), std::string::npos);
  const Result imported = Run({"eq-import", "8", list.string(), "--file", a.string()});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.out, "set 8 (output 2 EQ): 9 of 9 bands from the list\n");
  EXPECT_EQ(Run({"diff", a.string(), b.string()}).status, 0);
}

TEST_F(PresetFiles, TheDeviceComparesWithAFileAndTakesAnImportedList) {
  StartEmulator();
  const fs::path list = dir_ / "list.txt";
  std::ofstream(list) << kList;
  const Result imported = RunOnDevice({"eq-import", "16", list.string()});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.out, "set 16 (output 1 advanced EQ): 2 of 8 bands from the list, the rest flat\n");
  ASSERT_TRUE(emu_->WaitForGoodbyes(1));
  // The two listed bands went out; the others were flat already and are left as they are.
  size_t records = 0;
  for (const Bytes& p : emu_->Received()) records += p.size() > 2 && p[0] == 0x85;
  EXPECT_EQ(records, 2u);

  const fs::path pulled = dir_ / "pulled.mode";
  ASSERT_EQ(RunOnDevice({"pull", pulled.string()}).status, 0);
  ASSERT_TRUE(emu_->WaitForGoodbyes(2));
  EXPECT_EQ(RunOnDevice({"diff", "device", pulled.string()}).status, 0);
  ASSERT_TRUE(emu_->WaitForGoodbyes(3));
  // The device does not report its record EQ: a file's own record EQ is no difference from it,
  // while two files still differ by theirs.
  const fs::path recorded = dir_ / "recorded.mode";
  fs::copy_file(pulled, recorded);
  ASSERT_EQ(Run({"eq", "15", "2", "1", "200", "-3", "2", "--file", recorded.string()}).status, 0);
  EXPECT_EQ(RunOnDevice({"diff", recorded.string(), "device"}).status, 0);
  ASSERT_TRUE(emu_->WaitForGoodbyes(4));
  EXPECT_EQ(Run({"diff", recorded.string(), pulled.string()}).status, 1);
  const Result exported = RunOnDevice({"eq-export", "16"});
  EXPECT_EQ(exported.status, 0);
  EXPECT_NE(exported.out.find("Filter  2: ON  HS       Fc 8000.0 Hz  Gain  -2.0 dB\n"), std::string::npos) << exported.out;

  // A shorter list makes the device's further bands flat: the shelf the first list set goes.
  std::ofstream(list) << "Filter  1: ON  PK       Fc   63.0 Hz  Gain  -4.5 dB  Q  2.500\n";
  ASSERT_EQ(RunOnDevice({"eq-import", "16", list.string()}).status, 0);
  const Result again = RunOnDevice({"eq-export", "16"});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out.find("HS       Fc 8000.0 Hz"), std::string::npos) << again.out;
}

}  // namespace
}  // namespace nr::devtest
