#include "link/Dynamics.h"

#include <cmath>

#include "link/Bytes.h"

namespace nr {
namespace {

double TimeCoefficient(double ms) { return 1.0 - std::exp(-1.0 / (ms * 48.0)); }
double TimeFromCoefficient(double c) { return -1.0 / (std::log(1.0 - c) * 48.0); }

}  // namespace

DynamicsBlock EncodeDynamics(const DynamicsSettings& d) {
  const float words[kDynamicsWords] = {
      d.threshold,
      0.0f,
      static_cast<float>(1.0 - 1.0 / static_cast<double>(d.ratio)),
      20.0f,
      0.05f,
      static_cast<float>(TimeCoefficient(d.attackMs)),
      static_cast<float>(TimeCoefficient(d.releaseMs)),
  };
  DynamicsBlock block{};
  for (int i = 0; i < kDynamicsWords; ++i) PutBE32(&block[static_cast<size_t>(4 * i)], FloatBits(words[i]));
  return block;
}

DynamicsSettings DecodeDynamics(const uint8_t* words) {
  auto word = [&](int i) { return static_cast<double>(BitsFloat(GetBE32(words + 4 * i))); };
  DynamicsSettings d;
  d.threshold = static_cast<float>(word(0));
  d.ratio = static_cast<float>(1.0 / (1.0 - word(2)));
  d.attackMs = static_cast<float>(TimeFromCoefficient(word(5)));
  d.releaseMs = static_cast<float>(TimeFromCoefficient(word(6)));
  return d;
}

}  // namespace nr
