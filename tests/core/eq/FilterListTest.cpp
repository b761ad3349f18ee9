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
            "line 2: filter type 'BP' has no counterpart in the device (types: PK, Modal, LP, HP, LPQ, HPQ, LP Q, "
            "HP Q, LP1, HP1, LS, HS, LSC, HSC, LS Q, HS Q, NO, Notch, AP, All pass)");
  EXPECT_EQ(read.errors[2].message, "line 3: frequency 10.0 Hz is outside 20 .. 20000 Hz");
  EXPECT_EQ(read.errors[3].message, "line 4: Q 40.000 is outside 0.1 .. 30");
  EXPECT_EQ(read.errors[4].message, "line 5: the filter has no frequency (Fc)");
  EXPECT_EQ(read.errors[5].message, "line 6: Fc is not a number: '1o0'");
  EXPECT_EQ(read.errors[8].message, "line 9: the PK filter has no Q");
}

// The limits themselves are inside: a list written at the editor's edges goes in whole.
TEST(FilterList, ValuesAtTheBandEditorsLimitsAreTaken) {
  const FilterListImport read = ParseFilterList(
      "Filter 1: ON PK Fc 20 Hz Gain -15 dB Q 0.1\n"
      "Filter 2: ON PK Fc 20000 Hz Gain 15 dB Q 30\n"
      "Filter 3: ON LPQ Fc 1000 Hz Q 2\n",
      0);
  ASSERT_TRUE(read.ok()) << (read.errors.empty() ? "" : read.errors[0].message);
  ASSERT_EQ(read.bands.size(), 3u);
  EXPECT_FLOAT_EQ(read.bands[0].q, 0.1f);
  EXPECT_FLOAT_EQ(read.bands[1].q, 30.0f);
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
  EXPECT_EQ(record.errors[0].message, "line 6: the list holds 7 filters; set 15 takes at most 5");
  EXPECT_EQ(record.excess, 2);
  EXPECT_TRUE(record.bands.empty());
  EXPECT_TRUE(ParseFilterList(text, 7).ok());
  EXPECT_EQ(FilterListBands(7), 9);
  EXPECT_EQ(FilterListBands(16), 8);
  EXPECT_FALSE(ParseFilterList(text, 24).ok());
}

// The spellings of newer versions of the measurement program, each on the line it writes.
TEST(FilterList, NewerSpellingsMapToTheDeviceTypes) {
  struct Case {
    const char* line;
    int type, freq;
    float gain, q;
    const char* note;  // part of the note the line gets, or nullptr
  };
  const Case cases[] = {
      {"Filter  1: ON  LP Q     Fc   80.0 Hz  Q  0.600", kLowPass, 80, 0.0f, 0.6f, nullptr},
      {"Filter  2: ON  HP Q     Fc   25.0 Hz  Q  1.100", kHighPass, 25, 0.0f, 1.1f, nullptr},
      {"Filter  3: ON  LS Q     Fc  120.0 Hz  Gain   3.0 dB  Q  0.800", kLowShelf, 120, 3.0f, 0.8f, nullptr},
      {"Filter  4: ON  HS Q     Fc   6000 Hz  Gain  -2.0 dB  Q  0.650", kHighShelf, 6000, -2.0f, 0.65f, nullptr},
      {"Filter  5: ON  LP1      Fc  15000 Hz", kFirstOrderLowPass, 15000, 0.0f, 0.707f, nullptr},
      {"Filter  6: ON  HP1      Fc   30.0 Hz", kFirstOrderHighPass, 30, 0.0f, 0.707f, nullptr},
      {"Filter  7: ON  All pass Fc    500 Hz  Q  0.900", kAllPass, 500, 0.0f, 0.9f, nullptr},
      {"Filter  8: ON  Notch    Fc   1000 Hz", kPeaking, 1000, -15.0f, 30.0f, "notch at 1000 Hz"},
      {"Filter  9: ON  Notch Q  Fc   2000 Hz  Q  8.000", kPeaking, 2000, -15.0f, 8.0f, "notch at 2000 Hz"},
      {"Filter 10: ON  Modal    Fc   45.0 Hz  Gain  -6.0 dB  Q  9.000  T60 target 300 ms", kPeaking, 45, -6.0f, 9.0f,
       "modal filter at 45 Hz becomes a peaking band (its T60 target is not kept)"},
      {"Filter 11: ON  LP       Q  0.600    Fc  100 Hz", kLowPass, 100, 0.0f, 0.6f, nullptr},  // Q the value's keyword
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const FilterListImport read = ParseFilterList(std::string(c.line) + "\n", 0);
    ASSERT_TRUE(read.ok()) << read.errors.front().message;
    ASSERT_EQ(read.bands.size(), 1u);
    ExpectBand(read.bands[0], c.type, c.freq, c.gain, c.q);
    if (c.note) {
      ASSERT_EQ(read.notes.size(), 1u);
      EXPECT_NE(read.notes[0].message.find(c.note), std::string::npos) << read.notes[0].message;
    } else {
      EXPECT_TRUE(read.notes.empty()) << read.notes[0].message;
    }
  }
  // First-order sections export under their own names and read back as the same type.
  const std::vector<EqBand> firstOrder{{0.0f, 15000, 0.707f, kFirstOrderLowPass}, {0.0f, 30, 0.707f, kFirstOrderHighPass}};
  const FilterListImport again = ParseFilterList(FormatFilterList(firstOrder), 0);
  ASSERT_TRUE(again.ok());
  EXPECT_TRUE(SameBands(again.bands, firstOrder));
}

// A file that holds no filter line is no list: importing it would flatten the whole set.
TEST(FilterList, TextWithoutFilterLinesIsRefused) {
  std::string random;
  for (int i = 0; i < 512; ++i) random += static_cast<char>((i * 73 + 11) % 256);
  std::string utf16NotDecoded = "\xFF\xFE";
  for (char c : std::string_view("Filter 1: ON PK Fc 63 Hz Gain -4 dB Q 2\n")) utf16NotDecoded += std::string{c, '\0'};
  const std::string cases[] = {
      "",
      "\n\n",
      "Filter Settings file\n\nNotes: left\n\nEqualiser: Generic\n",
      "Preamp: -6 dB\n",
      random,
      utf16NotDecoded,
      "ON PK Fc 63 Hz Gain -4 dB Q 2\n",  // a filter, but no filter line
  };
  for (const std::string& text : cases) {
    const FilterListImport read = ParseFilterList(text, 7);
    ASSERT_EQ(read.errors.size(), 1u) << text;
    EXPECT_EQ(read.errors[0].message.rfind("no filter lines", 0), 0u) << read.errors[0].message;
    EXPECT_TRUE(read.bands.empty());
  }
  // Among filter lines, one without the prefix is skipped and said, as a switched-off one is.
  const FilterListImport mixed = ParseFilterList("Filter 1: ON PK Fc 63 Hz Gain -4 dB Q 2\n"
                                                 "  ON  PK  Fc 125 Hz  Gain -2 dB  Q 1\n"
                                                 "PK Fc 250 Hz Gain 1 dB Q 1\n"
                                                 "Equaliser: Generic\n",
                                                 7);
  ASSERT_TRUE(mixed.ok());
  EXPECT_EQ(mixed.bands.size(), 1u);
  ASSERT_EQ(mixed.notes.size(), 2u);
  EXPECT_EQ(mixed.notes[0].message, "line 2: a filter without the 'Filter N:' prefix, skipped");
  EXPECT_EQ(mixed.notes[1].line, 3);
}

// Ten filters for a set of nine: the one of least effect goes, named; a list can only lose
// filters that have a gain, and the later of two equal ones goes first.
TEST(FilterList, DropSmallestLeavesOutTheFiltersOfLeastEffect) {
  const std::string text =
      "Filter  1: ON  HP  Fc 30 Hz\n"
      "Filter  2: ON  PK  Fc 63 Hz  Gain -6.0 dB  Q 4\n"
      "Filter  3: ON  PK  Fc 90 Hz  Gain  0.5 dB  Q 4\n"
      "Filter  4: ON  PK  Fc 120 Hz  Gain -3.0 dB  Q 4\n"
      "Filter  5: ON  LS  Fc 150 Hz  Gain  2.0 dB\n"
      "Filter  6: ON  PK  Fc 200 Hz  Gain -0.5 dB  Q 4\n"
      "Filter  7: ON  NO  Fc 300 Hz  Q 10\n"
      "Filter  8: ON  PK  Fc 400 Hz  Gain -4.0 dB  Q 4\n"
      "Filter  9: ON  PK  Fc 500 Hz  Gain  1.0 dB  Q 4\n"
      "Filter 10: ON  PK  Fc 600 Hz  Gain -2.0 dB  Q 4\n"
      "Filter 11: ON  PK  Fc 700 Hz  Gain -5.0 dB  Q 4\n";
  const FilterListImport refused = ParseFilterList(text, 7);
  EXPECT_FALSE(refused.ok());
  EXPECT_EQ(refused.excess, 2);

  const FilterListImport fitted = ParseFilterList(text, 7, ExcessFilters::kDropSmallest);
  ASSERT_TRUE(fitted.ok()) << fitted.errors.front().message;
  EXPECT_EQ(fitted.excess, 2);
  std::vector<int> freqs;
  for (const EqBand& b : fitted.bands) freqs.push_back(b.freq);
  EXPECT_EQ(freqs, (std::vector<int>{30, 63, 120, 150, 300, 400, 500, 600, 700}));  // in list order
  ASSERT_EQ(fitted.dropped.size(), 2u);
  EXPECT_EQ(fitted.dropped[0].message, "line 3: PK at 90 Hz, 0.5 dB, left out");
  EXPECT_EQ(fitted.dropped[1].message, "line 6: PK at 200 Hz, -0.5 dB, left out");

  // A list that fits is not touched by the choice; one of low- and high-passes cannot be fitted.
  EXPECT_TRUE(ParseFilterList(text, 0, ExcessFilters::kDropSmallest).dropped.empty());
  std::string passes;
  for (int i = 1; i <= 10; ++i) passes += "Filter " + std::to_string(i) + ": ON LP Fc " + std::to_string(1000 * i) + " Hz\n";
  const FilterListImport unfit = ParseFilterList(passes, 7, ExcessFilters::kDropSmallest);
  ASSERT_FALSE(unfit.ok());
  EXPECT_NE(unfit.errors[0].message.find("only 0 of them have a gain"), std::string::npos) << unfit.errors[0].message;
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
