// The nremu command line.
#include <gtest/gtest.h>

#include "emu/CommandLine.h"

namespace nr::emu {
namespace {

using namespace std::chrono_literals;

std::optional<CommandLine> Parse(std::vector<std::string> args, std::string* error = nullptr) {
  std::string e;
  auto cl = ParseCommandLine(args, e);
  if (error) *error = e;
  return cl;
}

TEST(CommandLine, ParsesEveryOption) {
  const auto cl = Parse({"--bind", "0.0.0.0", "--port=0", "--model", "ML07", "--protocol-version", "23",
                         "--latency-ms", "150", "--silent-after", "2.5", "--drop-after", "10",
                         "--no-answer", "09,0x30,7f", "--garbage", "--trace", "--bad-chunk", "offset:12",
                         "--bad-chunk=skip:69:2", "--bad-write", "code:0", "--error-at-chunk", "5",
                         "--notice-flood", "1000", "--client-watchdog", "4"});
  ASSERT_TRUE(cl);
  const EmulatorOptions& o = cl->options;
  EXPECT_EQ(o.bindAddress, "0.0.0.0");
  EXPECT_EQ(o.port, 0);
  EXPECT_EQ(o.model, "ML07");
  EXPECT_EQ(o.version, 23);
  EXPECT_EQ(o.latency, 150ms);
  EXPECT_EQ(o.silentAfter, 2500ms);
  EXPECT_EQ(o.dropAfter, 10s);
  EXPECT_EQ(o.noAnswer.count(), 3u);
  EXPECT_TRUE(o.noAnswer.test(0x09) && o.noAnswer.test(0x30) && o.noAnswer.test(0x7F));
  EXPECT_TRUE(o.garbage);
  EXPECT_EQ(o.clientWatchdog, 4s);
  EXPECT_TRUE(cl->trace);
  EXPECT_FALSE(cl->help);
  ASSERT_EQ(o.chunkFaults.size(), 3u);
  EXPECT_EQ(o.chunkFaults[0].kind, ChunkFault::Kind::kOffset);
  EXPECT_EQ(o.chunkFaults[0].chunk, 12);
  EXPECT_EQ(o.chunkFaults[0].times, 0);
  EXPECT_EQ(o.chunkFaults[1].kind, ChunkFault::Kind::kSkip);
  EXPECT_EQ(o.chunkFaults[1].times, 2);
  EXPECT_TRUE(o.chunkFaults[2].write && o.chunkFaults[2].kind == ChunkFault::Kind::kCode);
  EXPECT_EQ(o.errorAtChunk, 5);
  EXPECT_EQ(o.noticeFlood, 1000);

  const auto defaults = Parse({});
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->options.port, 30303);
  EXPECT_EQ(defaults->options.bindAddress, "127.0.0.1");
  EXPECT_FALSE(defaults->options.silentAfter);
  EXPECT_TRUE(Parse({"--help"})->help);
}

TEST(CommandLine, CapabilityRecordAndLearningDelay) {
  const auto cl = Parse({"--capability", "55 0F 00 01 00", "--remote-key-ms=20"});
  ASSERT_TRUE(cl);
  EXPECT_EQ(cl->options.capability, (std::vector<uint8_t>{0x55, 0x0F, 0x00, 0x01, 0x00}));
  EXPECT_EQ(cl->options.learnDelay, 20ms);
  EXPECT_EQ(Parse({"--capability", "55,0f,00,01,00,33"})->options.capability.size(), 6u);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--capability", "55 0F 00 01"}, {"--capability", "55 0F 00 01 00 00 00"}, {"--capability", "55 0G 00 01 00"},
           {"--capability", "550F00010"}, {"--remote-key-ms", "-1"}, {"--remote-key-ms"}}) {
    EXPECT_FALSE(Parse(args)) << args[0] << " " << (args.size() > 1 ? args[1] : "");
  }
  EXPECT_EQ(Parse({})->options.learnDelay, 700ms);
}

TEST(CommandLine, RejectsUsageErrors) {
  std::string error;
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--port", "65536"}, {"--port", "-1"}, {"--port", "12x"}, {"--port"}, {"--protocol-version", "256"},
           {"--latency-ms", "-5"}, {"--silent-after", "soon"}, {"--drop-after", "nan"},
           {"--no-answer", "1G"}, {"--no-answer", "09,"}, {"--no-answer", "100"}, {"--frobnicate"},
           {"--garbage=yes"}, {"--model", ""}, {"--bad-chunk", "skip"}, {"--bad-chunk", "skip:70"},
           {"--bad-chunk", "late:1"}, {"--bad-chunk", "skip:1:0"}, {"--bad-write", "offset:1"},
           {"--error-at-chunk", "70"}, {"--notice-flood", "0"}, {"--client-watchdog", "0"}}) {
    EXPECT_FALSE(Parse(args, &error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
  EXPECT_NE(Usage().find("--no-answer"), std::string::npos);
}

TEST(CommandLine, VersionIsTheProgramsAndTheProtocolHasItsOwnOption) {
  EXPECT_TRUE(Parse({"--version"})->showVersion);
  EXPECT_TRUE(Parse({"--version", "--port", "0"})->showVersion);
  EXPECT_EQ(Parse({"--protocol-version", "22"})->options.version, 22);
  // The old spelling "--version N" is refused, naming the option that sets the protocol.
  for (const auto& args : std::vector<std::vector<std::string>>{{"--port", "0", "--version", "23"}, {"--version=23"}}) {
    std::string error;
    EXPECT_FALSE(Parse(args, &error));
    EXPECT_NE(error.find("--protocol-version"), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace nr::emu
