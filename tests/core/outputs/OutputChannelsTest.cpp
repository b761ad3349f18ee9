// The output channels: which channels an edit reaches, the writes of the output page, and making
// two channels equal when a pair link is switched on.
#include <gtest/gtest.h>

#include "eq/BandWrites.h"
#include "eq/Biquad.h"
#include "link/EqLayout.h"
#include "outputs/Compressor.h"
#include "outputs/Delay.h"
#include "core/outputs/OutputFixture.h"

namespace nr {
namespace {

using test::Percent;

class OutputChannels : public test::OutputTest {};

TEST_F(OutputChannels, LinkingFollowsTheSpeakerPositions) {
  const LinkOptions all;
  const DeviceState factory = State();  // channel n at position n
  EXPECT_EQ(LinkedChannels(factory, 0, all), (ChannelList{0, 1}));
  EXPECT_EQ(LinkedChannels(factory, 3, all), (ChannelList{2, 3}));
  EXPECT_EQ(LinkedChannels(factory, 7, all), (ChannelList{6, 7}));
  EXPECT_EQ(LinkedChannels(factory, 4, all), ChannelList{4});  // SUB never links
  EXPECT_EQ(LinkedChannels(factory, 5, all), ChannelList{5});  // nor does CEN
  EXPECT_EQ(LinkedChannels(factory, 0, LinkOptions{false, true, true}), ChannelList{0});
  EXPECT_EQ(LinkedChannels(factory, 2, LinkOptions{true, false, true}), ChannelList{2});
  EXPECT_EQ(LinkedChannels(factory, 0, LinkOptions::Unlinked()), ChannelList{0});
  EXPECT_TRUE(LinkedChannels(factory, 8, all).empty());

  // Two channels at FL link with each other and with every FR channel; positions are read at
  // the moment of the edit.
  Position(2, kPosFrontLeft);
  Position(5, kPosFrontRight);
  EXPECT_EQ(LinkedChannels(model, 0, all), (ChannelList{0, 1, 2, 5}));
  EXPECT_EQ(LinkedChannels(model, 5, all), (ChannelList{0, 1, 2, 5}));
  EXPECT_EQ(LinkedChannels(model, 3, all), ChannelList{3});  // its partner left the side pair
  Position(4, kPosCenter);
  EXPECT_EQ(LinkedChannels(model, 4, all), ChannelList{4});
  EXPECT_EQ(PairChannels(State(), LinkPair::kFront), (ChannelList{0, 1, 2, 5}));
}

TEST_F(OutputChannels, LinkOptionsLiveInTheFirstThreeOptionBytes) {
  const uint8_t stored[8] = {1, 0, 7, 0, 0, 0, 0, 0};
  EXPECT_EQ(LinkOptions::FromBytes(stored), (LinkOptions{true, false, true}));
  EXPECT_EQ(LinkOptions::FromBytes({}), LinkOptions{});  // missing bytes: all on
  uint8_t bytes[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  LinkOptions{false, true, false}.ToBytes(bytes);
  EXPECT_EQ(test::Hex(bytes), "00 01 00 09 09 09 09 09");
}

TEST_F(OutputChannels, PageWritesReachLinkedChannelsOrOneChannel) {
  const LinkOptions all;
  SetOutputSend(session, 0, all, kSendEcho, 50);
  SetOutputMute(session, 1, true);
  SetOutputPhase(session, 1, true);
  SetOutputPhase(session, 0, false);
  SetSpeakerPosition(session, 3, kPosSub);
  SetSpeakerPosition(session, 3, 9);  // not a position: nothing sent
  SetOutputEqBypass(session, 6, all, true);
  SetOutputSend(session, 4, all, kSendMusic, 0);
  using W = std::pair<std::string, uint32_t>;
  EXPECT_EQ(Words(), (std::vector<W>{{"5/16", Percent(50)},
                                     {"6/16", Percent(50)},
                                     {"6/1A", 0},
                                     {"6/19", Percent(-100)},
                                     {"5/19", Percent(100)},
                                     {"8/10", 4},
                                     {"11/0F", 1},
                                     {"12/0F", 1},
                                     {"9/17", 0}}));
  const DeviceState s = State();
  EXPECT_TRUE(OutputMuted(s, 1));
  EXPECT_FALSE(OutputMuted(s, 0));
  EXPECT_TRUE(OutputPhaseInverted(s, 1));
  EXPECT_EQ(OutputSend(s, 1, kSendEcho), 50);
  EXPECT_EQ(SpeakerPositionOf(s, 3), kPosSub);
  EXPECT_TRUE(OutputEqBypassed(s, 7));
}

TEST_F(OutputChannels, EqResetUsesTheSubTableOnlyAtPositionSub) {
  Position(0, kPosSub);
  EXPECT_EQ(ResetOutputEq(session, 0, LinkOptions{}), 1);
  const auto sub = Records();
  ASSERT_EQ(sub.size(), 13u);
  EXPECT_EQ(sub[9].first, EqBandOffset(7, 9));
  EXPECT_EQ(sub[9].second.type, 18);
  EXPECT_EQ(sub[10].second.type, 20);
  EXPECT_EQ(sub[10].second.freq, 100);

  sink.Clear();
  EXPECT_EQ(ResetOutputEq(session, 2, LinkOptions{}), 2);  // SL with SR: two flat sets
  const auto flat = Records();
  ASSERT_EQ(flat.size(), 26u);
  for (const auto& [offset, band] : flat) EXPECT_EQ(band.type, kPeaking) << offset;
  EXPECT_EQ(flat[13].first, EqBandOffset(10, 0));
  sink.Clear();
  EXPECT_EQ(ResetOutputEq(session, 5, LinkOptions{}), 1);  // CEN resets flat
  EXPECT_EQ(Records()[9].second.type, kPeaking);
}

TEST_F(OutputChannels, LinkedBandWritesGoToEachLinkedSet) {
  const BandWrite bands[] = {{9, 18, 120, 0.0f, 0.707f}, {10, 20, 120, 0.0f, 0.707f}};
  WriteLinkedBands(session, 1, LinkOptions{}, bands);
  const auto records = Records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].first, EqBandOffset(7, 9));  // channel order, whichever channel was edited
  EXPECT_EQ(records[1].first, EqBandOffset(7, 10));
  EXPECT_EQ(records[2].first, EqBandOffset(8, 9));
  EXPECT_EQ(records[3].first, EqBandOffset(8, 10));
  EXPECT_EQ(Trail()[0], "5/09");  // coefficients of set 7 band 9 go to module 5 index 9
}

TEST_F(OutputChannels, CopyChannelSendsWhatDiffersInItsOrder) {
  EXPECT_TRUE(ChannelsEqual(State(), 0, 1));
  // Make channel 1 differ in one item of every kind.
  SetOutputSend(session, 1, LinkOptions::Unlinked(), kSendReverb, 40);
  session.SetParam(6, 0x0F, 1);
  SetDelayOn(session, 1, true);
  SetDelaySplitFrequency(session, 1, 7);
  SetDelaySplitMode(session, 1, false);
  SetDelayTenths(session, 1, 123);
  WriteCompressor(session, 1, DynamicsSettings{-20.0f, 4.0f, 10.0f, 200.0f});
  SetCompressorOn(session, 1, true);
  SetEqBand(session, 8, 3, kPeaking, 250, 6.0f, 2.0f);
  EXPECT_FALSE(ChannelsEqual(State(), 0, 1));
  sink.Clear();

  CopyChannel(session, 0, 1);
  const std::string split = "@" + std::to_string(EqBandOffset(8, 13));
  const std::string low = "@" + std::to_string(EqBandOffset(8, 14));
  const std::string band3 = "@" + std::to_string(EqBandOffset(8, 3));
  EXPECT_EQ(Trail(), (std::vector<std::string>{"6/15", "6/0F", "6/13",
                                               "6/0D", split, "6/0E", low,           // split frequency
                                               "6/11", "6/0D", split, "6/0E", low,   // split mode
                                               "6/12", "6/1B", "6/1C", "6/03", band3}));
  EXPECT_TRUE(ChannelsEqual(State(), 0, 1));
  sink.Clear();
  CopyChannel(session, 0, 1);
  EXPECT_TRUE(sink.Packets().empty());
}

TEST_F(OutputChannels, SwitchingALinkOnFindsTheChannelsToMakeEqual) {
  EXPECT_TRUE(ChannelsDifferingInPair(State(), LinkPair::kSide).empty());
  Position(3, kPosBackLeft);  // back pair: channels 3, 6, 7; channel 3 comes first
  SetDelayTenths(session, 7, 50);
  EXPECT_EQ(ChannelsDifferingInPair(State(), LinkPair::kBack), ChannelList{7});
  // Output 5's factory EQ holds the SUB crossover, so it differs from the others once it joins.
  Position(4, kPosBackRight);
  EXPECT_EQ(ChannelsDifferingInPair(State(), LinkPair::kBack), (ChannelList{4, 7}));
  EXPECT_TRUE(ChannelsDifferingInPair(State(), LinkPair::kFront).empty());
}

}  // namespace
}  // namespace nr
