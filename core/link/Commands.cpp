#include "link/Commands.h"

namespace nr {
namespace {

Payload Code(uint8_t code) { return Payload{code}; }
Payload CodeArg(uint8_t code, int arg) { return Payload{code, static_cast<uint8_t>(arg)}; }

Payload CodeBytes(uint8_t code, std::span<const uint8_t> bytes) {
  Payload p{code};
  p.Append(bytes);
  return p;
}

}  // namespace

Payload BuildCommand(std::initializer_list<uint8_t> bytes) { return Payload(bytes); }

Payload BuildCommand(std::span<const uint8_t> bytes) {
  Payload p;
  p.Append(bytes);
  return p;
}

Payload BuildBlockCommand(uint8_t command, int offset, std::span<const uint8_t> data) {
  if (data.size() > static_cast<size_t>(kMaxBlockData) || offset < 0 || offset > 0xFFFF) return Payload();
  Payload p{command};
  p.PushBE16(static_cast<uint16_t>(offset));
  p.Push(static_cast<uint8_t>(data.size()));
  p.Append(data);
  return p;
}

Payload BuildWriteDspWords(int module, int index, std::span<const uint8_t> wordBytes) {
  const size_t count = wordBytes.size() / 4;
  if (count > static_cast<size_t>(kMaxDspWords) || wordBytes.size() % 4 != 0) return Payload();
  Payload p{cmd::kWriteDsp, 0x00, static_cast<uint8_t>(module), static_cast<uint8_t>(index),
            static_cast<uint8_t>(count)};
  p.Append(wordBytes);
  return p;
}

Payload BuildWriteBiquad(int module, int index, const std::array<float, 5>& coefficients) {
  Payload p{cmd::kWriteDsp, 0x00, static_cast<uint8_t>(module), static_cast<uint8_t>(index), 0x05};
  for (float c : coefficients) p.PushBE32(FloatBits(c));
  return p;
}

Payload BuildWriteImageBytes(int offset, std::span<const uint8_t> data) {
  return BuildBlockCommand(cmd::kStoreImageBytes, offset, data);
}

Payload BuildSelectMode(int mode) { return CodeArg(cmd::kSelectMode, mode); }
Payload BuildStoreMode(int mode) { return CodeArg(cmd::kStoreMode, mode); }
Payload BuildLoadMode(int mode) { return CodeArg(cmd::kLoadMode, mode); }
Payload BuildFactoryMode(int mode) { return CodeArg(cmd::kFactoryMode, mode); }
Payload BuildQueryMode() { return Code(cmd::kQueryMode); }
Payload BuildQueryStatus() { return Code(cmd::kQueryStatus); }

Payload BuildZWaveFrame(std::span<const uint8_t> frame) {
  if (frame.size() > Payload::kCapacity - 2) return Payload();
  Payload p{cmd::kZWaveFrame, static_cast<uint8_t>(frame.size())};
  p.Append(frame);
  return p;
}

Payload BuildZWaveMemWrite(int offset, std::span<const uint8_t> data) {
  return BuildBlockCommand(cmd::kZWaveMemWrite, offset, data);
}

Payload BuildZWaveMemRead(int offset, int length) {
  Payload p{cmd::kZWaveMemRead};
  p.PushBE16(static_cast<uint16_t>(offset));
  p.Push(static_cast<uint8_t>(length));
  return p;
}

Payload BuildReadImage(int offset, int length) {
  Payload p{cmd::kReadImage};
  p.PushBE16(static_cast<uint16_t>(offset));
  p.Push(static_cast<uint8_t>(length));
  return p;
}

Payload BuildWriteImage(int offset, std::span<const uint8_t> data) {
  return BuildBlockCommand(cmd::kWriteImage, offset, data);
}

Payload BuildEndImageWrite() { return Code(cmd::kEndImageWrite); }
Payload BuildLearnRemote(int function) { return CodeArg(cmd::kLearnRemote, function); }
Payload BuildStopLearning() { return Code(cmd::kStopLearning); }
Payload BuildQueryRemote() { return Code(cmd::kQueryRemote); }
Payload BuildWriteRemote(std::span<const uint8_t, 30> codes) { return CodeBytes(cmd::kWriteRemote, codes); }
Payload BuildResetMachine() { return Payload{cmd::kResetMachine, 0xAA}; }
Payload BuildQueryDspVersion() { return Code(cmd::kQueryDspVersion); }
Payload BuildQueryVersion() { return Code(cmd::kQueryVersion); }
Payload BuildQueryModule() { return Code(cmd::kQueryModule); }
Payload BuildQueryMcuVersion() { return Code(cmd::kQueryMcuVersion); }
Payload BuildCloseSession() { return Code(cmd::kCloseSession); }
Payload BuildWriteMachineSettings(std::span<const uint8_t, 14> settings) {
  return CodeBytes(cmd::kWriteMachineSettings, settings);
}
Payload BuildQueryMachineSettings() { return Code(cmd::kQueryMachineSettings); }

}  // namespace nr
