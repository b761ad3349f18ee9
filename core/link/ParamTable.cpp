// The parameter record list: the same 235 records in the same order in the device, the image and
// every mode file, with their factory values.
#include "link/ParamTable.h"

#include <cstdlib>
#include <initializer_list>

#include "link/Bytes.h"
#include "link/Dynamics.h"
#include "link/ImageLayout.h"

namespace nr {
namespace {

constexpr uint32_t F(float v) { return FloatBits(v); }
constexpr uint32_t I(uint32_t v) { return v; }

// Factory dynamics blocks hold the roundings the PC's own encoder produces for their settings,
// except where a factory word differs (the compressors' release word decodes to 99.997 ms).
std::array<uint32_t, kMaxRecordWords> DynamicsWords(float ratio, float attackMs, float releaseMs) {
  const DynamicsBlock block = EncodeDynamics(DynamicsSettings{0.0f, ratio, attackMs, releaseMs});
  std::array<uint32_t, kMaxRecordWords> words{};
  for (size_t i = 0; i < words.size(); ++i) words[i] = GetBE32(&block[4 * i]);
  return words;
}

std::array<uint32_t, kMaxRecordWords> CompressorWords() {
  auto words = DynamicsWords(30.0f, 1.0f, 100.0f);
  words[6] = F(0.000208318f);
  return words;
}

class RecordListBuilder {
 public:
  void Add(int module, int index, ValueType type, std::initializer_list<uint32_t> words,
           bool hasImageWord = true) {
    ParamRow& row = rows_[count_++];
    row.module = static_cast<uint8_t>(module);
    row.index = static_cast<uint8_t>(index);
    row.words = static_cast<uint8_t>(words.size());
    row.type = type;
    row.offset = static_cast<uint16_t>(offset_);
    row.hasImageWord = hasImageWord;
    int i = 0;
    for (uint32_t w : words) row.defaults[i++] = w;
    offset_ += row.Size();
  }
  void Add(int module, int index, ValueType type, const std::array<uint32_t, kMaxRecordWords>& words) {
    Add(module, index, type, {words[0], words[1], words[2], words[3], words[4], words[5], words[6]});
  }
  void One(int module, int index, ValueType type, uint32_t word) { Add(module, index, type, {word}); }

  int count() const { return count_; }
  int end() const { return offset_; }
  const std::array<ParamRow, kParamRows>& rows() const { return rows_; }

 private:
  std::array<ParamRow, kParamRows> rows_{};
  int count_ = 0;
  int offset_ = kRecordListOffset;
};

using T = ValueType;

void AddMicrophones(RecordListBuilder& b) {
  const uint32_t fbcShift = F(static_cast<float>(2.0 * 3.14159265358979323846 * 5.0 / 48000.0));
  for (int i = 0x04; i <= 0x07; ++i) b.One(1, i, T::kPercent, F(1.0f));  // microphone volumes
  for (int i = 0x08; i <= 0x0B; ++i) b.One(1, i, T::kTenThousandths, F(0.002f));  // noise gates
  b.One(1, 0x0C, T::kByte, I(0));
  b.One(1, 0x0D, T::kPercent, F(0.0f));
  b.One(1, 0x0E, T::kPercent, F(0.5f));
  b.One(1, 0x0F, T::kPercent, F(1.0f));
  b.One(1, 0x10, T::kPercent, F(0.5f));
  b.One(1, 0x11, T::kPercent, F(1.0f));
  // Channel A then channel B: EQ switch, four microphone sends, feedback canceller triple.
  const struct { int first; float send; } channels[] = {{0x21, 1.0f}, {0x38, 0.0f}};
  for (const auto& ch : channels) {
    b.One(1, ch.first, T::kByte, I(0));
    for (int i = 1; i <= 4; ++i) b.One(1, ch.first + i, T::kPercent, F(ch.send));
    b.One(1, ch.first + 5, T::kBlock, fbcShift);
    b.One(1, ch.first + 6, T::kMillis, I(1200));
    b.One(1, ch.first + 7, T::kByte, I(0));
  }
}

void AddEcho(RecordListBuilder& b) {
  for (int first : {0x07, 0x18}) {
    b.One(2, first + 0, T::kByte, I(0));
    b.One(2, first + 1, T::kPercent, F(0.64f));
    b.One(2, first + 2, T::kMillis, I(96));
    b.One(2, first + 3, T::kMillis, I(96));
    b.One(2, first + 4, T::kPercent, F(0.0f));
    b.One(2, first + 5, T::kPercent, F(0.0f));
    b.One(2, first + 6, T::kMillis, I(11616));
    b.One(2, first + 7, T::kPercent, F(0.48f));
    b.One(2, first + 8, T::kMillis, I(11616));
    b.One(2, first + 9, T::kPercent, F(0.48f));
  }
  b.One(2, 0x22, T::kPercent, F(0.64f));
  b.One(2, 0x23, T::kPercent, F(1.0f));
}

void AddReverb(RecordListBuilder& b) {
  for (int first : {0x07, 0x13}) {
    b.One(3, first + 0, T::kByte, I(0));
    b.One(3, first + 1, T::kPercent, F(0.32f));
    b.One(3, first + 2, T::kMillis, I(1728));
    b.One(3, first + 3, T::kPercent, F(0.56f));
    b.One(3, first + 4, T::kPercent, F(0.56f));
  }
  b.One(3, 0x18, T::kPercent, F(0.5f));
  b.One(3, 0x19, T::kPercent, F(1.0f));
}

void AddMusic(RecordListBuilder& b) {
  b.One(4, 0x0B, T::kByte, I(0));
  b.One(4, 0x0C, T::kPercent, F(0.16f));
  b.One(4, 0x0D, T::kPercent, F(1.0f));
  // Automatic music level dynamics: ratio 16, attack 60 ms, release 600 ms (factory 10.0 and 0.25
  // in words 3 and 4, where the PC itself always writes 20.0 and 0.05).
  auto music = DynamicsWords(16.0f, 60.0f, 600.0f);
  music[3] = F(10.0f);
  music[4] = F(0.25f);
  b.Add(4, 0x0E, T::kBlock, music);
  b.One(4, 0x0F, T::kByte, I(1));
  b.Add(4, 0x10, T::kBlock, {I(5)}, /*hasImageWord=*/false);  // pitch + 5
  b.One(4, 0x11, T::kTenThousandths, F(0.0f));
  b.One(4, 0x12, T::kByte, I(11));
  for (int i = 0x13; i <= 0x20; ++i) b.One(4, i, T::kPercent, F(1.0f));
  b.One(4, 0x22, T::kMillis, I(0));
  b.One(4, 0x23, T::kPercent, F(0.0f));
}

void AddOutputs(RecordListBuilder& b) {
  for (int module = 5; module <= 12; ++module) {
    b.One(module, 0x0F, T::kByte, I(0));
    b.One(module, 0x10, T::kByte, I(static_cast<uint32_t>(module - 5)));  // speaker position
    b.Add(module, 0x11, T::kBlock, {F(1.0f), F(0.0f)});                    // delay-split pair
    b.One(module, 0x12, T::kMillis, I(96));
    b.One(module, 0x13, T::kByte, I(1));
    for (int i = 0x14; i <= 0x1A; ++i) b.One(module, i, T::kPercent, F(1.0f));
    // Compressor: ratio 30, attack 1 ms, release 100 ms.
    b.Add(module, 0x1B, T::kBlock, CompressorWords());
    b.One(module, 0x1C, T::kByte, I(1));
    b.Add(module, 0x1D, T::kBlock, {F(1.0f), F(1.0f), 0x3F7EFF25u, 0xBFFF7EF1u, F(1.0f), F(1.0f)});
    b.One(module, 0x26, T::kByte, I(1));
  }
}

void AddRecordAndExciter(RecordListBuilder& b) {
  for (int i = 0x00; i <= 0x03; ++i) b.One(13, i, T::kPercent, F(1.0f));
  b.Add(13, 0x04, T::kBlock, CompressorWords());  // record compressor
  b.One(13, 0x05, T::kByte, I(1));
  b.One(13, 0x06, T::kPercent, F(1.0f));

  const float exciter[] = {150.0f, 3.0f, 1200.0f, 2.0f, 3200.0f, 2.0f};
  for (int i = 0; i < 6; ++i) b.One(14, i, T::kFloat, F(exciter[i]));
  b.One(14, 0x06, T::kPercent, F(0.48f));
  b.One(14, 0x07, T::kPercent, F(0.64f));
  b.One(14, 0x08, T::kPercent, F(0.56f));
  b.One(14, 0x09, T::kPercent, F(1.0f));
  b.One(14, 0x0A, T::kByte, I(1));
  b.One(14, 0x0B, T::kByte, I(1));
}

RecordListBuilder BuildRecordList() {
  RecordListBuilder b;
  AddMicrophones(b);
  AddEcho(b);
  AddReverb(b);
  AddMusic(b);
  AddOutputs(b);
  AddRecordAndExciter(b);
  return b;
}

constexpr int kModules = 16;
constexpr int kIndexes = 64;

struct Tables {
  std::array<ParamRow, kParamRows> rows;
  std::array<int16_t, kModules * kIndexes> lookup;
};

Tables BuildTables() {
  const RecordListBuilder b = BuildRecordList();
  if (b.count() != kParamRows || b.end() != kImageSize) std::abort();  // the layout is a wire contract
  Tables t{b.rows(), {}};
  t.lookup.fill(-1);
  for (int r = 0; r < kParamRows; ++r) {
    const ParamRow& row = t.rows[r];
    t.lookup[row.module * kIndexes + row.index] = static_cast<int16_t>(r);
  }
  return t;
}

const Tables& GetTables() {
  static const Tables tables = BuildTables();
  return tables;
}

}  // namespace

const std::array<ParamRow, kParamRows>& ParamRows() { return GetTables().rows; }

int FindParamRow(int module, int index) {
  if (module < 0 || module >= kModules || index < 0 || index >= kIndexes) return -1;
  return GetTables().lookup[module * kIndexes + index];
}

}  // namespace nr
