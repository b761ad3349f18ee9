// The limits every band writer keeps to, and the whole hertz a band's frequency is kept in.
#include "eq/BandLimits.h"

#include <gtest/gtest.h>

#include <vector>

#include "eq/BandWrites.h"
#include "eq/Biquad.h"
#include "link/EqBandCodec.h"
#include "link/DeviceModel.h"
#include "link/EqLayout.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

TEST(BandLimits, RefusalsNameTheLimitThatIsCrossed) {
  struct Case {
    int type, freq;
    float gain, q;
    const char* says;  // empty: within the limits
  };
  const Case cases[] = {
      {kPeaking, 1000, 600.0f, 1, "gain 600 dB is outside -15..15 dB"},
      {kPeaking, 1000, -15.5f, 1, "gain -15.5 dB is outside -15..15 dB"},
      {kPeaking, 1000, -15.0f, 1, ""},
      {kPeaking, 1000, 15.0f, 1, ""},
      {kPeaking, 19, 0, 1, "frequency 19 Hz is outside 20..20000 Hz"},
      {kPeaking, 20001, 0, 1, "frequency 20001 Hz is outside 20..20000 Hz"},
      {kPeaking, 20, 0, 1, ""},
      {kPeaking, 20000, 0, 30.0f, ""},
      {kPeaking, 1000, 0, 30.5f, "Q 30.5 is outside 0.1..30 (a peaking band)"},
      {kPeaking, 1000, 0, 0.1f, ""},
      {kPeaking, 1000, 0, 0.09f, "Q 0.09 is outside 0.1..30 (a peaking band)"},
      {kLowShelf, 1000, 6, 2.0f, ""},
      {kLowShelf, 1000, 6, 2.5f, "Q 2.5 is outside 0.1..2 (for type 4)"},
      {kLowPass, 100, 0, 0.707f, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(BandOutOfRange(c.type, c.freq, c.gain, c.q), c.says) << c.says;
}

TEST(BandLimits, EveryWholeFrequencyIsKeptAndSentAsItself) {
  // The band record, the screen's image (what a bulk write sends) and the record sent with the
  // band: for every frequency a band can hold, on an advanced EQ band as on any other.
  DeviceModel model;
  test::RecordingSink sink;
  DeviceSession session{model, sink};
  constexpr int kSet = 19, kBand = 7;
  const int offset = EqBandOffset(kSet, kBand);
  std::vector<int> lost;
  for (int f = kBandFreqMinHz; f <= kBandFreqMaxHz; ++f) {
    sink.Clear();
    SetEqBand(session, kSet, kBand, kPeaking, WholeHertz(f + (f % 2 ? 0.4 : -0.4)), 3.0f, 1.41f);
    const DeviceState s = model.Snapshot();
    const ParamImage screen = ScreenImage(s);
    const std::vector<test::Bytes> sent = sink.Payloads();
    const bool kept = s.Band(kSet, kBand).freq == f && DecodeEqBand(&screen[static_cast<size_t>(offset)]).freq == f &&
                      sent.size() == 2 && DecodeEqBand(&sent[1][4]).freq == f;
    if (!kept) lost.push_back(f);
  }
  EXPECT_EQ(lost, std::vector<int>{});
}

}  // namespace
}  // namespace nr
