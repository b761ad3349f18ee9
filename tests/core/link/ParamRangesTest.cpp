// The range of every single-value parameter record: complete, holding the factory values, and the
// same as the ranges the pages' operations keep their values in.
#include <gtest/gtest.h>

#include <string>

#include "inputs/EffectEncoders.h"
#include "inputs/Features.h"
#include "inputs/InputSources.h"
#include "inputs/SoundField.h"
#include "link/DeviceModel.h"
#include "link/ParamRanges.h"
#include "link/ParamTable.h"
#include "outputs/Delay.h"

namespace nr {
namespace {

std::string Pair(const ParamRow& row) { return std::to_string(row.module) + "/" + std::to_string(row.index); }

TEST(ParamRanges, EveryValueRecordHasOneThatHoldsItsFactoryValue) {
  const DeviceState factory = DeviceModel().Snapshot();
  for (const ParamRow& row : ParamRows()) {
    const std::optional<ParamRange> range = ParamValueRange(row.module, row.index);
    if (row.type == ValueType::kBlock) {
      EXPECT_FALSE(range.has_value()) << Pair(row);
      continue;
    }
    ASSERT_TRUE(range.has_value()) << Pair(row);
    EXPECT_LT(range->min, range->max) << Pair(row);
    const double value = HoldsFloat(row.type) ? factory.FloatValue(row.module, row.index)
                                              : factory.IntValue(row.module, row.index);
    EXPECT_TRUE(range->Contains(value)) << Pair(row) << " holds " << value;
  }
  EXPECT_FALSE(ParamValueRange(1, 0x99).has_value());
}

TEST(ParamRanges, AgreeWithTheRangesThePagesKeep) {
  struct Case {
    int module, index;
    double min, max;
  };
  const auto& exciter = ExciterBands();
  const Case cases[] = {
      {5, 0x12, kDelayMinTenths / 10.0, kDelayMaxTenths / 10.0},
      {12, 0x18, 0, kSoundFieldVolumeMax},
      {kSourceModule, kSelectedSourceIndex, 0, kSourceCount - 1},
      {kSourceModule, kFirstSourceLevelIndex + kSourceCount - 1, 0, kSourceLevelMax},
      {kExciterModule, exciter[0].frequencyIndex, double(exciter[0].frequency.min), double(exciter[0].frequency.max)},
      {kExciterModule, exciter[1].frequencyIndex, double(exciter[1].frequency.min), double(exciter[1].frequency.max)},
      {kExciterModule, exciter[2].frequencyIndex, double(exciter[2].frequency.min), double(exciter[2].frequency.max)},
      {kExciterModule, exciter[2].gainIndex, double(kExciterGainRange.min), double(kExciterGainRange.max)},
      {4, 0x22, double(kMaxBassDelayRange.min), double(kMaxBassDelayRange.max)},
      {4, 0x23, double(kMaxBassGainRange.min), double(kMaxBassGainRange.max)},
  };
  for (const Case& c : cases) {
    const std::optional<ParamRange> range = ParamValueRange(c.module, c.index);
    ASSERT_TRUE(range.has_value()) << c.module << "/" << c.index;
    EXPECT_DOUBLE_EQ(range->min, c.min) << c.module << "/" << c.index;
    EXPECT_DOUBLE_EQ(range->max, c.max) << c.module << "/" << c.index;
  }
  // The echo's right-channel sample words hold what its encoders can compute: from 1.35 ms (the
  // least predelay) to 260 ms x 1.5 (the longest echo time made 50 % longer).
  EXPECT_EQ(ParamValueRange(2, 0x0A)->min, 1.35);
  EXPECT_EQ(ParamValueRange(2, 0x20)->max, 1000.0 * EchoRightDelaySamples(260, 50) / 48000.0);
}

TEST(ParamRanges, RefusalsNameTheRangeInTheValuesUnit) {
  struct Case {
    int module, index;
    double value;
    const char* says;  // empty: accepted
  };
  const Case cases[] = {
      {1, 0x04, 101, "101 % is outside 0..100 %"},
      {5, 0x14, -1, "-1 % is outside 0..100 %"},
      {5, 0x19, -100, ""},                           // phase inverted
      {1, 0x0E, 100, "100 is outside 0..99"},        // the live volume tops out at 99
      {5, 0x12, 1e30, "1e+30 ms is outside 1.4..100 ms"},
      {5, 0x12, 1.4, ""},
      {1, 0x0C, 2, "2 is outside 0..1"},             // a switch
      {14, 0x00, 69, "69 Hz is outside 70..450 Hz"},
      {2, 0x1D, 51, "51 % is outside -50..50 %"},    // right-channel delay
      {4, 0x10, 99, ""},                             // the pitch record has no single value
  };
  for (const Case& c : cases) EXPECT_EQ(ParamOutOfRange(c.module, c.index, c.value), c.says) << c.module << "/" << c.index;
}

}  // namespace
}  // namespace nr
