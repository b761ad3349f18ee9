// The parameter image, its records and the value conversions: these bytes are the wire contract
// with the device and the layout of every mode file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "link/Bytes.h"
#include "link/DeviceModel.h"
#include "link/EqLayout.h"
#include "link/ParamTable.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Hex;

uint32_t DefaultWord(int module, int index) {
  const int row = FindParamRow(module, index);
  EXPECT_GE(row, 0);
  return ParamRows()[static_cast<size_t>(row)].defaults[0];
}

int RecordOffset(int module, int index) { return ParamRows()[static_cast<size_t>(FindParamRow(module, index))].offset; }

TEST(ParamTable, RecordsFillTheListExactlyAtTheirOffsets) {
  const auto& rows = ParamRows();
  ASSERT_EQ(rows.size(), 235u);
  int offset = kRecordListOffset;
  for (const ParamRow& row : rows) {
    EXPECT_EQ(row.offset, offset) << int(row.module) << "/" << int(row.index);
    offset += row.Size();
  }
  EXPECT_EQ(offset, kImageSize);

  EXPECT_EQ(RecordOffset(1, 0x04), 1835);
  EXPECT_EQ(RecordOffset(1, 0x26), 1968);
  EXPECT_EQ(RecordOffset(1, 0x3F), 2038);
  EXPECT_EQ(RecordOffset(2, 0x07), 2045);
  EXPECT_EQ(RecordOffset(2, 0x18), 2115);
  EXPECT_EQ(RecordOffset(2, 0x23), 2192);
  EXPECT_EQ(RecordOffset(3, 0x13), 2234);
  EXPECT_EQ(RecordOffset(4, 0x0E), 2304);
  EXPECT_EQ(RecordOffset(4, 0x0F), 2335);
  EXPECT_EQ(RecordOffset(4, 0x20), 2454);
  EXPECT_EQ(RecordOffset(4, 0x23), 2468);
  for (int m = 5; m <= 12; ++m) {
    EXPECT_EQ(RecordOffset(m, 0x0F), 2475 + 160 * (m - 5));
    EXPECT_EQ(RecordOffset(m, 0x1B), 2563 + 160 * (m - 5));
    EXPECT_EQ(RecordOffset(m, 0x26), 2628 + 160 * (m - 5));
  }
  EXPECT_EQ(RecordOffset(13, 0x04), 3783);
  EXPECT_EQ(RecordOffset(14, 0x0B), 3905);
  EXPECT_EQ(FindParamRow(4, 0x21), -1);
  EXPECT_EQ(FindParamRow(99, 0), -1);
  EXPECT_EQ(FindParamRow(1, -1), -1);
}

TEST(ParamTable, DefaultWordsAreTheFactoryValues) {
  EXPECT_EQ(DefaultWord(1, 0x08), FloatBits(0.002f));
  EXPECT_EQ(DefaultWord(1, 0x27), 1200u);
  EXPECT_NEAR(BitsFloat(DefaultWord(1, 0x26)), 0.000654498f, 1e-9);  // 5 Hz shift
  EXPECT_EQ(DefaultWord(2, 0x0D), 11616u);
  EXPECT_EQ(DefaultWord(3, 0x09), 1728u);
  EXPECT_EQ(DefaultWord(4, 0x12), 11u);
  EXPECT_EQ(DefaultWord(4, 0x10), 5u);
  EXPECT_EQ(DefaultWord(9, 0x10), 4u);  // speaker position of output 5
  EXPECT_EQ(DefaultWord(14, 0x02), FloatBits(1200.0f));
  const auto& filter = ParamRows()[static_cast<size_t>(FindParamRow(5, 0x1D))].defaults;
  EXPECT_EQ(filter[2], 0x3F7EFF25u);
  EXPECT_EQ(filter[3], 0xBFFF7EF1u);
  const auto& music = ParamRows()[static_cast<size_t>(FindParamRow(4, 0x0E))].defaults;
  EXPECT_FLOAT_EQ(BitsFloat(music[2]), 0.9375f);
  EXPECT_FLOAT_EQ(BitsFloat(music[3]), 10.0f);
  EXPECT_FLOAT_EQ(BitsFloat(music[4]), 0.25f);
  EXPECT_NEAR(BitsFloat(music[5]), 0.000347162f, 1e-9);
  EXPECT_NEAR(BitsFloat(music[6]), 3.47216e-05f, 1e-10);
  const auto& comp = ParamRows()[static_cast<size_t>(FindParamRow(12, 0x1B))].defaults;
  EXPECT_NEAR(BitsFloat(comp[2]), 0.966667f, 1e-6);
  EXPECT_NEAR(BitsFloat(comp[5]), 0.0206178f, 1e-7);
  EXPECT_NEAR(BitsFloat(comp[6]), 0.000208318f, 1e-9);
}

TEST(Conversions, PercentWordsRoundTripEveryPercent) {
  EXPECT_EQ(EncodeParamWord(ValueType::kPercent, ParamValue::Int(0)), 0u);  // not the bits of 1e-7
  EXPECT_EQ(EncodeParamWord(ValueType::kPercent, ParamValue::Int(53)),
            FloatBits(static_cast<float>(static_cast<double>(0.53f) + 1e-7)));
  // Sound-field volumes go to 500 % and noise gates to 100: every value written must read back.
  for (int v = 0; v <= 1000; ++v) {
    const uint32_t percent = EncodeParamWord(ValueType::kPercent, ParamValue::Int(v));
    EXPECT_EQ(DecodeParamWord(ValueType::kPercent, percent).AsInt(), v) << v;
    const uint32_t gate = EncodeParamWord(ValueType::kTenThousandths, ParamValue::Int(v));
    EXPECT_EQ(DecodeParamWord(ValueType::kTenThousandths, gate).AsInt(), v) << v;
  }
  for (float f : {0.64f, 0.48f, 0.32f, 0.16f, 0.56f})
    EXPECT_EQ(DecodeParamWord(ValueType::kPercent, FloatBits(f)).AsInt(), std::lround(f * 100)) << f;
}

TEST(Conversions, OtherTypes) {
  EXPECT_EQ(EncodeParamWord(ValueType::kMillis, ParamValue::Float(2.0f)), 96u);
  EXPECT_FLOAT_EQ(DecodeParamWord(ValueType::kMillis, 96).AsFloat(), 2.0f);
  EXPECT_FLOAT_EQ(DecodeParamWord(ValueType::kMillis, 1200).AsFloat(), 25.0f);
  EXPECT_EQ(EncodeParamWord(ValueType::kMillis, ParamValue::Float(-3.0f)), 0u);
  EXPECT_EQ(EncodeParamWord(ValueType::kByte, ParamValue::Int(300)), 0x2Cu);
  EXPECT_EQ(DecodeParamWord(ValueType::kByte, 0x1234567Fu).AsInt(), 0x7F);
  EXPECT_EQ(EncodeParamWord(ValueType::kTenThousandths, ParamValue::Int(20)), FloatBits(20.0f / 10000.0f));
  EXPECT_EQ(DecodeParamWord(ValueType::kTenThousandths, FloatBits(0.002f)).AsInt(), 20);
  EXPECT_EQ(EncodeParamWord(ValueType::kFloat, ParamValue::Float(150.0f)), FloatBits(150.0f));
  // Garbage words from a device or file decode without undefined behaviour.
  EXPECT_EQ(DecodeParamWord(ValueType::kPercent, 0x7FC00000u).AsInt(), 0);           // NaN
  EXPECT_EQ(DecodeParamWord(ValueType::kPercent, 0x7F7FFFFFu).AsInt(), 2147483647);  // FLT_MAX
}

TEST(EqLayout, BandOffsets) {
  EXPECT_EQ(EqBandOffset(0, 0), 0);
  EXPECT_EQ(EqBandOffset(6, 10), 476);
  EXPECT_EQ(EqBandOffset(7, 0), 483);
  EXPECT_EQ(EqBandOffset(14, 14), 1316);
  EXPECT_EQ(EqBandOffset(16, 0), 1323);
  EXPECT_EQ(EqBandOffset(23, 7), 1764);
  EXPECT_EQ(EqBandOffset(15, 0), -1);  // the record EQ has no slot: it must not alias set 16
  EXPECT_EQ(EqBandOffset(30, 4), 28);
  EXPECT_EQ(EqSetInfo(11).module, 9);
  EXPECT_EQ(EqSetInfo(1).firstIndex, 0x29);
  EXPECT_EQ(EqSetInfo(19).module, 8);
  EXPECT_EQ(EqSetInfo(19).firstIndex, 0x1E);
}

TEST(DefaultImage, EqAndSoundFieldArea) {
  ParamImage image;
  LoadDefaultImage(image);
  auto band = [&](int set, int b) {
    return Hex(std::span<const uint8_t>(&image[static_cast<size_t>(EqBandOffset(set, b))], 7));
  };
  EXPECT_EQ(band(7, 5), "00 96 03 E8 05 86 01");   // 0 dB, 1000 Hz, Q 1.414, peaking
  EXPECT_EQ(band(0, 8), "00 96 03 E6 05 86 01");   // the ninth microphone band is 998 Hz
  EXPECT_EQ(band(3, 6), "00 3C 11 70 02 C3 05");   // high shelf -9 dB at 4464 Hz, Q 0.707
  EXPECT_EQ(band(6, 10), "00 96 00 64 02 C3 02");  // maximum-bass low-pass
  EXPECT_EQ(band(11, 9), "00 96 00 64 02 C3 12");  // output 5: 4th-order 100 Hz low-pass
  EXPECT_EQ(band(11, 10), "00 96 00 64 02 C3 14");
  EXPECT_EQ(band(8, 13), "00 96 01 F4 02 C3 01");
  EXPECT_EQ(band(8, 12), "00 96 3E 80 05 86 01");
  EXPECT_EQ(band(23, 7), "00 96 1F 40 05 86 01");
  EXPECT_EQ(Hex(std::span<const uint8_t>(&image[1771], 32)), Hex(std::vector<uint8_t>(32, 0)));
  EXPECT_EQ(Hex(std::span<const uint8_t>(&image[1803], 20)),
            "04 04 00 00 8A 0A 00 0A 0A 0A 8A 8A 00 8A 0A 8A 85 00 05 00");
  EXPECT_EQ(Hex(std::span<const uint8_t>(&image[1823], 12)), "00 00 00 00 08 00 00 00 00 00 00 00");
  // Record headers and words are laid out as the device has them.
  EXPECT_EQ(Hex(std::span<const uint8_t>(&image[1835], 7)), "01 04 01 3F 80 00 00");
  EXPECT_EQ(Hex(std::span<const uint8_t>(&image[2342], 7)), "04 10 01 00 00 00 05");
  EXPECT_EQ(Hex(std::span<const uint8_t>(&image[2489], 11)), "05 11 02 3F 80 00 00 00 00 00 00");
  EXPECT_EQ(Hex(std::span<const uint8_t>(&image[3905], 7)), "0E 0B 01 00 00 00 01");
}

TEST(ApplyImage, DefaultImageDecodesToFactoryValues) {
  DeviceState s;
  InitDeviceModel(s);
  for (int i = 0x04; i <= 0x07; ++i) EXPECT_EQ(s.IntValue(1, i), 100);
  for (int i = 0x22; i <= 0x25; ++i) EXPECT_EQ(s.IntValue(1, i), 100);
  for (int i = 0x39; i <= 0x3C; ++i) EXPECT_EQ(s.IntValue(1, i), 0);
  EXPECT_EQ(s.IntValue(1, 0x08), 20);
  EXPECT_EQ(s.IntValue(4, 0x0C), 16);
  EXPECT_EQ(s.IntValue(2, 0x08), 64);
  EXPECT_EQ(s.IntValue(3, 0x08), 32);
  EXPECT_EQ(s.IntValue(14, 0x08), 56);
  EXPECT_FLOAT_EQ(s.FloatValue(1, 0x27), 25.0f);
  EXPECT_FLOAT_EQ(s.FloatValue(2, 0x0D), 242.0f);
  EXPECT_FLOAT_EQ(s.FloatValue(14, 0x04), 3200.0f);
  EXPECT_EQ(s.IntValue(4, 0x12), 11);
  EXPECT_EQ(s.derived.fbcShift[0], 5);
  EXPECT_EQ(s.derived.fbcShift[1], 5);
  EXPECT_EQ(s.derived.pitch, 0);
  EXPECT_EQ(s.derived.levelFeature, 0);
  for (const DynamicsSettings& c : s.derived.compressors) {
    EXPECT_NEAR(c.ratio, 29.99998f, 1e-4);
    EXPECT_NEAR(c.attackMs, 1.0f, 1e-4);
    EXPECT_NEAR(c.releaseMs, 99.997f, 1e-3);
  }
  EXPECT_NEAR(s.derived.musicDynamics.ratio, 16.0f, 1e-4);
  EXPECT_NEAR(s.derived.musicDynamics.attackMs, 60.0f, 1e-2);
  EXPECT_NEAR(s.derived.musicDynamics.releaseMs, 600.0f, 0.1);
  for (bool channelDelay : s.derived.channelDelay) EXPECT_TRUE(channelDelay);
  EXPECT_EQ(s.derived.room.width, 4);
  EXPECT_FLOAT_EQ(s.derived.room.speakerX[0], -1.0f);
  EXPECT_FLOAT_EQ(s.derived.room.speakerY[7], 0.0f);
  EXPECT_EQ(0, std::memcmp(s.eqTable.data(), s.image.data(), kEqTableRefreshEnd));
  EXPECT_EQ(s.Band(15, 2).freq, 200);
  EXPECT_NEAR(s.Band(15, 2).q, 1.41f, 1e-6);
  EXPECT_EQ(s.machine[5], 99);
  EXPECT_EQ(s.info.ModuleName(), "Unknown");
}

TEST(ApplyImage, DerivesBlockValuesFromChangedWords) {
  DeviceState s;
  InitDeviceModel(s);
  auto word = [&](int module, int index, int w) {
    return &s.image[static_cast<size_t>(ParamRows()[static_cast<size_t>(FindParamRow(module, index))].WordOffset() + 4 * w)];
  };
  PutBE32(word(1, 0x28, 0), 1);        // channel A canceller bypassed
  PutBE32(word(1, 0x3D, 0), FloatBits(static_cast<float>(2 * std::numbers::pi * 12 / 48000)));
  PutBE32(word(4, 0x10, 0), 5 + 3);    // pitch +3
  PutBE32(word(6, 0x11, 1), FloatBits(1.0f));  // output 2 in high-frequency-delay mode
  PutBE32(word(2, 0x0B, 0), 0x00000021);       // echo right-channel percentages: signed bytes
  PutBE32(word(2, 0x1D, 0), 0x000000CE);
  PutBE32(&s.image[kLevelFeatureOffset], FloatBits(-6.7f));
  s.image[1803] = 7;
  ApplyImage(s);
  EXPECT_EQ(s.derived.fbcShift[0], 1);
  EXPECT_EQ(s.derived.fbcShift[1], 12);
  EXPECT_EQ(s.derived.pitch, 3);
  EXPECT_TRUE(s.derived.channelDelay[0]);
  EXPECT_FALSE(s.derived.channelDelay[1]);
  EXPECT_EQ(s.IntValue(2, 0x0B), 0x21);
  EXPECT_EQ(s.IntValue(2, 0x1D), -50);
  EXPECT_EQ(s.derived.levelFeature, -6);
  EXPECT_EQ(s.derived.room.width, 7);
}

}  // namespace
}  // namespace nr
