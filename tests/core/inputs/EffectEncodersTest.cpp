// The raw-word encoders of the feedback canceller and the echo's right channel.
#include <gtest/gtest.h>

#include "inputs/EffectEncoders.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Hex;

class Encoders : public ::testing::Test {
 protected:
  std::vector<std::string> Sent() { return test::HexPayloads(sink); }
  DeviceModel model;
  test::RecordingSink sink;
  DeviceSession session{model, sink};
};

TEST_F(Encoders, FeedbackCancellerFromOffToFiveHertz) {
  SetFbcShift(session, 0, 1);
  EXPECT_EQ(Sent(), std::vector<std::string>{"09 00 01 28 01 00 00 00 01"});
  sink.Clear();
  SetFbcShift(session, 0, 5);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"09 00 01 28 01 00 00 00 00", "09 00 01 26 01 3A 2B 92 A6",
                                              "09 00 01 27 01 00 00 04 B0"}));
  EXPECT_EQ(model.Snapshot().derived.fbcShift[0], 5);
  SetFbcShift(session, 1, 8);
  EXPECT_EQ(Sent().back(), "09 00 01 3E 01 00 00 01 2C");  // channel B, 300 samples
  const uint32_t expected[] = {0, 0, 4800, 2800, 1800, 1200, 800, 514, 300};
  for (int level = 2; level <= 8; ++level) EXPECT_EQ(FbcDelaySamples(level), expected[level]) << level;
}

TEST_F(Encoders, EchoRightChannelFollowsTheEchoTime) {
  // Echo time 242 ms (the default), right predelay 0 %: at least 1.35 ms, 65 samples.
  SetEchoRightPredelay(session, 0, 0);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"09 00 02 0B 01 00 00 00 00", "09 00 02 0A 01 00 00 00 41"}));
  sink.Clear();
  session.SetParam(2, 0x1E, 200.0f);  // channel B echo time 200 ms
  sink.Clear();
  SetEchoRightDelay(session, 1, -80);  // clamped to -50 %
  EXPECT_EQ(Sent(), (std::vector<std::string>{"09 00 02 1D 01 00 00 00 CE", "09 00 02 20 01 00 00 12 C0"}));
  EXPECT_EQ(model.Snapshot().IntValue(2, 0x1D), -50);
}

}  // namespace
}  // namespace nr
