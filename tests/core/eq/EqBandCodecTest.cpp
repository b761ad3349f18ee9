#include "link/EqBandCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace nr {
namespace {

int GainCode(float g) { auto r = EncodeEqBand(g, 1000, 1, 1); return r[0] << 8 | r[1]; }
int QCode(float q) { auto r = EncodeEqBand(0, 1000, q, 1); return r[4] << 8 | r[5]; }
int FreqCode(int f) { auto r = EncodeEqBand(0, f, 1, 1); return r[2] << 8 | r[3]; }

TEST(EqBandCodec, EncodesBigEndianRecord) {
  EXPECT_EQ(EncodeEqBand(0.0f, 1000, 1.414f, 1), (EqBandBytes{0x00, 0x96, 0x03, 0xE8, 0x05, 0x86, 0x01}));
  EXPECT_EQ(EncodeEqBand(2.5f, 20000, 0.5f, 0x1FE)[6], 0xFE);
}

TEST(EqBandCodec, CodesRoundToTheirSteps) {
  EXPECT_EQ(GainCode(-0.04f), 150);
  EXPECT_EQ(GainCode(-0.06f), 149);
  EXPECT_EQ(GainCode(-3.0f), 120);
  EXPECT_EQ(GainCode(-15.0f), 0);
  EXPECT_EQ(GainCode(15.0f), 300);
  EXPECT_EQ(GainCode(0.1f), 151);
  EXPECT_EQ(QCode(1.41f), 1410);  // 1409 if the product were formed in double
  EXPECT_EQ(QCode(0.707f), 707);
  EXPECT_EQ(QCode(30.0f), 30000);
}

TEST(EqBandCodec, OutOfRangeValuesClamp) {
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(GainCode(-100.0f), 0);
  EXPECT_EQ(GainCode(1e9f), 65535);
  EXPECT_EQ(GainCode(-inf), 0);
  EXPECT_EQ(GainCode(inf), 65535);
  EXPECT_EQ(GainCode(NAN), 150);
  EXPECT_EQ(QCode(-1.0f), 0);
  EXPECT_EQ(QCode(1e30f), 65535);
  EXPECT_EQ(QCode(NAN), 0);
  EXPECT_EQ(FreqCode(-5), 0);
  EXPECT_EQ(FreqCode(70000), 65535);
  EXPECT_EQ(FreqCode(std::numeric_limits<int>::max()), 65535);
}

TEST(EqBandCodec, DecodeAndReencodeKeepsEveryCode) {
  const EqBand b = DecodeEqBand(EqBandBytes{0x00, 0x78, 0x4E, 0x20, 0x05, 0x86, 0x03});
  EXPECT_FLOAT_EQ(b.gainDb, -3.0f);
  EXPECT_EQ(b.freq, 20000);
  EXPECT_FLOAT_EQ(b.q, 1.414f);
  EXPECT_EQ(b.type, 3);
  for (int code = 0; code <= 65535; ++code) {
    EqBandBytes r{uint8_t(code >> 8), uint8_t(code), uint8_t(code >> 8), uint8_t(code),
                  uint8_t(code >> 8), uint8_t(code), uint8_t(code)};
    ASSERT_EQ(EncodeEqBand(DecodeEqBand(r)), r) << code;
  }
}

}  // namespace
}  // namespace nr
