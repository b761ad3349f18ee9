// Runs the nrctl program itself (its path comes in NRCTL) and checks its output and exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "eq/BandWrites.h"
#include "eq/Biquad.h"
#include "link/Bytes.h"
#include "link/DeviceSession.h"
#include "shell/ModeFile.h"
#include "ProgramRun.h"
#include "support/RecordingSink.h"
#include "support/ScratchDir.h"

namespace nr {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

using test::Quote;
using test::ReadText;
using test::Result;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class Nrctl : public testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("NRCTL");
    if (!path || !*path) GTEST_SKIP() << "NRCTL is not set";
    nrctl_ = path;
  }

  Result Run(const std::vector<std::string>& args) {
    std::string command = Quote(nrctl_);
    for (const std::string& a : args) command += ' ' + Quote(a);
    return test::RunShell(command, dir_ / "stderr.txt");
  }

  // A mode file as a connected session writes it; edit lets a test change the model first.
  template <class Edit>
  fs::path WriteFile(const std::string& name, Edit edit) {
    DeviceModel model;
    model.Update([](DeviceState& s) { s.info.version = kCommunicationVersion; });
    edit(model);
    const fs::path p = dir_ / name;
    EXPECT_TRUE(WriteModeFile(p, model).ok());
    return p;
  }
  fs::path WriteDefaultFile(const std::string& name) {
    return WriteFile(name, [](DeviceModel&) {});
  }
  fs::path PutBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    return p;
  }

  std::string nrctl_;
  test::ScratchDir dir_{"nr_cli"};
};

// The two lines of `design`, checked for format and parsed.
struct DesignOutput {
  std::array<uint32_t, 5> words{};
  std::array<float, 5> values{};
};

DesignOutput ParseDesign(const Result& r) {
  DesignOutput d;
  const std::vector<std::string> lines = Lines(r.out);
  EXPECT_EQ(lines.size(), 2u) << r.out;
  if (lines.size() != 2) return d;
  EXPECT_TRUE(std::regex_match(lines[0], std::regex("[0-9A-F]{8}( [0-9A-F]{8}){4}"))) << lines[0];
  std::istringstream hex(lines[0]);
  for (uint32_t& w : d.words) hex >> std::hex >> w;
  std::istringstream dec(lines[1]);
  for (float& v : d.values) {
    std::string text;
    dec >> text;
    v = std::strtof(text.c_str(), nullptr);
  }
  // Nine significant digits bring every float back exactly.
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(FloatBits(d.values[i]), d.words[i]) << lines[1];
  return d;
}

// The five coefficient words the band writer sends for the band, taken from its packet.
std::array<uint32_t, 5> SentByBandWriter(int type, int freq, float gain, float q) {
  test::RecordingSink sink;
  DeviceModel model;
  DeviceSession session(model, sink);
  SetEqBand(session, 0, 0, type, freq, gain, q);
  std::array<uint32_t, 5> words{};
  const auto payloads = sink.Payloads();
  if (payloads.empty() || payloads[0].size() != 25) {
    ADD_FAILURE() << "no coefficient packet";
    return words;
  }
  for (size_t i = 0; i < 5; ++i) words[i] = GetBE32(&payloads[0][5 + 4 * i]);
  return words;
}

TEST_F(Nrctl, DesignOfAFlatPeakingBand) {
  const Result r = Run({"design", "1", "1000", "0", "1.414"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  const DesignOutput d = ParseDesign(r);
  // 0 dB: b0 = 1, b1 = a1 and b2 = a2, and the device gets -a1, -a2 first.
  EXPECT_EQ(d.words[2], 0x3F800000u);
  EXPECT_EQ(d.words[3], d.words[0] ^ 0x80000000u);
  EXPECT_EQ(d.words[4], d.words[1] ^ 0x80000000u);
  EXPECT_GT(d.values[0], 1.8f);   // -a1 = 2 cos(w) / a0, close to 2 at 1 kHz
  EXPECT_LT(d.values[1], -0.8f);  // -a2
}

TEST_F(Nrctl, DesignPrintsWhatTheBandWriterSends) {
  struct Case {
    std::vector<std::string> args;
    int type, freq;
    float gain, q;
  };
  const Case cases[] = {
      {{"2", "1000", "0", "0.707"}, 2, 1000, 0.0f, 0.707f},
      {{"1", "998", "-3.5", "1.414"}, 1, 998, -3.5f, 1.414f},
      {{"4", "80", "6", "0.7"}, 4, 80, 6.0f, 0.7f},
      {{"5", "4464", "-9", "0.707"}, 5, 4464, -9.0f, 0.707f},
      {{"18", "100", "0", "0.707"}, 18, 100, 0.0f, 0.707f},
      {{"3", "30000", "0", "2"}, 3, 30000, 0.0f, 2.0f},  // above the highest designable frequency
      {{"0", "500", "0", "1"}, 0, 500, 0.0f, 1.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2] + " " + c.args[3]);
    std::vector<std::string> args{"design"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Result r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const DesignOutput d = ParseDesign(r);
    EXPECT_EQ(d.words, SentByBandWriter(c.type, c.freq, c.gain, c.q));
    const auto direct = DeviceCoefficients(DesignBiquad(c.type, c.gain, c.freq, c.q));
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(d.values[i], direct[i]) << i;
  }
}

TEST_F(Nrctl, UsageErrorsExitWithStatus2) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"bogus"},
      {"--frobnicate", "design", "1", "1000", "0", "1"},
      {"--net"},
      {"--net", "host:99999", "design", "1", "1000", "0", "1"},
      {"--net", "host:", "design", "1", "1000", "0", "1"},
      {"--usb", "--net", "host", "design", "1", "1000", "0", "1"},
      {"--net", "h1,h2,h1:30303", "pull", "o-%h.mode"},
      {"design"},
      {"design", "1", "1000", "0"},
      {"design", "1", "1000", "0", "1", "7"},
      {"design", "1", "1000.5", "0", "1"},
      {"design", "1", "1e3", "0", "1"},
      {"design", "1", "0", "0", "1"},
      {"design", "1", "-50", "0", "1"},
      {"design", "1", "65536", "0", "1"},
      {"design", "x", "1000", "0", "1"},
      {"design", "256", "1000", "0", "1"},
      {"design", "1", "1000", "nan", "1"},
      {"design", "1", "1000", "-inf", "1"},
      {"design", "1", "1000", "1e39", "1"},  // finite, but not as the float the band writer takes
      {"design", "1", "1000", "3dB", "1"},
      {"design", "1", "1000", "0", "0"},
      {"design", "1", "1000", "0", "-1"},
      {"design", "1", "1000", "0", "inf"},
      {"design", "1", "1000", "0", "1e-50"},
      {"design", "1", "1000", "0", "1", "--json"},
      {"inspect"},
      {"inspect", "a.mode", "b.mode"},
      {"inspect", "a.mode", "--jsn"},
      {"inspect", "a.mode", "--json=yes"},
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    SCOPED_TRACE(shown);
    const Result r = Run(args);
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find("nrctl"), std::string::npos) << r.err;
  }
}

TEST_F(Nrctl, GlobalOptionsAreAcceptedBeforeAnOfflineCommand) {
  for (const std::vector<std::string>& prefix :
       {std::vector<std::string>{"--net", "192.168.1.123"}, {"--net=[::1]:30303"}, {"--usb", "--trace"}}) {
    std::vector<std::string> args = prefix;
    args.insert(args.end(), {"design", "1", "1000", "0", "1.414"});
    const Result r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 2u);
  }
}

TEST_F(Nrctl, HelpListsCommandsAndShowsTheirUsage) {
  const Result all = Run({"--help"});
  EXPECT_EQ(all.status, 0);
  EXPECT_NE(all.out.find("design"), std::string::npos);
  EXPECT_NE(all.out.find("inspect"), std::string::npos);
  EXPECT_NE(all.out.find("--net HOST[:PORT]"), std::string::npos);

  const Result design = Run({"design", "--help"});
  EXPECT_EQ(design.status, 0);
  EXPECT_EQ(Lines(design.out).at(0), "usage: nrctl design TYPE FREQ GAIN Q");
  const Result inspect = Run({"inspect", "-h"});
  EXPECT_EQ(inspect.status, 0);
  EXPECT_EQ(Lines(inspect.out).at(0), "usage: nrctl inspect FILE [--json]");
}

TEST_F(Nrctl, InspectJsonOfAFactoryFile) {
  const fs::path file = WriteDefaultFile("factory.mode");
  const Result r = Run({"inspect", file.string(), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json j = Json::parse(r.out);  // throws, failing the test, unless it is one JSON value
  ASSERT_TRUE(j.is_object());

  EXPECT_EQ(j["header"], Json::parse(R"({"version":24,"module":"Unknown","mcu":"2016-10-03","dsp":"2016-11-30"})"));
  ASSERT_EQ(j["params"].size(), static_cast<size_t>(kParamRows));
  EXPECT_EQ(j["params"][0], Json::parse(R"({"module":1,"index":4,"type":1,"value":100})"));
  // Rows in table order; blocks carry their words, the others a value of their type.
  for (size_t r2 = 0; r2 < ParamRows().size(); ++r2) {
    const ParamRow& row = ParamRows()[r2];
    const Json& p = j["params"][r2];
    SCOPED_TRACE(r2);
    EXPECT_EQ(p["module"], row.module);
    EXPECT_EQ(p["index"], row.index);
    if (row.type == ValueType::kBlock) {
      ASSERT_TRUE(p.contains("words"));
      EXPECT_FALSE(p.contains("value"));
      ASSERT_EQ(p["words"].size(), row.words);
      char hex[9];
      std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(row.defaults[0]));
      EXPECT_EQ(p["words"][0], hex);
    } else {
      EXPECT_EQ(p["value"].is_number_integer(), !HoldsFloat(row.type));
    }
  }
  const Json delay = j["params"][static_cast<size_t>(FindParamRow(1, 0x27))];
  EXPECT_EQ(delay["value"], 25.0);  // 1200 samples in milliseconds

  EXPECT_EQ(j["eq"][0], Json::parse(R"({"set":0,"band":0,"type":1,"freq":25,"gain":0.0,"q":1.414})"));
  std::map<int, int> bandsPerSet;
  int lastSet = -1, lastBand = -1;
  for (const Json& e : j["eq"]) {
    const int set = e["set"], band = e["band"];
    EXPECT_TRUE(set > lastSet || (set == lastSet && band == lastBand + 1)) << e;
    lastSet = set;
    lastBand = band;
    ++bandsPerSet[set];
  }
  ASSERT_EQ(bandsPerSet.size(), 24u);
  // Every band a set owns, the slots beyond its visible bands included and named.
  for (int set = 0; set < 24; ++set)
    EXPECT_EQ(bandsPerSet[set], set == 15 ? 5 : std::max(EqSetInfo(set).bands, EqSetInfo(set).slotCount)) << set;
  EXPECT_EQ(bandsPerSet[6], 11);
  EXPECT_EQ(bandsPerSet[7], 15);
  int extras = 0;
  for (const Json& e : j["eq"]) {
    if (!e.contains("extra")) continue;
    ++extras;
    EXPECT_EQ(e["extra"], e["set"] == 6 ? "max_bass_lowpass" : "delay_split") << e;
  }
  EXPECT_EQ(extras, 1 + 8 * 2);

  const Json& d = j["derived"];
  ASSERT_EQ(d["compressors"].size(), 9u);
  const DynamicsSettings expected = DeviceModel().Read([](const DeviceState& s) { return s.derived.compressors[0]; });
  for (const Json& c : d["compressors"]) {
    // The decoded float itself, printed shortest: about 29.99998 (its stored word is rounded).
    EXPECT_EQ(static_cast<float>(c["ratio"].get<double>()), expected.ratio);
    EXPECT_NEAR(c["ratio"].get<double>(), 29.99998, 1e-5);
    EXPECT_EQ(c["attack"], 1.0);
    EXPECT_EQ(c["threshold"], 0.0);
  }
  EXPECT_EQ(d["music_dynamics"], Json::parse(R"({"threshold":0.0,"ratio":16.0,"attack":60.0,"release":600.0})"));
  EXPECT_EQ(d["pitch"], 0);
  EXPECT_EQ(d["fbc"], Json::parse("[5,5]"));
  EXPECT_EQ(d["channel_delay"], Json::parse("[true,true,true,true,true,true,true,true]"));
  ASSERT_EQ(d["delay"].size(), 8u);
  EXPECT_EQ(d["delay"][0], Json::parse(R"({"ms":2.0,"on":false,"mode":"channel","split_hz":500})"));
  ASSERT_EQ(d["outputs"].size(), 8u);
  EXPECT_EQ(d["outputs"][4], Json::parse(R"({"position":"SUB","sends":{"direct":100,"reverb":100,"echo":100,"music":100},
                                            "mute":false,"phase":"normal","eq_bypass":false,"compressor_on":false})"));
  EXPECT_EQ(d["room"]["levels"], Json::parse("[0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0]"));
  EXPECT_EQ(d["room"]["located"], 8);
  // Floats are written as their shortest text, not widened to seventeen digits.
  EXPECT_NE(r.out.find("\"q\":1.414}"), std::string::npos);
  EXPECT_EQ(r.out.find("1.41400003"), std::string::npos);
}

TEST_F(Nrctl, InspectShowsTheFilesOwnHeaderAndValues) {
  const fs::path file = WriteFile("edited.mode", [](DeviceModel& model) {
    test::RecordingSink sink;
    DeviceSession session(model, sink);
    session.SetParam(1, 0x04, 37);
    session.SetParam(14, 0x00, 175.5f);  // exciter low frequency, a plain float
    session.WriteDynamics(8, DynamicsSettings{-12.0f, 2.0f, 5.0f, 50.0f});
    SetEqBand(session, 15, 3, 4, 440, -2.5f, 0.9f);
    SetEqBand(session, 16, 7, 1, 7000, 1.5f, 2.0f);
    model.Update([](DeviceState& s) {
      s.info.module.fill(0);
      std::string_view("WX490III").copy(s.info.module.data(), s.info.module.size() - 1);
    });
  });
  const Result r = Run({"inspect", file.string(), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json j = Json::parse(r.out);
  EXPECT_EQ(j["header"]["module"], "WX490III");
  EXPECT_EQ(j["record_eq_trailer"], true);
  EXPECT_EQ(j["params"][0]["value"], 37);
  EXPECT_EQ(j["params"][static_cast<size_t>(FindParamRow(14, 0x00))]["value"], 175.5);
  const Json& record = j["derived"]["compressors"][8];
  EXPECT_EQ(record["threshold"], -12.0);
  EXPECT_NEAR(record["ratio"].get<double>(), 2.0, 1e-5);
  bool sawRecordBand = false, sawAdvancedBand = false;
  for (const Json& e : j["eq"]) {
    if (e["set"] == 15 && e["band"] == 3) {
      sawRecordBand = true;
      EXPECT_EQ(e, Json::parse(R"({"set":15,"band":3,"type":4,"freq":440,"gain":-2.5,"q":0.9})"));
    }
    if (e["set"] == 16 && e["band"] == 7) {
      sawAdvancedBand = true;
      EXPECT_EQ(e, Json::parse(R"({"set":16,"band":7,"type":1,"freq":7000,"gain":1.5,"q":2.0})"));
    }
  }
  EXPECT_TRUE(sawRecordBand);
  EXPECT_TRUE(sawAdvancedBand);
}

TEST_F(Nrctl, InspectSummaryIsReadable) {
  const fs::path file = WriteDefaultFile("factory.mode");
  std::vector<uint8_t> plain(kModeFileSize);
  std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(plain.data()), kModeFileSize);
  const fs::path noTrailer = PutBytes("plain.mode", plain);

  const Result r = Run({"inspect", file.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* expected : {"version  24", "module   Unknown", "record EQ trailer: present", "Module 1: microphones",
                               "(1,0x04)  type 1  100 %", "(1,0x27)  type 4  25 ms", "Set 15: record EQ",
                               "band 0: type 1, 25 Hz, gain 0 dB, Q 1.414", "channel A 5 Hz"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected;

  const Result plainRun = Run({"inspect", noTrailer.string()});
  ASSERT_EQ(plainRun.status, 0) << plainRun.err;
  EXPECT_NE(plainRun.out.find("record EQ trailer: absent"), std::string::npos);
}

TEST_F(Nrctl, InspectRefusesWhatALoadWouldRefuse) {
  std::vector<uint8_t> bytes(kModeFileSize);
  std::ifstream(WriteDefaultFile("good.mode"), std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), kModeFileSize);
  std::vector<uint8_t> v18 = bytes;
  v18[0] = 18;
  std::vector<uint8_t> cut = bytes;
  cut.resize(kModeFileSize + 10);

  struct Case {
    fs::path path;
    const char* reason;
  };
  const Case cases[] = {
      {PutBytes("v18.mode", v18), "version 18"},
      {PutBytes("short.mode", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 3000)), "3000 bytes"},
      {PutBytes("cut.mode", cut), "cut short"},
      {dir_ / "absent.mode", "No such file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string());
    for (bool json : {false, true}) {
      const Result r = json ? Run({"inspect", c.path.string(), "--json"}) : Run({"inspect", c.path.string()});
      EXPECT_EQ(r.status, 3);
      EXPECT_TRUE(r.out.empty()) << r.out;
      EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    }
  }
}

TEST_F(Nrctl, InspectJsonSurvivesHeaderBytesThatAreNotText) {
  std::vector<uint8_t> bytes(kModeFileWithTrailerSize);
  std::ifstream(WriteDefaultFile("good.mode"), std::ios::binary)
      .read(reinterpret_cast<char*>(bytes.data()), kModeFileWithTrailerSize);
  const uint8_t junk[] = {'N', 'R', 0xFF, 0xC3, 0x28, 0x1B, '[', '2', 'J'};
  std::memcpy(&bytes[4], junk, sizeof junk);
  const fs::path file = PutBytes("junk.mode", bytes);

  const Result json = Run({"inspect", file.string(), "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const Json j = Json::parse(json.out);
  EXPECT_EQ(j["header"]["module"].get<std::string>().substr(0, 2), "NR");

  const Result text = Run({"inspect", file.string()});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("NR\\xFF\\xC3(\\x1B[2J"), std::string::npos);
}

}  // namespace
}  // namespace nr
