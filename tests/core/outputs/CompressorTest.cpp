// Compressors of the outputs and the record output: settings as shown, slider rules, the block
// and the switch, and the units' addresses.
#include <gtest/gtest.h>

#include <cmath>

#include "core/outputs/OutputFixture.h"
#include "link/Dynamics.h"
#include "outputs/Compressor.h"
#include "outputs/RecordOutput.h"

namespace nr {
namespace {

class Compressors : public test::OutputTest {
 protected:
  // Word w of the last block sent to (module, index).
  float BlockWord(int module, int index, int w) const {
    float value = NAN;
    for (const test::Sent& s : SentPackets())
      if (s.code == 0x09 && s.module == module && s.index == index && s.words == 7)
        value = BitsFloat(GetBE32(&s.data[static_cast<size_t>(4 * w)]));
    return value;
  }
};

TEST_F(Compressors, FactoryBlockShowsAndResendsWholeUnits) {
  const DeviceState s = State();
  // The factory block decodes with its coefficients' rounding ...
  EXPECT_LT(s.derived.compressors[0].ratio, 30.0f);
  EXPECT_LT(s.derived.compressors[8].releaseMs, 100.0f);
  // ... and is shown rounded to the sliders' units, on every unit.
  for (int unit = 0; unit < kDynamicsUnits; ++unit) {
    const DynamicsSettings d = CompressorSettings(s, unit);
    EXPECT_EQ(d.threshold, 0.0f);
    EXPECT_EQ(d.ratio, 30.0f);
    EXPECT_EQ(d.attackMs, 1.0f) << unit;
    EXPECT_EQ(d.releaseMs, 100.0f);
    EXPECT_FALSE(CompressorOn(s, unit));
  }
  const DynamicsSettings d = CompressorSettings(s, 0);
  EXPECT_EQ(CompressorSliderPosition(d, CompressorSlider::kThreshold), 0);
  EXPECT_EQ(CompressorSliderPosition(d, CompressorSlider::kRatio), 300);
  EXPECT_EQ(CompressorSliderPosition(d, CompressorSlider::kAttack), 1);
  EXPECT_EQ(CompressorSliderPosition(d, CompressorSlider::kRelease), 100);

  // Moving the threshold re-sends the other settings as shown: whole milliseconds (a truncated
  // 0 ms attack would be an instant one) and the ratio of 30:1.
  WriteCompressor(session, 0, WithCompressorSlider(d, CompressorSlider::kThreshold, -12));
  EXPECT_EQ(BlockWord(5, 0x1B, 0), -12.0f);
  EXPECT_EQ(BlockWord(5, 0x1B, 5), static_cast<float>(1.0 - std::exp(-1.0 / 48.0)));
  EXPECT_FLOAT_EQ(BlockWord(5, 0x1B, 6), static_cast<float>(1.0 - std::exp(-1.0 / 4800.0)));
  EXPECT_NEAR(BlockWord(5, 0x1B, 2), 0.966667f, 1e-6);
}

TEST_F(Compressors, SliderPositionsBecomeSettings) {
  DynamicsSettings d = CompressorSettings(State(), 8);
  d = WithCompressorSlider(d, CompressorSlider::kRatio, 40);
  EXPECT_EQ(d.ratio, 4.0f);
  d = WithCompressorSlider(d, CompressorSlider::kAttack, 25);
  d = WithCompressorSlider(d, CompressorSlider::kRelease, 999);
  EXPECT_EQ(d.attackMs, 25.0f);
  EXPECT_EQ(d.releaseMs, 999.0f);
  EXPECT_EQ(WithCompressorSlider(d, CompressorSlider::kRatio, 15).ratio, static_cast<float>(1.5));
  // Out-of-range values are shown clamped to the slider.
  EXPECT_EQ(CompressorSliderPosition(DynamicsSettings{-80, 0.5f, 0.2f, 5000}, CompressorSlider::kThreshold), -60);
  EXPECT_EQ(CompressorSliderPosition(DynamicsSettings{-80, 0.5f, 0.2f, 5000}, CompressorSlider::kRatio), 10);
  EXPECT_EQ(CompressorSliderPosition(DynamicsSettings{-80, 0.5f, 0.2f, 5000}, CompressorSlider::kAttack), 1);
  EXPECT_EQ(CompressorSliderPosition(DynamicsSettings{-80, 0.5f, 0.2f, 5000}, CompressorSlider::kRelease), 1000);
}

TEST_F(Compressors, RecordUnitWritesModule13AndOutputsTheirOwn) {
  WriteCompressor(session, kRecordUnit, WithCompressorSlider(CompressorSettings(State(), 8), CompressorSlider::kRatio, 40));
  EXPECT_FLOAT_EQ(BlockWord(13, 0x04, 2), 0.75f);
  EXPECT_EQ(BlockWord(13, 0x04, 0), 0.0f);
  EXPECT_EQ(BlockWord(13, 0x04, 3), 20.0f);
  EXPECT_EQ(BlockWord(13, 0x04, 4), 0.05f);
  EXPECT_EQ(State().derived.compressors[8].ratio, 4.0f);
  SetCompressorOn(session, kRecordUnit, true);
  SetCompressorOn(session, kRecordUnit, false);
  SetCompressorOn(session, 2, true);
  using W = std::pair<std::string, uint32_t>;
  EXPECT_EQ(Words(), (std::vector<W>{{"13/05", 0}, {"13/05", 1}, {"7/1C", 0}}));
  EXPECT_TRUE(CompressorOn(State(), 2));

  // A ratio below 1:1 would turn the block's second word negative: limited to 1:1 (word 0).
  sink.Clear();
  WriteCompressor(session, 3, DynamicsSettings{0, 0.0f, 1, 100});
  EXPECT_EQ(BlockWord(8, 0x1B, 2), 0.0f);
}

TEST_F(Compressors, OffGridValuesAreRoundedOnceAndSentAsShown) {
  // Whole dB, tenths of the ratio, whole ms, half away from zero: the block carries exactly the
  // settings the labels then show.
  struct Case {
    DynamicsSettings given, sent;
  };
  const Case cases[] = {
      {{-20.5f, 4.25f, 2.5f, 99.5f}, {-21, 4.3f, 3, 100}},
      {{-20.4f, 4.24f, 2.4f, 99.4f}, {-20, 4.2f, 2, 99}},
      {{-0.4f, 1.04f, 1.4f, 1000.4f}, {0, 1.0f, 1, 1000}},
      {{-59.6f, 29.96f, 99.6f, 0.6f}, {-60, 30.0f, 100, 1}},
  };
  for (const Case& c : cases) {
    sink.Clear();
    WriteCompressor(session, 4, c.given);
    const DynamicsBlock block = EncodeDynamics(c.sent);
    for (int w = 0; w < 7; ++w)  // bit for bit: -0.4 dB is sent as 0 dB, not as -0
      EXPECT_EQ(FloatBits(BlockWord(9, 0x1B, w)), GetBE32(&block[static_cast<size_t>(4 * w)])) << w;
    const DynamicsSettings shown = CompressorSettings(State(), 4);
    EXPECT_EQ(shown.threshold, c.sent.threshold);
    EXPECT_EQ(shown.ratio, c.sent.ratio);
    EXPECT_EQ(shown.attackMs, c.sent.attackMs);
    EXPECT_EQ(shown.releaseMs, c.sent.releaseMs);
  }
}

TEST_F(Compressors, LinkedWritesCarryTheCurrentChannelsSettings) {
  WriteCompressor(session, 0, DynamicsSettings{-30, 8.0f, 5, 300});
  sink.Clear();
  const DynamicsSettings d = WithCompressorSlider(CompressorSettings(State(), 0), CompressorSlider::kRatio, 40);
  WriteLinkedCompressor(session, 0, LinkOptions{}, d);
  SetLinkedCompressorOn(session, 0, LinkOptions{}, true);
  EXPECT_EQ(Trail(), (std::vector<std::string>{"5/1B", "6/1B", "5/1C", "6/1C"}));
  for (int module : {5, 6}) {
    EXPECT_EQ(BlockWord(module, 0x1B, 0), -30.0f);
    EXPECT_FLOAT_EQ(BlockWord(module, 0x1B, 2), 0.75f);
  }
  EXPECT_EQ(CompressorSettings(State(), 1).releaseMs, 300.0f);
}

TEST_F(Compressors, RecordSendsAndLevel) {
  SetRecordLevel(session, 50);
  SetRecordSend(session, kSendMusic, 30);
  SetRecordSend(session, 4, 30);  // not a send
  using W = std::pair<std::string, uint32_t>;
  EXPECT_EQ(Words(), (std::vector<W>{{"13/06", test::Percent(50)}, {"13/03", test::Percent(30)}}));
  EXPECT_EQ(RecordLevel(State()), 50);
  EXPECT_EQ(RecordSend(State(), kSendMusic), 30);
}

}  // namespace
}  // namespace nr
