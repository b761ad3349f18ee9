// The emulated device's answers and state, without any transport.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "emu/DeviceCore.h"
#include "link/Commands.h"
#include "link/DeviceModel.h"
#include "link/ParamTable.h"
#include "support/RecordingSink.h"

namespace nr::emu {
namespace {

using test::Hex;
using namespace std::chrono_literals;

// The answers to one command, hex-rendered and joined with " | ".
std::string Ask(DeviceCore& core, std::initializer_list<uint8_t> payload, Clock::time_point now = Clock::now()) {
  const CoreResult r = core.Handle(std::vector<uint8_t>(payload), 0, now);
  std::string out;
  for (const Bytes& reply : r.replies) out += (out.empty() ? "" : " | ") + Hex(reply);
  return out;
}

size_t WordOffset(int module, int index) {
  return static_cast<size_t>(ParamRows()[static_cast<size_t>(FindParamRow(module, index))].WordOffset());
}

ParamImage DefaultImage() {
  ParamImage image{};
  LoadDefaultImage(image);
  return image;
}

TEST(DeviceCore, IdentifiesItself) {
  DeviceCore core;
  EXPECT_EQ(Ask(core, {0x80}), "80 4E 52 34 39 30 00");  // "NR490"
  EXPECT_EQ(Ask(core, {0x81}), "81 32 30 31 38 2D 30 39 2D 31 30 00");
  EXPECT_EQ(Ask(core, {0x7E}).substr(0, 3), "7E ");
  EXPECT_EQ(Ask(core, {0x7F}), "7F 18 00");

  const uint8_t capability[] = {0x55, 0x0F, 0x03, 0x00, 0x01, 0x02};
  core.SetCapability(capability);
  EXPECT_EQ(Ask(core, {0x7F}), "7F 18 00 55 0F 03 00 01 02");

  EmulatorOptions options;
  options.model = "ML07";
  options.version = 23;
  DeviceCore other(DeviceIdentity::From(options));
  EXPECT_EQ(Ask(other, {0x80}), "80 4D 4C 30 37 00");
  EXPECT_EQ(Ask(other, {0x7F}), "7F 17 00");
}

TEST(DeviceCore, ParameterWritesLandInTheRecordOnly) {
  DeviceCore core;
  const ParamImage factory = DefaultImage();
  EXPECT_EQ(core.Image(), factory);

  // Microphone volume (1, 0x0E): one word.
  EXPECT_EQ(Ask(core, {0x09, 0x00, 0x01, 0x0E, 0x01, 0x3F, 0x02, 0x8F, 0x5C}), "09");
  const size_t mic = WordOffset(1, 0x0E);
  const ParamImage afterMic = core.Image();
  EXPECT_EQ(Hex(std::span(afterMic).subspan(mic, 4)), "3F 02 8F 5C");

  // Two words sent to a one-word record: the second must not spill into the next record.
  Ask(core, {0x09, 0x00, 0x01, 0x0F, 0x02, 1, 2, 3, 4, 5, 6, 7, 8});
  ParamImage image = core.Image();
  EXPECT_EQ(Hex(std::span(image).subspan(WordOffset(1, 0x0F), 4)), "01 02 03 04");
  EXPECT_TRUE(std::equal(image.begin() + 1919, image.end(), factory.begin() + 1919));

  // A pair without a record is acknowledged and forgotten.
  EXPECT_EQ(Ask(core, {0x09, 0x00, 0x63, 0x63, 0x01, 9, 9, 9, 9}), "09");
  EXPECT_EQ(core.Image(), image);

  // Fewer word bytes than the count promises: refused whole, not half stored.
  EXPECT_EQ(Ask(core, {0x09, 0x00, 0x04, 0x0E, 0x07, 1, 2, 3, 4}), "");
  EXPECT_EQ(core.Image(), image);

  // The record EQ's band 0 and band 4 share their addresses with the record send (13, 0x00)
  // and the record compressor (13, 0x04): a filter section is neither parameter's value.
  for (uint8_t index : {0x00, 0x04}) {
    std::vector<uint8_t> section{0x09, 0x00, 0x0D, index, 0x05};
    section.resize(section.size() + 20, 0x11);
    EXPECT_EQ(Hex(core.Handle(section).replies.at(0)), "09");
  }
  EXPECT_EQ(core.Image(), image);
}

TEST(DeviceCore, ImageBlocksAreStoredAndReadBackClippedToTheImage) {
  DeviceCore core;
  EXPECT_EQ(Ask(core, {0x85, 0x00, 0x07, 0x03, 0xAA, 0xBB, 0xCC}), "85");
  EXPECT_EQ(Ask(core, {0x30, 0x00, 0x07, 0x03}), "30 00 07 03 AA BB CC");

  std::vector<uint8_t> chunk{0x31, 0x0F, 0x18, 0x30};  // offset 3864, 48 bytes: the last chunk
  for (int i = 0; i < 48; ++i) chunk.push_back(static_cast<uint8_t>(i));
  EXPECT_EQ(core.Handle(chunk).replies, std::vector<Bytes>{{0x31}});
  EXPECT_EQ(core.Image()[3911], 47);
  EXPECT_EQ(Ask(core, {0x32}), "32");

  // A store running past the end keeps what fits; a read past the end returns only what exists.
  std::vector<uint8_t> tail{0x85, 0x0F, 0x3C, 0x14};  // offset 3900, 20 bytes
  tail.resize(4 + 20, 0xEE);
  EXPECT_EQ(core.Handle(tail).replies.size(), 1u);
  EXPECT_EQ(core.Image()[3911], 0xEE);
  const CoreResult read = core.Handle(Bytes{0x30, 0x0F, 0x3C, 0x38});
  ASSERT_EQ(read.replies.size(), 1u);
  EXPECT_EQ(read.replies[0].size(), 4u + 12u);
  EXPECT_EQ(read.replies[0][3], 12);
  EXPECT_EQ(Ask(core, {0x30, 0x0F, 0x48, 0x38}), "30 0F 48 00");  // offset 3912
  // Never more than one USB report's worth, whatever length is asked for.
  EXPECT_EQ(core.Handle(Bytes{0x30, 0x00, 0x00, 0xFF}).replies[0].size(), 60u);

  // A block whose data is shorter than its length byte is refused.
  EXPECT_EQ(Ask(core, {0x85, 0x00, 0x00, 0x05, 0x01}), "");
  EXPECT_EQ(core.Image()[0], DefaultImage()[0]);
}

TEST(DeviceCore, ModeSlotsStoreLoadAndRestore) {
  DeviceCore core;
  const ParamImage factory = DefaultImage();
  const size_t mic = WordOffset(1, 0x0E);
  const auto setMic = [&](uint8_t b) { Ask(core, {0x09, 0x00, 0x01, 0x0E, 0x01, 0, 0, 0, b}); };

  EXPECT_EQ(Ask(core, {0x07}), "07 00");
  setMic(0x11);
  EXPECT_EQ(Ask(core, {0x04, 0x02}), "");  // stored without an answer
  EXPECT_EQ(core.CurrentMode(), 2);
  EXPECT_EQ(core.Slot(2)[mic + 3], 0x11);
  EXPECT_EQ(core.Slot(1), factory);

  // Selecting a mode keeps the image: a bulk write followed by select and store relies on it.
  setMic(0x22);
  EXPECT_EQ(Ask(core, {0x03, 0x01}), "");
  EXPECT_EQ(Ask(core, {0x07}), "07 01");
  EXPECT_EQ(core.Image()[mic + 3], 0x22);

  EXPECT_EQ(Ask(core, {0x05, 0x02}), "05");
  EXPECT_EQ(core.Image()[mic + 3], 0x11);
  EXPECT_EQ(core.CurrentMode(), 2);

  EXPECT_EQ(Ask(core, {0x06, 0x02}), "06");
  EXPECT_EQ(core.Image(), factory);
  EXPECT_EQ(core.Slot(2), factory);

  // There are four slots; a fifth is not a mode, so nothing happens and nothing is answered.
  for (uint8_t code : {0x03, 0x04, 0x05, 0x06}) EXPECT_EQ(Ask(core, {code, 0x04}), "");
  EXPECT_EQ(core.CurrentMode(), 2);
}

// The PC sends these without waiting for anything: an answer would be taken for the answer to the
// next packet. Each still does its work (the tests above and below look at that).
TEST(DeviceCore, CommandsTheDeviceNeverAnswersGetNoReply) {
  DeviceCore core;
  const auto session = core.OpenSession();
  const Clock::time_point t0 = core.Epoch() + 1s;
  for (const Bytes& command : std::vector<Bytes>{{0x03, 0x01}, {0x04, 0x02}, {0x60, 0x03}, {0x61}, {0x68, 0xAA}, {0x8A}}) {
    EXPECT_TRUE(core.Handle(command, session, t0).replies.empty()) << Hex(command);
    EXPECT_TRUE(core.TakeDue(session, t0 + 100ms).empty()) << Hex(command);
  }
}

TEST(DeviceCore, MachineSettingsAndRemoteTable) {
  DeviceCore core;
  EXPECT_EQ(Ask(core, {0x92}), "92 00 00 00 00 00 63 63 00 00 00 00 00 00 00");
  EXPECT_EQ(Ask(core, {0x91, 1, 1, 1, 50, 40, 90, 80, 1, 0x12, 7, 8, 2, 0x11, 9}), "91");
  EXPECT_EQ(Ask(core, {0x92}), "92 01 01 01 32 28 5A 50 01 12 07 08 02 11 09");
  EXPECT_EQ(Ask(core, {0x91, 5, 5}), "");  // a short record is not half written
  EXPECT_EQ(core.Settings()[0], 1);

  Bytes remote{0x63};
  for (int i = 0; i < 30; ++i) remote.push_back(static_cast<uint8_t>(0xA0 + i));
  EXPECT_EQ(core.Handle(remote).replies, std::vector<Bytes>{{0x63}});
  EXPECT_EQ(Ask(core, {0x62}), "62 A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF");
  EXPECT_EQ(core.Remote()[29], 0xBD);
}

TEST(DeviceCore, LearnsARemoteKeyAfterTheDelay) {
  DeviceCore core({}, 700ms);
  const auto s1 = core.OpenSession();
  const auto s2 = core.OpenSession();
  const Clock::time_point t0 = core.Epoch() + 10s;

  EXPECT_TRUE(core.Handle(Bytes{0x60, 0x05}, s1, t0).replies.empty());
  EXPECT_TRUE(core.Learning());
  EXPECT_EQ(core.NextDue(s1), t0 + 700ms);
  EXPECT_TRUE(core.TakeDue(s1, t0 + 699ms).empty());
  EXPECT_TRUE(core.TakeDue(s2, t0 + 2s).empty());  // reported only to the one that asked

  const auto due = core.TakeDue(s1, t0 + 700ms);
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0], (Bytes{0x60, kRemoteId, 0x05, RemoteKeyCode(5)}));
  EXPECT_EQ(core.Remote()[0], kRemoteId);
  EXPECT_EQ(core.Remote()[5], RemoteKeyCode(5));
  EXPECT_TRUE(core.TakeDue(s1, t0 + 5s).empty());  // once only

  // Stop learning, a closed session and a goodbye all abandon the learn.
  core.Handle(Bytes{0x60, 0x07}, s1, t0);
  EXPECT_TRUE(core.Handle(Bytes{0x61}, s1, t0).replies.empty());  // stopping is never answered
  EXPECT_TRUE(core.TakeDue(s1, t0 + 5s).empty());
  core.Handle(Bytes{0x60, 0x07}, s1, t0);
  core.CloseSession(s1);
  EXPECT_FALSE(core.Learning());
  core.Handle(Bytes{0x60, 0x07}, s2, t0);
  EXPECT_TRUE(core.Handle(Bytes{0x8A}, s2, t0).endSession);
  EXPECT_FALSE(core.Learning());
  EXPECT_EQ(core.Remote()[7], 0);

  for (uint8_t bad : {0x00, 0x1A}) core.Handle(Bytes{0x60, bad}, s1, t0);
  EXPECT_FALSE(core.Learning());

  std::set<uint8_t> codes;
  for (int n = 1; n <= kRemoteFunctions; ++n) codes.insert(RemoteKeyCode(n));
  EXPECT_EQ(codes.size(), 25u);
  EXPECT_FALSE(codes.count(0));
}

TEST(DeviceCore, StatusCarriesPitchFormatChipsAndMovingMeters) {
  DeviceCore core;
  const Clock::time_point t = core.Epoch() + 5s;
  const CoreResult r = core.Handle(Bytes{0x0E}, 0, t);
  ASSERT_EQ(r.replies.size(), 1u);
  ASSERT_EQ(r.replies[0].size(), 31u);
  const StatusBytes s = core.Status(t);
  EXPECT_TRUE(std::equal(s.begin(), s.end(), r.replies[0].begin() + 1));
  EXPECT_EQ(s[7], 0x57);  // pitch 0 (stored as 5), DTS-HD
  EXPECT_EQ(Hex(std::span(s).subspan(16, 7)), "01 01 01 01 01 00 02");
  EXPECT_EQ(s[10], 3);  // wireless A channel
  EXPECT_EQ(s[15], 3);  // wireless B battery

  // The pitch nibble follows the pitch word however it was written.
  Ask(core, {0x09, 0x00, 0x04, 0x10, 0x01, 0, 0, 0, 0x08});
  EXPECT_EQ(core.Status(t)[7] >> 4, 8);
  core.SetInputFormat(2);
  EXPECT_EQ(core.Status(t)[7], 0x82);

  // Meters: deterministic, within 0..100, lively over seconds, smooth over milliseconds.
  EXPECT_EQ(core.Status(t), core.Status(t));
  for (int m = 0; m < 6; ++m) {
    int low = 100, high = 0, biggestStep = 0;
    int previous = MeterLevel(m, 0);
    for (int i = 0; i < 6000; ++i) {
      const int v = MeterLevel(m, i * 0.005);
      ASSERT_GE(v, 0);
      ASSERT_LE(v, 100);
      low = std::min(low, v);
      high = std::max(high, v);
      biggestStep = std::max(biggestStep, std::abs(v - previous));
      previous = v;
    }
    EXPECT_GT(high - low, 15) << "meter " << m;
    EXPECT_LT(biggestStep, 15) << "meter " << m;
  }
  int loud = 0;
  for (int i = 0; i < 200; ++i) loud = std::max(loud, MeterLevel(4, i * 0.3));
  EXPECT_GT(loud, 60);  // the music meter reaches the top segments now and then
}

TEST(DeviceCore, ResetSessionEndZWaveAndUnknownCodes) {
  DeviceCore core;
  const ParamImage factory = DefaultImage();
  Ask(core, {0x85, 0x00, 0x00, 0x01, 0x42});
  Ask(core, {0x04, 0x03});
  Ask(core, {0x91, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});

  EXPECT_EQ(Ask(core, {0x68, 0x55}), "");  // not the reset key: nothing happens
  EXPECT_EQ(core.Image()[0], 0x42);
  EXPECT_EQ(Ask(core, {0x68, 0xAA}), "");
  EXPECT_EQ(core.Image(), factory);
  EXPECT_EQ(core.Slot(3), factory);
  EXPECT_EQ(core.CurrentMode(), 0);
  EXPECT_EQ(core.Settings()[5], 99);

  EXPECT_EQ(Ask(core, {0x13, 0x1A, 0xCA, 0x04, 1, 2, 3, 4}), "13");  // runs past 6860: clipped
  EXPECT_EQ(Ask(core, {0x14, 0x1A, 0xCA, 0x1C}), "14 1A CA 02 01 02");
  EXPECT_EQ(Ask(core, {0x14, 0x00, 0x00, 0x02}), "14 00 00 02 00 00");
  EXPECT_EQ(Ask(core, {0x12, 0x03, 0x01, 0x02, 0x03}), "12 01 15");  // not a frame: the controller refuses it

  const CoreResult bye = core.Handle(Bytes{0x8A});
  EXPECT_TRUE(bye.endSession);
  EXPECT_TRUE(bye.replies.empty());
  EXPECT_EQ(Ask(core, {0x33}), "");
  EXPECT_TRUE(core.Handle(Bytes{}).replies.empty());
}

TEST(DeviceCore, AcceptsZeroPaddingOnEveryCommand) {
  // Over USB every payload arrives as 60 bytes; the padding must change nothing.
  const std::vector<Bytes> commands = {
      {0x80}, {0x81}, {0x7E}, {0x7F}, {0x07}, {0x0E}, {0x92}, {0x62}, {0x32}, {0x61},
      {0x03, 1}, {0x04, 2}, {0x05, 2}, {0x06, 3}, {0x30, 0x00, 0x38, 0x38}, {0x14, 0x00, 0x10, 0x1C},
      {0x09, 0x00, 0x01, 0x0E, 0x01, 0x3F, 0x00, 0x00, 0x00}, {0x85, 0x00, 0x10, 0x02, 7, 8},
      {0x31, 0x00, 0x38, 0x03, 1, 2, 3}, {0x13, 0x00, 0x00, 0x01, 9},
      {0x91, 1, 1, 1, 50, 40, 90, 80, 1, 0x12, 7, 8, 2, 0x11, 9}, {0x68, 0xAA}, {0x8A}, {0x60, 4}};
  DeviceCore exact, padded;
  const Clock::time_point t = exact.Epoch() + 1s;
  for (const Bytes& c : commands) {
    Bytes report = c;
    report.resize(60, 0);
    const CoreResult a = exact.Handle(c, 0, t);
    const CoreResult b = padded.Handle(report, 0, t + (padded.Epoch() - exact.Epoch()));
    EXPECT_EQ(a.replies, b.replies) << Hex(c);
    EXPECT_EQ(a.endSession, b.endSession) << Hex(c);
    EXPECT_EQ(exact.Image(), padded.Image()) << Hex(c);
  }
  EXPECT_EQ(exact.Settings(), padded.Settings());
  EXPECT_EQ(exact.ZWaveMemory(), padded.ZWaveMemory());
  EXPECT_EQ(exact.Learning(), padded.Learning());
}

TEST(DeviceCore, LogsEveryPayloadWithItsTime) {
  DeviceCore core;
  const Clock::time_point t = core.Epoch() + 3s;
  core.Handle(Bytes{0x7F}, 0, t);
  core.Handle(Bytes{0x33, 1}, 0, t + 1ms);
  core.Record(0x80, Bytes{0x01, 0x02}, t + 2ms);
  const auto log = core.Log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].at, t);
  EXPECT_EQ(log[1].bytes, (Bytes{0x33, 1}));
  EXPECT_EQ(log[2].channel, 0x80);
  EXPECT_EQ(core.LoggedCodes(), (std::vector<uint8_t>{0x7F, 0x33}));
  core.ClearLog();
  EXPECT_TRUE(core.Log().empty());
}

}  // namespace
}  // namespace nr::emu
