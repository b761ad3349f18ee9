#pragma once
// The fixed list of parameter records in the image and the conversion of each record's value
// between what the user interface holds and the 32-bit word the device holds.
#include <array>
#include <bit>
#include <cstdint>

namespace nr {

enum class ValueType : uint8_t {
  kBlock = 0,           // multi-word or specially decoded record: no single UI value
  kPercent = 1,         // int percent <-> float v/100
  kFloat = 2,           // float <-> its bits
  kByte = 3,            // int <-> 00 00 00 low byte
  kMillis = 4,          // float milliseconds <-> sample count at 48 kHz
  kTenThousandths = 5,  // int <-> float v/10000
};

inline constexpr bool HoldsFloat(ValueType t) { return t == ValueType::kFloat || t == ValueType::kMillis; }

// One user-interface value: an int for types 1, 3, 5 and a float for types 2 and 4.
class ParamValue {
 public:
  constexpr ParamValue() = default;
  static constexpr ParamValue Int(int32_t v) { return ParamValue(std::bit_cast<uint32_t>(v)); }
  static constexpr ParamValue Float(float v) { return ParamValue(std::bit_cast<uint32_t>(v)); }
  constexpr int32_t AsInt() const { return std::bit_cast<int32_t>(bits_); }
  constexpr float AsFloat() const { return std::bit_cast<float>(bits_); }
  constexpr bool operator==(const ParamValue&) const = default;

 private:
  explicit constexpr ParamValue(uint32_t bits) : bits_(bits) {}
  uint32_t bits_ = 0;
};

uint32_t EncodeParamWord(ValueType type, ParamValue value);
ParamValue DecodeParamWord(ValueType type, uint32_t word);

inline constexpr int kParamRows = 235;
inline constexpr int kMaxRecordWords = 7;

struct ParamRow {
  uint8_t module = 0;
  uint8_t index = 0;
  uint8_t words = 1;
  ValueType type = ValueType::kBlock;
  uint16_t offset = 0;        // record offset in the image; the first word is at offset + 3
  bool hasImageWord = true;   // false only for the pitch record, which the PC never mirrors
  std::array<uint32_t, kMaxRecordWords> defaults{};  // factory words

  constexpr int WordOffset() const { return offset + 3; }
  constexpr int Size() const { return 3 + 4 * words; }
};

// The 235 records in image order.
const std::array<ParamRow, kParamRows>& ParamRows();

// Row number of (module, index), or -1. Constant time: the pair is looked up in a dense table.
int FindParamRow(int module, int index);

}  // namespace nr
