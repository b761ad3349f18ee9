// Output delay: the split filters, the split mode pair, the delay time and its switch.
#include <gtest/gtest.h>

#include "core/outputs/OutputFixture.h"
#include "eq/Biquad.h"
#include "eq/BandWrites.h"
#include "link/EqLayout.h"
#include "outputs/Delay.h"

namespace nr {
namespace {

class Delays : public test::OutputTest {
 protected:
  EqBand Band(int channel, int band) const { return State().Band(OutputEqSet(channel), band); }
};

TEST_F(Delays, SplitFiltersFollowIndexAndMode) {
  SetDelaySplitMode(session, 2, false);
  EXPECT_FALSE(ChannelDelayMode(State(), 2));
  const auto sent = SentPackets();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(test::Hex(sent[0].data), "3F 80 00 00 3F 80 00 00");  // mode pair: split
  struct Case {
    int index, high, low;
  };
  for (const Case c : {Case{0, 500, 1000}, Case{25, 3000, 3500}, Case{12, 1700, 2200}}) {
    SetDelaySplitFrequency(session, 2, c.index);
    EXPECT_EQ(Band(2, kSplitBandHigh).type, kHighPass);
    EXPECT_EQ(Band(2, kSplitBandHigh).freq, c.high);
    EXPECT_EQ(Band(2, kSplitBandLow).type, kLowPass);
    EXPECT_EQ(Band(2, kSplitBandLow).freq, c.low);
    EXPECT_FLOAT_EQ(Band(2, kSplitBandLow).q, 0.707f);
    EXPECT_EQ(DelaySplitIndex(State(), 2), c.index);
  }
  sink.Clear();
  SetDelaySplitFrequency(session, 2, 26);  // off the grid: not offered, nothing sent
  SetDelaySplitFrequency(session, 2, -1);
  EXPECT_TRUE(sink.Packets().empty());
}

TEST_F(Delays, WholeChannelModeKeepsTheSplitFrequency) {
  SetDelaySplitMode(session, 0, false);
  SetDelaySplitFrequency(session, 0, 7);
  sink.Clear();
  SetDelaySplitMode(session, 0, true);
  EXPECT_EQ(test::Hex(SentPackets()[0].data), "3F 80 00 00 00 00 00 00");
  EXPECT_EQ(Band(0, kSplitBandHigh).type, kPeaking);
  EXPECT_EQ(Band(0, kSplitBandHigh).freq, 1200);
  EXPECT_EQ(Band(0, kSplitBandLow).freq, 1700);
  EXPECT_EQ(Band(0, kSplitBandHigh).gainDb, 0.0f);
  EXPECT_TRUE(ChannelDelayMode(State(), 0));
  SetDelaySplitMode(session, 0, false);
  EXPECT_EQ(Band(0, kSplitBandHigh).type, kHighPass);
  EXPECT_EQ(DelaySplitIndex(State(), 0), 7);
}

TEST_F(Delays, SplitFrequencyOffTheGridReadsAsIndexZero) {
  EXPECT_EQ(SplitIndexOf(500), 0);
  EXPECT_EQ(SplitIndexOf(3000), 25);
  EXPECT_EQ(SplitIndexOf(3100), -1);
  EXPECT_EQ(SplitIndexOf(1250), -1);
  EXPECT_EQ(DelaySplitIndex(State(), 3), 0);  // factory 500 Hz
  SetEqBand(session, OutputEqSet(3), kSplitBandHigh, kPeaking, 16000, 0.0f, 1.41f);
  EXPECT_EQ(DelaySplitIndex(State(), 3), 0);
  SetEqBand(session, OutputEqSet(3), kSplitBandHigh, kPeaking, 2900, 0.0f, 1.41f);
  EXPECT_EQ(DelaySplitIndex(State(), 3), 24);
}

TEST_F(Delays, DelayTimeInTenthsAndItsSwitch) {
  SetDelayTenths(session, 0, 14);    // 1.4 ms: 67 samples
  SetDelayTenths(session, 1, 5);     // below the range: 1.4 ms
  SetDelayTenths(session, 2, 2000);  // above: 100 ms, 4800 samples
  SetDelayOn(session, 3, true);
  SetDelayOn(session, 3, false);
  using W = std::pair<std::string, uint32_t>;
  EXPECT_EQ(Words(), (std::vector<W>{{"5/12", 67}, {"6/12", 67}, {"7/12", 4800}, {"8/13", 0}, {"8/13", 1}}));
  EXPECT_FALSE(DelayOn(State(), 3));
  EXPECT_FLOAT_EQ(DelayMs(State(), 4), 2.0f);  // factory 96 samples
  EXPECT_EQ(DelayTenths(2.0f), 20);
  EXPECT_EQ(DelayTenths(DelayMs(State(), 0)), 14);  // 67 samples read back as 1.3958 ms
  EXPECT_EQ(DelayTenths(250.0f), kDelayMaxTenths);
}

TEST_F(Delays, EveryTenthShowsAsItWasSet) {
  // As the model keeps it (the float the slider sent: 2.6f is 2.5999999) and as the device gives
  // it back (a sample count: 2.6 ms is 125 samples, 2.6042 ms), each tenth shows as itself.
  std::vector<int> wrong;
  for (int tenths = kDelayMinTenths; tenths <= kDelayMaxTenths; ++tenths) {
    SetDelayTenths(session, 1, tenths);
    const float kept = DelayMs(State(), 1);
    const uint32_t samples = EncodeParamWord(ValueType::kMillis, ParamValue::Float(kept));
    const float readBack = DecodeParamWord(ValueType::kMillis, samples).AsFloat();
    if (DelayTenths(kept) != tenths || DelayTenths(readBack) != tenths) wrong.push_back(tenths);
  }
  EXPECT_EQ(wrong, std::vector<int>{});
}

TEST_F(Delays, ModeRadioActsOnLinkedChannels) {
  SetLinkedDelaySplitMode(session, 6, LinkOptions{}, false);
  EXPECT_EQ(Trail().front(), "11/11");
  EXPECT_FALSE(ChannelDelayMode(State(), 6));
  EXPECT_FALSE(ChannelDelayMode(State(), 7));
  EXPECT_TRUE(ChannelDelayMode(State(), 5));
}

}  // namespace
}  // namespace nr
