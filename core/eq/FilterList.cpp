#include "eq/FilterList.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "eq/BandWrites.h"
#include "eq/Biquad.h"
#include "link/EqLayout.h"

namespace nr {
namespace {

constexpr int kChannelSetFirst = 7;
constexpr int kChannelSetLast = 14;
constexpr int kChannelParametricBands = 9;  // band 9 is the crossover, 10..12 its partners

constexpr float kDefaultFilterQ = 0.707f;   // LP, HP, LS and HS lines carry no Q
constexpr float kDefaultNotchQ = 30.0f;
constexpr float kResetQ = 1.41f;

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::vector<std::string_view> SplitBlanks(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    const size_t start = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// A number as these files write it: "63.0", "-4,5" (decimal comma), "1.000,5" or "1,000.5"
// (the last separator is the decimal one). nullopt for anything else.
std::optional<double> ParseListNumber(std::string_view word) {
  if (!word.empty() && word.front() == '+') word.remove_prefix(1);
  const size_t dot = word.rfind('.'), comma = word.rfind(',');
  std::string text;
  const bool commaIsDecimal = comma != std::string_view::npos && (dot == std::string_view::npos || comma > dot);
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    if (c == ',') {
      if (commaIsDecimal && i == comma) text += '.';
      continue;  // a grouping comma
    }
    if (c == '.' && commaIsDecimal) continue;  // a grouping dot
    text += c;
  }
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string Fixed(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

enum class TypeKind { kPlain, kNotch, kModal };

struct TypeInfo {
  std::string_view name;  // lower case; two words where the program writes two ("lp q")
  int type;
  bool gain;              // the line carries a gain
  bool usesQ;             // the section has a Q (first-order sections have none)
  float defaultQ;         // when the line carries none (0: Q required)
  TypeKind kind = TypeKind::kPlain;
};

// The names measurement programs write, older and newer spellings alike.
constexpr TypeInfo kTypes[] = {
    {"pk", kPeaking, true, true, 0.0f},
    {"peq", kPeaking, true, true, 0.0f},
    {"modal", kPeaking, true, true, 0.0f, TypeKind::kModal},
    {"lp", kLowPass, false, true, kDefaultFilterQ},
    {"lpq", kLowPass, false, true, kDefaultFilterQ},
    {"lp q", kLowPass, false, true, kDefaultFilterQ},
    {"hp", kHighPass, false, true, kDefaultFilterQ},
    {"hpq", kHighPass, false, true, kDefaultFilterQ},
    {"hp q", kHighPass, false, true, kDefaultFilterQ},
    {"lp1", kFirstOrderLowPass, false, false, kDefaultFilterQ},
    {"hp1", kFirstOrderHighPass, false, false, kDefaultFilterQ},
    {"ls", kLowShelf, true, true, kDefaultFilterQ},
    {"lsc", kLowShelf, true, true, kDefaultFilterQ},
    {"ls q", kLowShelf, true, true, kDefaultFilterQ},
    {"hs", kHighShelf, true, true, kDefaultFilterQ},
    {"hsc", kHighShelf, true, true, kDefaultFilterQ},
    {"hs q", kHighShelf, true, true, kDefaultFilterQ},
    {"no", kPeaking, false, true, kDefaultNotchQ, TypeKind::kNotch},
    {"notch", kPeaking, false, true, kDefaultNotchQ, TypeKind::kNotch},
    {"notch q", kPeaking, false, true, kDefaultNotchQ, TypeKind::kNotch},
    {"ap", kAllPass, false, true, kDefaultFilterQ},
    {"all pass", kAllPass, false, true, kDefaultFilterQ},
};
constexpr std::string_view kTypeNames =
    "PK, Modal, LP, HP, LPQ, HPQ, LP Q, HP Q, LP1, HP1, LS, HS, LSC, HSC, LS Q, HS Q, NO, Notch, AP, All pass";

const TypeInfo* FindType(std::string_view word) {
  const std::string lower = Lower(word);
  for (const TypeInfo& t : kTypes)
    if (t.name == lower) return &t;
  return nullptr;
}

// The filter type at the start of words, in one word or two ("LP Q", "All pass"); first is set
// to the word after it. "LP Q 0.7" is the type LP followed by its Q.
const TypeInfo* ReadType(std::span<const std::string_view> words, size_t& first, std::string& text) {
  if (words.size() >= 2) {
    const bool qThenNumber = Lower(words[1]) == "q" && words.size() >= 3 && ParseListNumber(words[2]).has_value();
    if (!qThenNumber) {
      if (const TypeInfo* two = FindType(std::string(words[0]) + " " + std::string(words[1]))) {
        first = 2;
        text = std::string(words[0]) + " " + std::string(words[1]);
        return two;
      }
    }
  }
  first = 1;
  text = std::string(words[0]);
  return FindType(words[0]);
}

// "Filter", an optional number and a colon; rest is what follows the colon. Lines such as
// "Filter Settings file" are headers.
bool IsFilterLine(std::string_view line, std::string_view& rest) {
  const std::string lower = Lower(line.substr(0, 6));
  if (lower != "filter") return false;
  size_t i = 6;
  while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
  while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
  while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
  if (i >= line.size() || line[i] != ':') return false;
  rest = line.substr(i + 1);
  return true;
}

struct LineReader {
  int number;
  FilterListImport& result;
  std::vector<int>& bandLines;  // the line of each band in result.bands

  void Error(const std::string& message) { result.errors.push_back({number, "line " + std::to_string(number) + ": " + message}); }
  void Note(const std::string& message) { result.notes.push_back({number, "line " + std::to_string(number) + ": " + message}); }
};

// The keyword-value pairs after the type: Fc F [Hz|kHz], Gain G [dB], Q Q, BW Oct B, and a
// modal filter's decay target T60 [target] T [ms|s].
struct FilterValues {
  std::optional<double> fc, gain, q, bwOctaves, t60;
};

bool ReadValues(std::span<const std::string_view> words, FilterValues& v, LineReader& reader) {
  size_t i = 0;
  auto number = [&](std::string_view what) -> std::optional<double> {
    if (i + 1 >= words.size()) {
      reader.Error(std::string(what) + " has no value");
      return std::nullopt;
    }
    const std::optional<double> value = ParseListNumber(words[++i]);
    if (!value) reader.Error(std::string(what) + " is not a number: '" + std::string(words[i]) + "'");
    return value;
  };
  auto skipUnit = [&](std::initializer_list<std::string_view> units) {
    if (i + 1 < words.size()) {
      const std::string next = Lower(words[i + 1]);
      for (std::string_view u : units)
        if (next == u) {
          ++i;
          return next;
        }
    }
    return std::string();
  };
  for (; i < words.size(); ++i) {
    const std::string key = Lower(words[i]);
    if (key == "fc") {
      if (!(v.fc = number("Fc"))) return false;
      if (skipUnit({"hz", "khz"}) == "khz") *v.fc *= 1000.0;
      continue;
    }
    if (key == "gain") {
      if (!(v.gain = number("Gain"))) return false;
      skipUnit({"db"});
      continue;
    }
    if (key == "q") {
      if (!(v.q = number("Q"))) return false;
      continue;
    }
    if (key == "bw") {
      if (i + 1 < words.size() && Lower(words[i + 1]) == "oct") ++i;
      if (!(v.bwOctaves = number("BW"))) return false;
      continue;
    }
    if (key == "t60") {
      if (i + 1 < words.size() && Lower(words[i + 1]) == "target") ++i;
      if (!(v.t60 = number("T60"))) return false;
      skipUnit({"ms", "s"});
      continue;
    }
    reader.Error("unexpected '" + std::string(words[i]) + "' (a filter line holds Fc, Gain and Q)");
    return false;
  }
  return true;
}

// Q of a peaking filter given its bandwidth in octaves.
double QFromOctaves(double n) {
  const double p = std::pow(2.0, n);
  return std::sqrt(p) / (p - 1.0);
}

// One filter line after "Filter N:". Adds its band, or a note or an error.
void ReadFilter(std::string_view rest, LineReader& reader) {
  const std::vector<std::string_view> words = SplitBlanks(rest);
  if (words.empty()) return reader.Error("the filter line is empty after the colon");
  const std::string state = Lower(words[0]);
  if (state != "on" && state != "off")
    return reader.Error("expected ON or OFF after the colon, not '" + std::string(words[0]) + "'");
  if (words.size() < 2 || Lower(words[1]) == "none") {
    reader.Note("an unused filter slot, skipped");
    return;
  }
  if (state == "off") {
    reader.Note("filter switched off, skipped");
    return;
  }
  size_t first = 0;
  std::string typeText;
  const TypeInfo* type = ReadType(std::span(words).subspan(1), first, typeText);
  ++first;  // counted from the word after ON
  if (!type) {
    return reader.Error("filter type '" + typeText + "' has no counterpart in the device (types: " +
                        std::string(kTypeNames) + ")");
  }
  // A shelf may name its slope: "LS 12dB". The device's shelves are second order.
  if ((type->type == kLowShelf || type->type == kHighShelf) && first < words.size()) {
    const std::string slope = Lower(words[first]);
    if (slope.size() > 2 && slope.ends_with("db")) {
      if (slope != "12db") return reader.Error("a " + slope.substr(0, slope.size() - 2) + " dB shelf has no counterpart in the device (its shelves fall 12 dB per octave)");
      ++first;
    }
  }
  FilterValues v;
  if (!ReadValues(std::span(words).subspan(first), v, reader)) return;

  if (!v.fc) return reader.Error("the filter has no frequency (Fc)");
  // Checked before rounding: a frequency far beyond any long (or made infinite by "kHz") has no
  // defined rounding.
  if (!(*v.fc >= kBandFreqMinHz - 0.5 && *v.fc < kBandFreqMaxHz + 0.5))
    return reader.Error("frequency " + Fixed(*v.fc, 1) + " Hz is outside " + std::to_string(kBandFreqMinHz) + " .. " +
                        std::to_string(kBandFreqMaxHz) + " Hz");
  const long freq = std::lround(*v.fc);

  double gain = 0.0;
  if (type->gain) {
    if (!v.gain) return reader.Error("the " + typeText + " filter has no gain");
    gain = *v.gain;
    if (gain < kBandGainMinDb || gain > kBandGainMaxDb)
      return reader.Error("gain " + Fixed(gain, 1) + " dB is outside -15 .. +15 dB");
  }

  double q = type->defaultQ;
  if (v.bwOctaves) {
    if (!(*v.bwOctaves > 0.0)) return reader.Error("bandwidth " + Fixed(*v.bwOctaves, 2) + " octaves is not above 0");
    q = QFromOctaves(*v.bwOctaves);
    // 2^n overflows for a huge bandwidth and underflows towards 1 for a tiny one.
    if (!std::isfinite(q)) return reader.Error("bandwidth " + Fixed(*v.bwOctaves, 2) + " octaves gives no usable Q");
  }
  if (v.q) q = *v.q;
  if (!type->usesQ) q = type->defaultQ;  // a first-order section has no Q to keep
  if (q == 0.0) return reader.Error("the " + typeText + " filter has no Q");
  const float maxQ = BandQMax(type->type);
  const float bandQ = static_cast<float>(q);  // the band keeps a float: 0.1 is the float limit
  if (!(bandQ >= kBandQMin && bandQ <= maxQ))  // written so that a NaN is refused too
    return reader.Error("Q " + Fixed(q, 3) + " is outside " + Fixed(kBandQMin, 1) + " .. " + Fixed(maxQ, 0));

  if (type->kind == TypeKind::kNotch) {
    // The device has no notch: the deepest peaking cut at the same frequency and Q comes closest.
    gain = kBandGainMinDb;
    reader.Note("notch at " + std::to_string(freq) + " Hz becomes a -15 dB peaking band (the device has no notch)");
  }
  if (type->kind == TypeKind::kModal) {
    // A modal filter is a peaking filter the program sized for a decay time; the band keeps the
    // filter, the decay target is only the program's.
    reader.Note("modal filter at " + std::to_string(freq) + " Hz becomes a peaking band" +
                (v.t60 ? " (its T60 target is not kept)" : std::string()));
  }
  reader.result.bands.push_back(EqBand{static_cast<float>(gain), static_cast<int>(freq), static_cast<float>(q), type->type});
  reader.bandLines.push_back(reader.number);
}

std::string TypeWord(const EqBand& b, bool& withGain, bool& withQ) {
  const bool defaultQ = std::fabs(b.q - kDefaultFilterQ) < 0.0005f;
  withGain = false;
  withQ = true;
  switch (b.type) {
    case kPeaking:
      withGain = true;
      return "PK";
    case kLowShelf:
    case kHighShelf:
      withGain = true;
      withQ = !defaultQ;
      return std::string(b.type == kLowShelf ? "LS" : "HS") + (withQ ? "C" : "");
    case kFirstOrderLowPass:
    case kFirstOrderHighPass:
      withQ = false;  // a first-order section has no Q
      return b.type == kFirstOrderLowPass ? "LP1" : "HP1";
    default:
      break;
  }
  if (b.type >= kLowPass && b.type <= 21) {
    withQ = !defaultQ;
    return std::string(b.type % 2 == 0 ? "LP" : "HP") + (withQ ? "Q" : "");
  }
  return "AP";
}

// A line that holds a filter but lacks the "Filter N:" prefix: it starts with ON or OFF, or names a
// frequency (Fc).
bool LooksLikeFilter(std::string_view line) {
  const std::vector<std::string_view> words = SplitBlanks(line);
  if (words.empty()) return false;
  const std::string head = Lower(words[0]);
  if (head == "on" || head == "off") return true;
  return std::any_of(words.begin(), words.end(), [](std::string_view w) { return Lower(w) == "fc"; });
}

std::string TooManyText(size_t filters, int set) {
  return "the list holds " + std::to_string(filters) + " filters; set " + std::to_string(set) + " takes at most " +
         std::to_string(FilterListBands(set));
}

// What a filter of the list does to the sound, for choosing which to leave out: the size of its
// gain. Filters without a gain (low- and high-pass, all-pass) shape the response as a whole and
// are never left out.
std::optional<float> Effect(const EqBand& band) {
  if (band.type == kPeaking || band.type == kLowShelf || band.type == kHighShelf) return std::fabs(band.gainDb);
  return std::nullopt;
}

// Leaves out the filters of least effect until the list fits the set; the later of two equal
// ones goes first. Each one left out is named with its line.
void DropSmallest(FilterListImport& result, std::vector<int>& bandLines, int capacity, int set) {
  const size_t drop = result.bands.size() - static_cast<size_t>(capacity);
  std::vector<size_t> candidates;
  for (size_t i = 0; i < result.bands.size(); ++i)
    if (Effect(result.bands[i])) candidates.push_back(i);
  if (candidates.size() < drop) {
    result.errors.push_back({0, TooManyText(result.bands.size(), set) + ", and only " + std::to_string(candidates.size()) +
                                    " of them have a gain by which to leave some out"});
    return;
  }
  std::stable_sort(candidates.begin(), candidates.end(), [&](size_t a, size_t b) {
    const float ea = *Effect(result.bands[a]), eb = *Effect(result.bands[b]);
    return ea != eb ? ea < eb : a > b;
  });
  std::vector<bool> dropped(result.bands.size(), false);
  for (size_t k = 0; k < drop; ++k) dropped[candidates[k]] = true;
  std::vector<EqBand> kept;
  std::vector<int> keptLines;
  for (size_t i = 0; i < result.bands.size(); ++i) {
    const EqBand& b = result.bands[i];
    if (!dropped[i]) {
      kept.push_back(b);
      keptLines.push_back(bandLines[i]);
      continue;
    }
    bool withGain = false, withQ = false;
    const std::string name = TypeWord(b, withGain, withQ);
    result.dropped.push_back({bandLines[i], "line " + std::to_string(bandLines[i]) + ": " + name + " at " +
                                                std::to_string(b.freq) + " Hz, " + Fixed(b.gainDb, 1) + " dB, left out"});
  }
  result.bands = std::move(kept);
  bandLines = std::move(keptLines);
}

}  // namespace

int FilterListBands(int set) {
  if (set >= kChannelSetFirst && set <= kChannelSetLast) return kChannelParametricBands;
  return EqSetInfo(set).bands;
}

FilterListImport ParseFilterList(std::string_view text, int set, ExcessFilters excess) {
  FilterListImport result;
  if (set < 0 || set >= kEqSetCount) {
    result.errors.push_back({0, "there is no EQ set " + std::to_string(set) + " (sets 0 .. 23)"});
    return result;
  }
  const int capacity = FilterListBands(set);
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark
  std::vector<int> bandLines;
  int number = 0;
  bool anyFilterLine = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
    LineReader reader{number, result, bandLines};
    std::string_view rest;
    if (Lower(line.substr(0, 7)) == "preamp:") {
      const std::vector<std::string_view> words = SplitBlanks(line.substr(7));
      const std::optional<double> db = words.empty() ? std::nullopt : ParseListNumber(words[0]);
      if (!db) {
        reader.Error("the preamp is not a number");
        continue;
      }
      result.preampDb = *db;
      reader.Note("preamp " + Fixed(*db, 1) + " dB is not applied (an EQ set has no preamp)");
      continue;
    }
    if (!IsFilterLine(line, rest)) {
      // Headers, notes and blank lines say nothing; a filter that lost its prefix is skipped
      // like a switched-off one, and said.
      if (LooksLikeFilter(line)) reader.Note("a filter without the 'Filter N:' prefix, skipped");
      continue;
    }
    anyFilterLine = true;
    ReadFilter(rest, reader);
  }
  if (!anyFilterLine) {
    result.errors.push_back({0, "no filter lines (a list holds lines such as 'Filter  1: ON  PK  Fc 63 Hz  Gain -4.5 dB  Q 2.5')"});
  } else if (static_cast<int>(result.bands.size()) > capacity) {
    result.excess = static_cast<int>(result.bands.size()) - capacity;
    if (excess == ExcessFilters::kDropSmallest && result.errors.empty()) {
      DropSmallest(result, bandLines, capacity, set);
    } else {
      const int firstExcessLine = bandLines[static_cast<size_t>(capacity)];
      result.errors.push_back({firstExcessLine, "line " + std::to_string(firstExcessLine) + ": " + TooManyText(result.bands.size(), set)});
      std::stable_sort(result.errors.begin(), result.errors.end(),
                       [](const FilterListLine& a, const FilterListLine& b) { return a.line < b.line; });
    }
  }
  if (!result.errors.empty()) result.bands.clear();
  return result;
}

std::string FormatFilterList(std::span<const EqBand> bands, std::string_view title) {
  std::string text = "Filter Settings file\n\nNotes: ";
  text += title;
  text += "\n\nEqualiser: Generic\n";
  int number = 0;
  for (const EqBand& b : bands) {
    bool withGain = false, withQ = false;
    const std::string type = TypeWord(b, withGain, withQ);
    char line[160];
    int n = std::snprintf(line, sizeof line, "Filter %2d: ON  %-8s Fc %6.1f Hz", ++number, type.c_str(),
                          static_cast<double>(b.freq));
    if (withGain) n += std::snprintf(line + n, sizeof line - static_cast<size_t>(n), "  Gain %5.1f dB", static_cast<double>(b.gainDb));
    if (withQ) std::snprintf(line + n, sizeof line - static_cast<size_t>(n), "  Q %6.3f", static_cast<double>(b.q));
    text += line;
    text += '\n';
  }
  return text;
}

// A peaking band without gain shapes nothing, wherever it sits: flattening it again would only
// move it and make a file differ where nothing audible changed.
namespace {
bool IsFlat(const EqBand& band) { return band.type == kPeaking && std::fabs(band.gainDb) < 0.05f; }
}  // namespace

std::vector<EqBand> SetBandsForFilterList(const DeviceState& state, int set) {
  std::vector<EqBand> bands;
  for (int b = 0; b < FilterListBands(set); ++b) bands.push_back(state.Band(set, b));
  return bands;
}

void ApplyFilterList(DeviceSession& session, int set, std::span<const EqBand> bands) {
  const int count = FilterListBands(set);
  const DeviceState before = session.Model().Snapshot();
  for (int b = 0; b < count; ++b) {
    if (static_cast<size_t>(b) < bands.size()) {
      const EqBand& band = bands[static_cast<size_t>(b)];
      SetEqBand(session, set, b, band.type, band.freq, band.gainDb, band.q);
    } else if (!IsFlat(before.Band(set, b))) {
      SetEqBand(session, set, b, kPeaking, ResetFrequency(set, b), 0.0f, kResetQ);
    }
  }
}

}  // namespace nr
