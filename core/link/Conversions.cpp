// Conversions between user-interface values and the 32-bit words the device holds.
#include <cmath>
#include <limits>

#include "link/Bytes.h"
#include "link/ParamTable.h"

namespace nr {
namespace {

// Truncates toward zero, clamping values an int cannot hold (and NaN) instead of invoking
// undefined behaviour: words read from the device or from a file can hold any bits.
int32_t TruncToInt(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(x);
}

// How far below a whole number a decoded product may lie and still count as that number.
constexpr double kWholeNumberSlack = 1e-4;

}  // namespace

uint32_t EncodeParamWord(ValueType type, ParamValue value) {
  switch (type) {
    case ValueType::kPercent: {
      const int32_t v = value.AsInt();
      if (v == 0) return 0;
      // The 1e-7 makes every percent 0..100 survive the truncating decode (53 would become 52).
      const float scaled = static_cast<float>(v) / 100.0f;
      return FloatBits(static_cast<float>(static_cast<double>(scaled) + 1e-7));
    }
    case ValueType::kFloat:
      return FloatBits(value.AsFloat());
    case ValueType::kByte:
      return static_cast<uint32_t>(value.AsInt()) & 0xFFu;
    case ValueType::kMillis: {
      const double samples = static_cast<double>(value.AsFloat()) * 48000.0 / 1000.0 + 0.5;
      if (!(samples > 0.0)) return 0;
      if (samples >= 4294967295.0) return 0xFFFFFFFFu;
      return static_cast<uint32_t>(samples);
    }
    case ValueType::kTenThousandths:
      return FloatBits(static_cast<float>(value.AsInt()) / 10000.0f);
    case ValueType::kBlock:
      break;
  }
  return 0;
}

ParamValue DecodeParamWord(ValueType type, uint32_t word) {
  switch (type) {
    case ValueType::kPercent: {
      // The product is formed in single precision and truncated. A plain truncation turns some
      // values the PC itself wrote back into one less (209 % into 208 %), so a value that lies a
      // hair below a whole number counts as that number.
      const float product = BitsFloat(word) * 100.0f;
      return ParamValue::Int(TruncToInt(static_cast<double>(product) + kWholeNumberSlack));
    }
    case ValueType::kFloat:
      return ParamValue::Float(BitsFloat(word));
    case ValueType::kByte:
      return ParamValue::Int(static_cast<int32_t>(word & 0xFFu));
    case ValueType::kMillis:
      return ParamValue::Float(static_cast<float>(static_cast<double>(word) * 1000.0 / 48000.0));
    case ValueType::kTenThousandths: {
      const float product = BitsFloat(word) * 10000.0f;  // 7 would come back as 6 without the slack
      return ParamValue::Int(TruncToInt(static_cast<double>(product) + 10 * kWholeNumberSlack));
    }
    case ValueType::kBlock:
      break;
  }
  return ParamValue();
}

}  // namespace nr
