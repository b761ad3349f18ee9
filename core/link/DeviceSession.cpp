#include "link/DeviceSession.h"

#include <cmath>
#include <cstring>

#include "link/Commands.h"
#include "link/Dynamics.h"

namespace nr {

void DeviceSession::SetParam(int module, int index, int value) {
  const int row = FindParamRow(module, index);
  if (row < 0) return;
  const ValueType type = ParamRows()[static_cast<size_t>(row)].type;
  SetParamValue(row, HoldsFloat(type) ? ParamValue::Float(static_cast<float>(value)) : ParamValue::Int(value));
}

void DeviceSession::SetParam(int module, int index, float value) {
  const int row = FindParamRow(module, index);
  if (row < 0) return;
  const ValueType type = ParamRows()[static_cast<size_t>(row)].type;
  if (HoldsFloat(type)) {
    SetParamValue(row, ParamValue::Float(value));
    return;
  }
  const bool representable = value > -2147483648.0f && value < 2147483648.0f;  // false for NaN too
  SetParamValue(row, ParamValue::Int(representable ? static_cast<int32_t>(value) : 0));
}

void DeviceSession::SetParamValue(int rowNumber, ParamValue value) {
  const ParamRow& row = ParamRows()[static_cast<size_t>(rowNumber)];
  if (row.type == ValueType::kBlock || !row.hasImageWord) return;
  const uint32_t word = EncodeParamWord(row.type, value);
  uint8_t bytes[4];
  PutBE32(bytes, word);
  model_.Update([&](DeviceState& s) {
    s.values[static_cast<size_t>(rowNumber)] = value;
    std::memcpy(&s.image[static_cast<size_t>(row.WordOffset())], bytes, 4);
  });
  Send(BuildWriteDspWords(row.module, row.index, bytes));
}

bool DeviceSession::WriteParamBlock(int module, int index, std::span<const uint8_t> bytes) {
  if (bytes.empty() || bytes.size() % 4 != 0) return false;
  const size_t count = bytes.size() / 4;
  const int rowNumber = FindParamRow(module, index);
  if (rowNumber >= 0) {
    const ParamRow& row = ParamRows()[static_cast<size_t>(rowNumber)];
    if (count > row.words) {
      Trace(trace_, "WriteParamBlock: block longer than its record, not sent\n");
      return false;
    }
    if (row.hasImageWord) {
      model_.Update([&](DeviceState& s) {
        std::memcpy(&s.image[static_cast<size_t>(row.WordOffset())], bytes.data(), bytes.size());
      });
    }
  } else if (count > static_cast<size_t>(kMaxDspWords)) {
    return false;
  }
  Send(BuildWriteDspWords(module, index, bytes));
  return true;
}

void DeviceSession::WriteDspWords(int module, int index, std::span<const uint8_t> bytes) {
  Send(BuildWriteDspWords(module, index, bytes));
}

void DeviceSession::WriteImageBytes(int offset, std::span<const uint8_t> bytes) {
  Send(BuildWriteImageBytes(offset, bytes));
}

void DeviceSession::WriteDynamics(int unit, const DynamicsSettings& settings) {
  if (unit < 0 || unit >= kDynamicsUnits) return;
  model_.Update([&](DeviceState& s) { s.derived.compressors[static_cast<size_t>(unit)] = settings; });
  const DynamicsBlock block = EncodeDynamics(settings);
  WriteParamBlock(DynamicsModule(unit), DynamicsIndex(unit), block);
}

void DeviceSession::WriteMusicDynamics(const DynamicsSettings& settings) {
  model_.Update([&](DeviceState& s) { s.derived.musicDynamics = settings; });
  const DynamicsBlock block = EncodeDynamics(settings);
  WriteParamBlock(4, 0x0E, block);
}

int DeviceSession::Send(const Payload& payload, bool synchronous) {
  if (payload.empty() || payload.overflowed()) return 0;
  return sink_.SendPacket(payload.bytes(), synchronous);
}

}  // namespace nr
