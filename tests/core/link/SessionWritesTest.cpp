// Parameter writes: what reaches the device and what the model keeps.
#include <gtest/gtest.h>

#include <cstring>

#include "eq/BandWrites.h"
#include "eq/Biquad.h"
#include "link/Bytes.h"
#include "link/DeviceSession.h"
#include "link/Dynamics.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Bytes;
using test::Hex;

class SessionWrites : public ::testing::Test {
 protected:
  std::string ImageWord(int module, int index, int words = 1) {
    const ParamRow& row = ParamRows()[static_cast<size_t>(FindParamRow(module, index))];
    return model.Read([&](const DeviceState& s) {
      return Hex(std::span<const uint8_t>(&s.image[static_cast<size_t>(row.WordOffset())], static_cast<size_t>(4 * words)));
    });
  }
  std::vector<std::string> Sent() { return test::HexPayloads(sink); }

  DeviceModel model;
  test::RecordingSink sink;
  DeviceSession session{model, sink};
};

TEST_F(SessionWrites, SetParamStoresConvertsAndSendsOneWord) {
  session.SetParam(1, 0x0E, 51);
  const uint32_t word = FloatBits(static_cast<float>(static_cast<double>(0.51f) + 1e-7));
  uint8_t w[4];
  PutBE32(w, word);
  ASSERT_EQ(Sent().size(), 1u);
  EXPECT_EQ(Sent()[0], "09 00 01 0E 01 " + Hex(w));
  EXPECT_TRUE(sink.Packets()[0].synchronous);
  EXPECT_EQ(ImageWord(1, 0x0E), Hex(w));
  EXPECT_EQ(model.Read([](const DeviceState& s) { return s.IntValue(1, 0x0E); }), 51);

  sink.Clear();
  session.SetParam(1, 0x0E, 0);
  EXPECT_EQ(Sent(), std::vector<std::string>{"09 00 01 0E 01 00 00 00 00"});
}

TEST_F(SessionWrites, SetParamConvertsEachType) {
  session.SetParam(1, 0x27, 25.0f);  // milliseconds to samples
  session.SetParam(1, 0x28, 300);    // low byte only
  session.SetParam(14, 0x00, 220.5f);
  session.SetParam(1, 0x27, 2);      // an int for a millisecond row is taken as milliseconds
  session.SetParam(4, 0x0C, 42.9f);  // a float for a percent row is truncated
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[0], "09 00 01 27 01 00 00 04 B0");
  EXPECT_EQ(sent[1], "09 00 01 28 01 00 00 00 2C");
  EXPECT_EQ(sent[2], "09 00 0E 00 01 43 5C 80 00");
  EXPECT_EQ(sent[3], "09 00 01 27 01 00 00 00 60");
  EXPECT_EQ(model.Read([](const DeviceState& s) { return s.IntValue(4, 0x0C); }), 42);
}

TEST_F(SessionWrites, SetParamIgnoresUnknownPairsAndBlockRecords) {
  const DeviceState before = model.Snapshot();
  session.SetParam(4, 0x21, 3);    // no record
  session.SetParam(1, 0x26, 5);    // feedback-canceller shift: a block record
  session.SetParam(4, 0x10, 2);    // pitch: never mirrored, written as a block
  EXPECT_TRUE(sink.Packets().empty());
  EXPECT_EQ(model.Snapshot().image, before.image);
}

TEST_F(SessionWrites, WriteParamBlockNeverLeavesItsRecord) {
  const uint8_t two[8] = {0x3F, 0x80, 0, 0, 0x3F, 0x80, 0, 0};
  EXPECT_TRUE(session.WriteParamBlock(5, 0x11, two));
  EXPECT_EQ(ImageWord(5, 0x11, 2), "3F 80 00 00 3F 80 00 00");
  EXPECT_EQ(Sent().back(), "09 00 05 11 02 3F 80 00 00 3F 80 00 00");

  // Three words into a two-word record would overwrite the next record: refused whole.
  sink.Clear();
  const DeviceState before = model.Snapshot();
  const uint8_t three[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  EXPECT_FALSE(session.WriteParamBlock(5, 0x11, three));
  EXPECT_TRUE(sink.Packets().empty());
  EXPECT_EQ(model.Snapshot().image, before.image);

  // Pitch has a record but no mirror; unknown pairs are sent but not mirrored.
  const uint8_t pitch[4] = {0, 0, 0, 7};
  EXPECT_TRUE(session.WriteParamBlock(4, 0x10, pitch));
  EXPECT_TRUE(session.WriteParamBlock(4, 0x21, pitch));
  EXPECT_EQ(Sent(), (std::vector<std::string>{"09 00 04 10 01 00 00 00 07", "09 00 04 21 01 00 00 00 07"}));
  EXPECT_EQ(model.Snapshot().image, before.image);
}

TEST_F(SessionWrites, DynamicsBlocksGoToTheirUnits) {
  session.WriteDynamics(8, DynamicsSettings{-12.0f, 4.0f, 10.0f, 200.0f});
  session.WriteDynamics(2, DynamicsSettings{-3.0f, 2.0f, 5.0f, 50.0f});
  session.WriteMusicDynamics(DynamicsSettings{-20.0f, 16.0f, 60.0f, 600.0f});
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].substr(0, 14), "09 00 0D 04 07");
  EXPECT_EQ(sent[1].substr(0, 14), "09 00 07 1B 07");
  EXPECT_EQ(sent[2].substr(0, 14), "09 00 04 0E 07");
  // words: threshold, 0, 1 - 1/ratio, 20, 0.05, attack, release
  EXPECT_EQ(sent[0].substr(15, 59), "C1 40 00 00 00 00 00 00 3F 40 00 00 41 A0 00 00 3D 4C CC CD");
  const DeviceState s = model.Snapshot();
  EXPECT_FLOAT_EQ(s.derived.compressors[8].ratio, 4.0f);
  EXPECT_FLOAT_EQ(s.derived.compressors[2].threshold, -3.0f);
  const DynamicsSettings back = DecodeDynamics(&s.image[static_cast<size_t>(ParamRows()[static_cast<size_t>(FindParamRow(13, 4))].WordOffset())]);
  EXPECT_NEAR(back.attackMs, 10.0f, 1e-3);
  EXPECT_NEAR(back.releaseMs, 200.0f, 1e-1);
}

TEST_F(SessionWrites, WritesWithoutALinkStillChangeTheModel) {
  NullSink none;
  DeviceSession offline(model, none);
  offline.SetParam(4, 0x0C, 77);
  SetEqBand(offline, 6, 2, kPeaking, 120, 4.5f, 2.0f);
  const DeviceState s = model.Snapshot();
  EXPECT_EQ(s.IntValue(4, 0x0C), 77);
  EXPECT_EQ(s.Band(6, 2).freq, 120);
  EXPECT_FLOAT_EQ(s.Band(6, 2).gainDb, 4.5f);
}

TEST_F(SessionWrites, EditsAreUnkeptUntilSomethingKeepsThem) {
  EXPECT_FALSE(model.Read(HasUnkeptEdits)) << "the factory image counts as kept";
  const ParamImage device = model.Read([](const DeviceState& s) { return ScreenImage(s); });

  // A band edit lands in the EQ table only; the screen's image shows it all the same.
  SetEqBand(session, 6, 2, kPeaking, 120, 4.5f, 2.0f);
  session.SetParam(4, 0x0C, 77);
  const DeviceState edited = model.Snapshot();
  EXPECT_TRUE(HasUnkeptEdits(edited));
  const auto band = static_cast<size_t>(EqBandOffset(6, 2));
  EXPECT_NE(edited.image[band + 1], edited.eqTable[band + 1]);
  EXPECT_EQ(Hex(std::span<const uint8_t>(&ScreenImage(edited)[band], 7)), Hex(std::span<const uint8_t>(&edited.eqTable[band], 7)));

  // A read that brings the device's old values would replace the edits; one that brings the
  // screen's own values (the device kept them) would not.
  EXPECT_TRUE(ReadReplacesEdits(edited, device));
  EXPECT_FALSE(ReadReplacesEdits(edited, ScreenImage(edited)));

  model.Update(MarkKept);
  EXPECT_FALSE(model.Read(HasUnkeptEdits));
  EXPECT_FALSE(model.Read([&](const DeviceState& s) { return ReadReplacesEdits(s, device); }))
      << "kept edits are safe: the device's values may come in";
}

TEST_F(SessionWrites, SetEqBandSendsCoefficientsThenTheRecord) {
  SetEqBand(session, 7, 0, kPeaking, 1000, 0.0f, 1.414f);
  const auto sent = sink.Payloads();
  ASSERT_EQ(sent.size(), 2u);
  ASSERT_EQ(sent[0].size(), 25u);
  EXPECT_EQ(Hex(std::span(sent[0]).first(5)), "09 00 05 00 05");
  auto coefficient = [&](int i) { return BitsFloat(GetBE32(&sent[0][static_cast<size_t>(5 + 4 * i)])); };
  EXPECT_FLOAT_EQ(coefficient(2), 1.0f);             // b0 of a flat section
  EXPECT_FLOAT_EQ(coefficient(3), -coefficient(0));  // b1 = a1, sent as -a1
  EXPECT_FLOAT_EQ(coefficient(4), -coefficient(1));  // b2 = a2
  EXPECT_EQ(Hex(sent[1]), "85 01 E3 07 00 96 03 E8 05 86 01");
  EXPECT_EQ(model.Read([](const DeviceState& s) { return Hex(std::span<const uint8_t>(&s.eqTable[483], 7)); }),
            "00 96 03 E8 05 86 01");
}

TEST_F(SessionWrites, RecordEqKeepsItsOwnBandsAndNeverWritesTheImage) {
  const DeviceState before = model.Snapshot();
  SetEqBand(session, 15, 3, kPeaking, 440, -6.0f, 2.5f);
  const auto sent = sink.Payloads();
  ASSERT_EQ(sent.size(), 1u);  // coefficients only: no 0x85 image write
  EXPECT_EQ(Hex(std::span(sent[0]).first(5)), "09 00 0D 03 05");
  const DeviceState after = model.Snapshot();
  EXPECT_EQ(after.eqTable, before.eqTable);  // set 16 band 0 untouched
  EXPECT_EQ(after.Band(15, 3).freq, 440);
  EXPECT_FLOAT_EQ(after.Band(15, 3).gainDb, -6.0f);
  EXPECT_EQ(after.Band(16, 0).freq, 62);
}

TEST_F(SessionWrites, ResetsFlattenEverySetBand) {
  ResetEqSet(session, 0);
  auto sent = sink.Payloads();
  ASSERT_EQ(sent.size(), 30u);
  for (int band = 0; band < 15; ++band) {
    EXPECT_EQ(sent[static_cast<size_t>(2 * band)][0], 0x09);
    EXPECT_EQ(sent[static_cast<size_t>(2 * band)][3], 0x12 + band);
    EXPECT_EQ(sent[static_cast<size_t>(2 * band + 1)][0], 0x85);
  }
  const DeviceState s = model.Snapshot();
  EXPECT_EQ(s.Band(0, 8).freq, 1000);
  EXPECT_NEAR(s.Band(0, 8).q, 1.41f, 1e-6);

  sink.Clear();
  ResetOutputEqSet(session, 9);
  sent = sink.Payloads();
  ASSERT_EQ(sent.size(), 26u);
  const DeviceState r = model.Snapshot();
  EXPECT_EQ(r.Band(9, 9).type, 18);
  EXPECT_EQ(r.Band(9, 10).type, 20);
  EXPECT_EQ(r.Band(9, 10).freq, 100);
  EXPECT_EQ(r.Band(9, 2).freq, 250);
}

}  // namespace
}  // namespace nr
