// The advanced EQ: bypass order over linked channels, reset and band writes per channel.
#include <gtest/gtest.h>

#include "core/outputs/OutputFixture.h"
#include "link/EqLayout.h"
#include "outputs/AdvancedEq.h"

namespace nr {
namespace {

using Names = std::vector<std::string>;

class AdvancedEq : public test::OutputTest {};

TEST_F(AdvancedEq, BypassSwitchesTheChannelEqThenTheAdvancedEqOfEveryLinkedChannel) {
  EXPECT_TRUE(AdvancedEqBypassed(State(), 0));  // factory: bypassed
  Position(0, kPosFrontLeft);
  Position(1, kPosFrontRight);
  const ChannelList linked = LinkedChannels(model, 0, LinkOptions{});
  ASSERT_EQ(linked, (ChannelList{0, 1}));
  SetAdvancedEqBypass(session, linked, true);
  EXPECT_EQ(Trail(), (Names{"5/0F", "6/0F", "5/26", "6/26"}));
  for (const auto& [key, word] : Words()) EXPECT_EQ(word, 1u) << key;

  sink.Clear();
  SetAdvancedEqBypass(session, {2}, false);
  EXPECT_EQ(Trail(), (Names{"7/0F", "7/26"}));
  EXPECT_FALSE(AdvancedEqBypassed(State(), 2));
  EXPECT_TRUE(AdvancedEqBypassed(State(), 0));
}

TEST_F(AdvancedEq, BandsAndResetsGoToEachChannelsOwnSet) {
  WriteAdvancedEqBand(session, {0, 1}, BandWrite{2, 1, 250, -3.0f, 2.0f});
  EXPECT_EQ(Trail(), (Names{"5/20", "@" + std::to_string(EqBandOffset(16, 2)), "6/20",
                            "@" + std::to_string(EqBandOffset(17, 2))}));
  EXPECT_EQ(State().Band(17, 2).gainDb, -3.0f);
  WriteAdvancedEqBand(session, {0}, BandWrite{8, 1, 250, 0.0f, 1.0f});  // an advanced set has 8 bands
  EXPECT_EQ(Records().size(), 2u);

  sink.Clear();
  ResetAdvancedEq(session, {3, 4});
  const auto records = Records();
  ASSERT_EQ(records.size(), 16u);
  EXPECT_EQ(records[0].first, EqBandOffset(19, 0));
  EXPECT_EQ(records[8].first, EqBandOffset(20, 0));
  const int frequencies[kAdvancedEqBands] = {62, 125, 250, 500, 1000, 2000, 4000, 8000};
  for (int b = 0; b < kAdvancedEqBands; ++b) {
    EXPECT_EQ(records[static_cast<size_t>(b)].second.freq, frequencies[b]);
    EXPECT_EQ(records[static_cast<size_t>(b)].second.type, 1);
    EXPECT_FLOAT_EQ(records[static_cast<size_t>(b)].second.q, 1.41f);
  }
}

}  // namespace
}  // namespace nr
