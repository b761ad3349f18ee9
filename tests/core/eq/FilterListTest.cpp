#include "eq/FilterList.h"

#include <gtest/gtest.h>

#include "eq/BandWrites.h"
#include "eq/Biquad.h"
#include "link/EqLayout.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

// A list as a measurement program exports it, with one filter of every type it writes.
constexpr std::string_view kEveryType =
    "Filter Settings file\r\n"
    "\r\n"
    "Room EQ V5.20\r\n"
    "Dated: 12-Feb-2024 10:45:11\r\n"
    "\r\n"
    "Notes: living room, left\r\n"
    "\r\n"
    "Equaliser: Generic\r\n"
    "Average 1\r\n"
    "Preamp: -6.5 dB\r\n"
    "Filter  1: ON  PK       Fc   63.0 Hz  Gain  -4.5 dB  Q  2.500\r\n"
    "Filter  2: ON  LS       Fc  105.0 Hz  Gain   3.0 dB\r\n"
    "Filter  3: ON  HS       Fc   8000 Hz  Gain  -2.0 dB\r\n"
    "Filter  4: ON  LSC      Fc  200.0 Hz  Gain   1.5 dB  Q  0.900\r\n"
    "Filter  5: ON  HSC      Fc   5000 Hz  Gain  -1.0 dB  Q  1.200\r\n"
    "Filter  6: ON  LP       Fc  18000 Hz\r\n"
    "Filter  7: ON  HP       Fc   25.0 Hz\r\n"
    "Filter  8: ON  LPQ      Fc  12000 Hz  Q  0.500\r\n"
    "Filter  9: ON  HPQ      Fc   30.0 Hz  Q  1.300\r\n"
    "Filter 10: OFF PK       Fc  400.0 Hz  Gain  -8.0 dB  Q  4.000\r\n"
    "Filter 11: ON  None\r\n"
    "Filter 12: ON  NO       Fc   1000 Hz  Q 10.000\r\n"
    "Filter 13: ON  AP       Fc    750 Hz  Q  0.707\r\n";

void ExpectBand(const EqBand& b, int type, int freq, float gain, float q) {
  EXPECT_EQ(b.type, type);
  EXPECT_EQ(b.freq, freq);
  EXPECT_FLOAT_EQ(b.gainDb, gain);
  EXPECT_FLOAT_EQ(b.q, q);
}

// What a band looks like once the device's record holds it (tenths of a dB, thousandths of Q).
std::vector<EqBand> AsStored(const std::vector<EqBand>& bands) {
  std::vector<EqBand> stored;
  for (const EqBand& b : bands) stored.push_back(DecodeEqBand(EncodeEqBand(b)));
  return stored;
}

bool SameBands(const std::vector<EqBand>& a, const std::vector<EqBand>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (EncodeEqBand(a[i]) != EncodeEqBand(b[i])) return false;
  return true;
}

TEST(FilterList, EveryTypeMapsToTheDeviceTypeAndRoundTrips) {
  const FilterListImport read = ParseFilterList(kEveryType, 0);  // microphone EQ: 15 bands
  ASSERT_TRUE(read.ok()) << read.errors.front().message;
  ASSERT_EQ(read.bands.size(), 11u);
  ExpectBand(read.bands[0], kPeaking, 63, -4.5f, 2.5f);
  ExpectBand(read.bands[1], kLowShelf, 105, 3.0f, 0.707f);
  ExpectBand(read.bands[2], kHighShelf, 8000, -2.0f, 0.707f);
  ExpectBand(read.bands[3], kLowShelf, 200, 1.5f, 0.9f);
  ExpectBand(read.bands[4], kHighShelf, 5000, -1.0f, 1.2f);
  ExpectBand(read.bands[5], kLowPass, 18000, 0.0f, 0.707f);
  ExpectBand(read.bands[6], kHighPass, 25, 0.0f, 0.707f);
  ExpectBand(read.bands[7], kLowPass, 12000, 0.0f, 0.5f);
  ExpectBand(read.bands[8], kHighPass, 30, 0.0f, 1.3f);
  ExpectBand(read.bands[9], kPeaking, 1000, -15.0f, 10.0f);  // the notch: deepest peaking cut
  ExpectBand(read.bands[10], kAllPass, 750, 0.0f, 0.707f);
  ASSERT_TRUE(read.preampDb.has_value());
  EXPECT_DOUBLE_EQ(*read.preampDb, -6.5);
  // Preamp, the OFF filter, the unused slot and the notch are reported, each with its line.
  ASSERT_EQ(read.notes.size(), 4u);
  EXPECT_EQ(read.notes[0].line, 10);
  EXPECT_EQ(read.notes[1].message, "line 20: filter switched off, skipped");
  EXPECT_EQ(read.notes[2].line, 21);
  EXPECT_EQ(read.notes[3].line, 22);

  // Exported and read again: the same bands, and the same text a second time.
  const std::vector<EqBand> stored = AsStored(read.bands);
  const std::string text = FormatFilterList(stored, "set 0");
  const FilterListImport again = ParseFilterList(text, 0);
  ASSERT_TRUE(again.ok());
  EXPECT_TRUE(again.notes.empty());
  EXPECT_TRUE(SameBands(again.bands, stored));
  EXPECT_EQ(FormatFilterList(AsStored(again.bands), "set 0"), text);
}

TEST(FilterList, ExportWritesTheMeasurementProgramsLayout) {
  const std::vector<EqBand> bands{{-4.5f, 63, 2.5f, kPeaking},  {3.0f, 105, 0.707f, kLowShelf},
                                  {1.5f, 200, 0.9f, kLowShelf}, {0.0f, 80, 0.707f, kHighPass},
                                  {0.0f, 90, 0.541f, 21},       {0.0f, 750, 1.0f, kAllPass}};
  EXPECT_EQ(FormatFilterList(bands, "output 1"),
            "Filter Settings file\n"
            "\n"
            "Notes: output 1\n"
            "\n"
            "Equaliser: Generic\n"
            "Filter  1: ON  PK       Fc   63.0 Hz  Gain  -4.5 dB  Q  2.500\n"
            "Filter  2: ON  LS       Fc  105.0 Hz  Gain   3.0 dB\n"
            "Filter  3: ON  LSC      Fc  200.0 Hz  Gain   1.5 dB  Q  0.900\n"
            "Filter  4: ON  HP       Fc   80.0 Hz\n"
            "Filter  5: ON  HPQ      Fc   90.0 Hz  Q  0.541\n"
            "Filter  6: ON  AP       Fc  750.0 Hz  Q  1.000\n");
}

TEST(FilterList, VariantsFromOtherProgramsAreAccepted) {
  const FilterListImport read = ParseFilterList(
      "\xEF\xBB\xBF# equaliser configuration\n"
      "Preamp: -3,5 dB\n"
      "Filter: ON PK Fc 1,5 kHz Gain -2,5 dB Q 1,41\n"      // no number, decimal commas, kHz
      "filter 2 : on pk fc 100 hz gain 3 db bw oct 1\n"     // lower case, bandwidth in octaves
      "Filter 3: ON LS 12dB Fc 1.000,5 Hz Gain 2 dB\n"      // slope named, grouping dot
      "Filter 4: ON HP Fc 1,000.4 Hz\n",                    // grouping comma
      6);
  ASSERT_TRUE(read.ok()) << read.errors.front().message;
  ASSERT_EQ(read.bands.size(), 4u);
  ExpectBand(read.bands[0], kPeaking, 1500, -2.5f, 1.41f);
  ExpectBand(read.bands[1], kPeaking, 100, 3.0f, 1.4142135f);
  ExpectBand(read.bands[2], kLowShelf, 1001, 2.0f, 0.707f);
  ExpectBand(read.bands[3], kHighPass, 1000, 0.0f, 0.707f);
  EXPECT_DOUBLE_EQ(read.preampDb.value_or(0), -3.5);
}

TEST(FilterList, EveryBadLineIsNamedAndNoBandIsKept) {
  const FilterListImport read = ParseFilterList(
      "Filter  1: ON  PK  Fc 100 Hz  Gain -18.0 dB  Q 2\n"
      "Filter  2: ON  BP  Fc 100 Hz  Q 2\n"
      "Filter  3: ON  PK  Fc 10 Hz  Gain -3 dB  Q 2\n"
      "Filter  4: ON  PK  Fc 100 Hz  Gain -3 dB  Q 40\n"
      "Filter  5: ON  PK  Gain -3 dB  Q 2\n"
      "Filter  6: ON  PK  Fc 1o0 Hz  Gain -3 dB  Q 2\n"
      "Filter  7: MAYBE PK Fc 100 Hz\n"
      "Filter  8: ON  LS 6dB Fc 100 Hz Gain 3 dB\n"
      "Filter  9: ON  PK  Fc 100 Hz  Gain -3 dB\n"
      "Filter 10: ON  HP  Fc 100 Hz  Slope 24\n",
      0);
  EXPECT_FALSE(read.ok());
  EXPECT_TRUE(read.bands.empty());
  ASSERT_EQ(read.errors.size(), 10u);
  for (size_t i = 0; i < read.errors.size(); ++i) EXPECT_EQ(read.errors[i].line, static_cast<int>(i) + 1);
  EXPECT_EQ(read.errors[0].message, "line 1: gain -18.0 dB is outside -15 .. +15 dB");
  EXPECT_EQ(read.errors[1].message,
            "line 2: filter type 'BP' has no counterpart in the device (types: PK, LP, HP, LPQ, HPQ, LS, HS, LSC, HSC, NO, AP)");
  EXPECT_EQ(read.errors[2].message, "line 3: frequency 10.0 Hz is outside 20 .. 20000 Hz");
  EXPECT_EQ(read.errors[3].message, "line 4: Q 40.000 is outside 0.1 .. 30");
  EXPECT_EQ(read.errors[4].message, "line 5: the filter has no frequency (Fc)");
  EXPECT_EQ(read.errors[5].message, "line 6: Fc is not a number: '1o0'");
  EXPECT_EQ(read.errors[8].message, "line 9: the PK filter has no Q");
}

// Numbers that are finite as written but not once converted: 2^bandwidth overflows (Q would be
// NaN and slip past every range check), and kHz takes a frequency past what rounding can hold.
TEST(FilterList, OverflowingBandwidthOrFrequencyIsRefused) {
  const FilterListImport read = ParseFilterList(
      "Filter 1: ON PK Fc 100 Hz Gain -3 dB BW Oct 5000\n"
      "Filter 2: ON PK Fc 1e306 kHz Gain -3 dB Q 1\n"
      "Filter 3: ON PK Fc 1e30 Hz Gain -3 dB Q 1\n",
      0);
  ASSERT_EQ(read.errors.size(), 3u);
  EXPECT_EQ(read.errors[0].message, "line 1: bandwidth 5000.00 octaves gives no usable Q");
  EXPECT_EQ(read.errors[1].message, "line 2: frequency inf Hz is outside 20 .. 20000 Hz");
  EXPECT_EQ(read.errors[2].line, 3);
  EXPECT_TRUE(read.bands.empty());
}

TEST(FilterList, MoreFiltersThanTheSetHoldsIsRefused) {
  std::string text;
  for (int i = 1; i <= 7; ++i) text += "Filter " + std::to_string(i) + ": ON PK Fc " + std::to_string(100 * i) + " Hz Gain -1 dB Q 1\n";
  // The record EQ has five bands; an output channel set nine parametric bands.
  const FilterListImport record = ParseFilterList(text, kRecordEqSet);
  ASSERT_EQ(record.errors.size(), 1u);
  EXPECT_EQ(record.errors[0].message, "line 6: the list holds 7 filters; set 15 has 5 bands");
  EXPECT_TRUE(record.bands.empty());
  EXPECT_TRUE(ParseFilterList(text, 7).ok());
  EXPECT_EQ(FilterListBands(7), 9);
  EXPECT_EQ(FilterListBands(16), 8);
  EXPECT_FALSE(ParseFilterList(text, 24).ok());
}

TEST(FilterList, ApplyWritesTheListedBandsFlattensTheRestAndKeepsTheCrossover) {
  DeviceModel model;
  test::RecordingSink sink;
  DeviceSession session(model, sink);
  constexpr int kSet = 8;  // output 2
  const EqBand crossover = model.Read([](const DeviceState& s) { return s.Band(kSet, 9); });
  SetEqBand(session, kSet, 5, kPeaking, 1234, 6.0f, 3.0f);  // earlier edits the list replaces
  SetEqBand(session, kSet, 6, kHighPass, 80, 0.0f, 0.707f);
  SetEqBand(session, kSet, 7, kPeaking, 777, 0.0f, 5.0f);    // flat already: left where it is
  sink.Clear();

  const FilterListImport read = ParseFilterList("Filter 1: ON PK Fc 63 Hz Gain -4.5 dB Q 2.5\n"
                                                "Filter 2: ON HS Fc 8000 Hz Gain -2 dB\n",
                                                kSet);
  ASSERT_TRUE(read.ok());
  ApplyFilterList(session, kSet, read.bands);

  const DeviceState s = model.Snapshot();
  ExpectBand(s.Band(kSet, 0), kPeaking, 63, -4.5f, 2.5f);
  ExpectBand(s.Band(kSet, 1), kHighShelf, 8000, -2.0f, 0.707f);
  ExpectBand(s.Band(kSet, 5), kPeaking, ResetFrequency(kSet, 5), 0.0f, 1.41f);
  ExpectBand(s.Band(kSet, 6), kPeaking, ResetFrequency(kSet, 6), 0.0f, 1.41f);
  ExpectBand(s.Band(kSet, 7), kPeaking, 777, 0.0f, 5.0f);
  EXPECT_EQ(EncodeEqBand(s.Band(kSet, 9)), EncodeEqBand(crossover));
  // Two payloads per band (coefficients, record) for the two listed and the two that shaped the
  // sound; none for the flat ones nor the crossover's section.
  const std::vector<test::Bytes> sent = sink.Payloads();
  ASSERT_EQ(sent.size(), 8u);
  const EqSetLayout layout = EqSetInfo(kSet);
  for (const test::Bytes& p : sent) {
    if (p[0] == 0x09) {
      EXPECT_LT(p[3], layout.firstIndex + 9);
    }
  }
}

TEST(FilterList, SetBandsForTheListAreThoseTheListFills) {
  DeviceModel model;
  const DeviceState s = model.Snapshot();
  EXPECT_EQ(SetBandsForFilterList(s, 7).size(), 9u);
  EXPECT_EQ(SetBandsForFilterList(s, kRecordEqSet).size(), 5u);
  const std::vector<EqBand> music = SetBandsForFilterList(s, 6);
  ASSERT_EQ(music.size(), 10u);  // the maximum-bass low-pass beyond them is not part of the set's list
  EXPECT_EQ(music[0].freq, 31);
}

}  // namespace
}  // namespace nr
