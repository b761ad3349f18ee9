// The features: exciter, max bass, automatic SUB decay and automatic music level writes.
#include <gtest/gtest.h>

#include "inputs/Features.h"
#include "link/EqLayout.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

class FeatureOps : public ::testing::Test {
 protected:
  std::vector<std::string> Sent() { return test::HexPayloads(sink); }
  DeviceModel model;
  test::RecordingSink sink;
  DeviceSession session{model, sink};
};

TEST_F(FeatureOps, AutomaticMusicLevelSwitchAndBlock) {
  SetAutoMusicLevel(session, false);
  SetAutoMusicLevel(session, true);
  SetAutoLevelValue(session, AutoLevelValue::kThreshold, -20);
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0], "09 00 04 0F 01 00 00 00 01");
  EXPECT_EQ(sent[1], "09 00 04 0F 01 00 00 00 00");
  // Threshold -20, 0, 1 - 1/16, 20, 0.05, then the 60 ms attack and 600 ms release of the factory block.
  EXPECT_EQ(sent[2], "09 00 04 0E 07 C1 A0 00 00 00 00 00 00 3F 70 00 00 41 A0 00 00 3D 4C CC CD 39 B6 03 4A 38 11 A2 0E");

  // The other values keep theirs; out-of-range values are held at the control's ends.
  SetAutoLevelValue(session, AutoLevelValue::kAttack, 500);
  SetAutoLevelValue(session, AutoLevelValue::kRatio, 40);
  const FeatureSettings f = ReadFeatures(model.Snapshot());
  EXPECT_TRUE(f.autoLevelOn);
  EXPECT_EQ(f.autoLevelThreshold, -20);
  EXPECT_EQ(f.autoLevelAttack, 100);
  EXPECT_EQ(f.autoLevelRatio, 40);
  EXPECT_EQ(f.autoLevelRelease, 600);
  EXPECT_EQ(Sent().back().substr(39, 11), "3F 40 00 00");  // word 2 = 1 - 1/4
}

TEST_F(FeatureOps, MaxBassFrequencyIsALowPassInItsOwnBandOnly) {
  const EqTable before = model.Read([](const DeviceState& s) { return s.eqTable; });
  SetMaxBassFrequency(session, 20);
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].substr(0, 14), "09 00 04 0A 05");  // coefficients of band 10 of the music set
  EXPECT_EQ(sent[1], "85 01 DC 07 00 96 00 14 02 C3 02");  // record 68: 0 dB, 20 Hz, Q 0.707, low-pass
  const EqTable after = model.Read([](const DeviceState& s) { return s.eqTable; });
  const int first = EqBandOffset(6, 0);
  EXPECT_TRUE(std::equal(after.begin() + first, after.begin() + EqBandOffset(6, 10), before.begin() + first));
  EXPECT_EQ(ReadFeatures(model.Snapshot()).maxBassFrequency, 20);
}

TEST_F(FeatureOps, WritesKeepTheirControlsRanges) {
  SetExciterFrequency(session, ExciterBand::kLow, 10);
  SetExciterGain(session, ExciterBand::kLow, 20);
  SetExciterOn(session, false);
  SetExciterEqOn(session, false);
  SetHarmonic(session, Harmonic::kOrder, 150);
  SetMaxBassDelay(session, 25);
  SetMaxBassGain(session, 400);
  SetAutoSub(session, true);
  SetAutoSubLevel(session, 100);
  EXPECT_EQ(Sent(), (std::vector<std::string>{
                        "09 00 0E 00 01 42 8C 00 00",  // 70 Hz
                        "09 00 0E 01 01 41 40 00 00",  // 12 dB
                        "09 00 0E 0B 01 00 00 00 00",
                        "09 00 0E 0A 01 00 00 00 00",
                        "09 00 0E 07 01 3F 80 00 01",  // 100 %
                        "09 00 04 22 01 00 00 03 C0",  // 20 ms = 960 samples
                        "09 00 04 23 01 40 40 00 00",  // 300 %
                        "09 00 01 0C 01 00 00 00 01",
                        "09 00 01 0D 01 3F 80 00 01",
                    }));
}

TEST_F(FeatureOps, FactorySettingsAndTheExciterEqDisplay) {
  const FeatureSettings f = ReadFeatures(model.Snapshot());
  EXPECT_TRUE(f.exciterOn);
  EXPECT_TRUE(f.exciterEqOn);
  EXPECT_EQ(f.exciterFrequency, (std::array<int, 3>{150, 1200, 3200}));
  EXPECT_EQ(f.exciterGain, (std::array<int, 3>{3, 2, 2}));
  EXPECT_EQ(f.harmonicGain, 48);
  EXPECT_EQ(f.harmonicOrder, 64);
  EXPECT_EQ(f.harmonicMix, 56);
  EXPECT_EQ(f.maxBassFrequency, 100);
  EXPECT_EQ(f.maxBassGain, 0);
  EXPECT_FALSE(f.autoSubOn);
  EXPECT_FALSE(f.autoLevelOn);
  EXPECT_EQ(f.autoLevelRatio, 160);
  EXPECT_EQ(f.autoLevelAttack, 60);
  EXPECT_EQ(f.autoLevelRelease, 600);

  const auto bands = ExciterEqBands(f);
  EXPECT_EQ(bands[0].type, 4);
  EXPECT_EQ(bands[1].type, 1);
  EXPECT_EQ(bands[2].type, 5);
  EXPECT_FLOAT_EQ(bands[0].q, 0.707f);
  EXPECT_FLOAT_EQ(bands[1].q, 1.41f);
  EXPECT_EQ(bands[1].freq, 1200);
  EXPECT_FLOAT_EQ(bands[0].gainDb, 3.0f);
}

}  // namespace
}  // namespace nr
