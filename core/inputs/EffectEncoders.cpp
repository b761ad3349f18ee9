#include "inputs/EffectEncoders.h"

#include <algorithm>
#include <cmath>

#include "link/Bytes.h"

namespace nr {
namespace {

constexpr double kTwoPi = 6.283185307179586;

void WriteWord(DeviceSession& session, int module, int index, uint32_t word) {
  uint8_t bytes[4];
  PutBE32(bytes, word);
  session.WriteParamBlock(module, index, bytes);
}

uint32_t SamplesOf(float ms) {
  const double samples = static_cast<double>(ms) * 48000.0 / 1000.0 + 0.5;
  return samples > 0 ? static_cast<uint32_t>(samples) : 0;
}

// Echo time of the channel in whole milliseconds, as the page shows it.
int EchoTimeMs(DeviceSession& session, int channel) {
  const float ms = session.Model().Read([&](const DeviceState& s) { return s.FloatValue(2, channel == 0 ? 0x0D : 0x1E); });
  return std::isfinite(ms) ? static_cast<int>(std::clamp(ms, 0.0f, 100000.0f)) : 0;
}

void StoreValue(DeviceSession& session, int module, int index, int value) {
  session.Model().Update([&](DeviceState& s) {
    const int row = FindParamRow(module, index);
    if (row >= 0) s.values[static_cast<size_t>(row)] = ParamValue::Int(value);
  });
}

}  // namespace

uint32_t FbcDelaySamples(int level) {
  const float ms = static_cast<float>(1000.0 / (4.0 * level) - 25.0);
  return SamplesOf(ms);
}

void SetFbcShift(DeviceSession& session, int channel, int level) {
  level = std::clamp(level, kFbcLevelMin, kFbcLevelMax);
  const int shiftIndex = channel == 0 ? 0x26 : 0x3D;
  session.Model().Update([&](DeviceState& s) { s.derived.fbcShift[channel == 0 ? 0 : 1] = level; });
  if (level == 1) {
    WriteWord(session, 1, shiftIndex + 2, 1);
    return;
  }
  WriteWord(session, 1, shiftIndex + 2, 0);
  WriteWord(session, 1, shiftIndex, FloatBits(static_cast<float>(level * kTwoPi / 48000.0)));
  WriteWord(session, 1, shiftIndex + 1, FbcDelaySamples(level));
}

uint32_t EchoRightPredelaySamples(int echoTimeMs, int percent) {
  float x = static_cast<float>(echoTimeMs) * (static_cast<float>(percent) / 100.0f);
  if (x < 1.35f) x = 1.35f;
  return SamplesOf(x);
}

uint32_t EchoRightDelaySamples(int echoTimeMs, int percent) {
  const float t = static_cast<float>(echoTimeMs);
  const float x = (static_cast<float>(percent) / 100.0f) * t + t;
  return SamplesOf(x);
}

void SetEchoRightPredelay(DeviceSession& session, int channel, int percent) {
  percent = std::clamp(percent, 0, 50);
  const int percentIndex = channel == 0 ? 0x0B : 0x1C;
  StoreValue(session, 2, percentIndex, percent);
  WriteWord(session, 2, percentIndex, static_cast<uint8_t>(percent));
  WriteWord(session, 2, channel == 0 ? 0x0A : 0x1B, EchoRightPredelaySamples(EchoTimeMs(session, channel), percent));
}

void SetEchoRightDelay(DeviceSession& session, int channel, int percent) {
  percent = std::clamp(percent, -50, 50);
  const int percentIndex = channel == 0 ? 0x0C : 0x1D;
  StoreValue(session, 2, percentIndex, percent);
  WriteWord(session, 2, percentIndex, static_cast<uint8_t>(static_cast<int8_t>(percent)));
  WriteWord(session, 2, channel == 0 ? 0x0F : 0x20, EchoRightDelaySamples(EchoTimeMs(session, channel), percent));
}

bool SetEchoRightPercent(DeviceSession& session, int module, int index, int percent) {
  if (module != 2) return false;
  switch (index) {
    case 0x0B: SetEchoRightPredelay(session, 0, percent); return true;
    case 0x1C: SetEchoRightPredelay(session, 1, percent); return true;
    case 0x0C: SetEchoRightDelay(session, 0, percent); return true;
    case 0x1D: SetEchoRightDelay(session, 1, percent); return true;
    default: return false;
  }
}

}  // namespace nr
