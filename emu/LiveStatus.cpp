#include "emu/LiveStatus.h"

#include <algorithm>
#include <cmath>

namespace nr::emu {
namespace {

// A well-mixed 32-bit hash of two integers, mapped to [0, 1).
double Hash01(uint32_t a, uint32_t b) {
  uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return static_cast<double>(h) / 4294967296.0;
}

// Smooth value noise: random values on integer knots, eased in between. Continuous in x.
double Noise(uint32_t channel, double x) {
  const double k = std::floor(x);
  const double f = x - k;
  const double ease = f * f * (3.0 - 2.0 * f);
  const auto knot = static_cast<uint32_t>(static_cast<int64_t>(k));
  const double a = Hash01(channel, knot);
  const double b = Hash01(channel, knot + 1);
  return a + (b - a) * ease;
}

// Microphones 3 and 4 are usually idle in a room; the music meters carry the most signal.
constexpr std::array<double, 6> kMeterScale = {1.0, 0.85, 0.35, 0.25, 1.0, 0.95};

// Wireless microphone A and B: channel index and battery level do not change while running.
constexpr std::array<uint8_t, 2> kWirelessChannel = {3, 12};
constexpr std::array<uint8_t, 2> kWirelessBattery = {4, 3};

// Converter chips: microphone, channels 7/8, 5/6, 3/4, 1/2, (unused), music.
constexpr std::array<uint8_t, 7> kChips = {1, 1, 1, 1, 1, 0, 2};

}  // namespace

int MeterLevel(int meter, double seconds) {
  const auto ch = static_cast<uint32_t>(meter) * 3u + 11u;
  // A slow phrase envelope, a faster syllable/beat layer, and sparse transients on top.
  const double phrase = Noise(ch, seconds / 1.7);
  const double beat = Noise(ch + 1, seconds / 0.21);
  const double transient = std::pow(Noise(ch + 2, seconds / 0.13), 4.0);
  const double level = 100.0 * (0.12 + 0.38 * phrase + 0.25 * beat + 0.45 * transient);
  const double scaled = level * kMeterScale[static_cast<size_t>(std::clamp(meter, 0, 5))];
  return std::clamp(static_cast<int>(scaled), 0, 100);
}

StatusBytes BuildStatus(const StatusInputs& in) {
  StatusBytes s{};
  for (int m = 0; m < 6; ++m) s[static_cast<size_t>(m)] = static_cast<uint8_t>(MeterLevel(m, in.seconds));
  s[7] = static_cast<uint8_t>(((in.pitchByte & 0x0F) << 4) | (in.inputFormat & 0x0F));
  for (int w = 0; w < 2; ++w) {
    const size_t base = 8 + 4 * static_cast<size_t>(w);
    const double rf = 62.0 + 30.0 * Noise(40u + static_cast<uint32_t>(w), in.seconds / 3.0);
    s[base + 0] = static_cast<uint8_t>(rf);
    s[base + 1] = static_cast<uint8_t>(MeterLevel(w, in.seconds));  // audio follows mic 1 / 2
    s[base + 2] = kWirelessChannel[static_cast<size_t>(w)];
    s[base + 3] = kWirelessBattery[static_cast<size_t>(w)];
  }
  for (size_t i = 0; i < kChips.size(); ++i) s[16 + i] = kChips[i];
  return s;
}

}  // namespace nr::emu
