#include "smarthome/ZWaveFrames.h"

#include <algorithm>

namespace nr {

std::vector<uint8_t> BuildSerialFrame(uint8_t function, std::span<const uint8_t> parameters) {
  return BuildSerialFrame(zwave::kRequest, function, parameters);
}

std::vector<uint8_t> BuildSerialFrame(uint8_t type, uint8_t function, std::span<const uint8_t> parameters) {
  // Sized first and filled in place (GCC's release-build bounds checks misread inserts here).
  std::vector<uint8_t> frame(parameters.size() + 5);
  frame[0] = zwave::kSof;
  frame[1] = static_cast<uint8_t>(parameters.size() + 3);
  frame[2] = type;
  frame[3] = function;
  std::copy(parameters.begin(), parameters.end(), frame.begin() + 4);
  uint8_t checksum = 0xFF;
  for (size_t i = 1; i + 1 < frame.size(); ++i) checksum ^= frame[i];
  frame.back() = checksum;
  return frame;
}

std::optional<SerialFrame> ParseSerialFrame(std::span<const uint8_t> bytes) {
  // SOF, LEN, TYPE, function, ..., checksum; LEN counts TYPE to the checksum.
  if (bytes.size() < 5 || bytes[0] != zwave::kSof) return std::nullopt;
  const size_t length = bytes[1];
  if (length < 3 || length + 2 > bytes.size()) return std::nullopt;
  uint8_t checksum = 0xFF;
  for (size_t i = 1; i <= length; ++i) checksum ^= bytes[i];
  if (checksum != bytes[length + 1]) return std::nullopt;
  return SerialFrame{bytes[2], bytes[3], bytes.subspan(4, length - 3)};
}

std::vector<uint8_t> BuildGetInitData() { return BuildSerialFrame(zwave::kGetInitData, {}); }

std::vector<uint8_t> BuildSetDefault() {
  const uint8_t p[] = {0x02};
  return BuildSerialFrame(zwave::kSetDefault, p);
}

std::vector<uint8_t> BuildSetPlug(int node, int value) {
  const uint8_t v = static_cast<uint8_t>(value);
  const uint8_t callback = v >= 0x80 && v <= 0xFE ? zwave::kCallbackKey : zwave::kCallbackSet;
  const uint8_t p[] = {static_cast<uint8_t>(node), 0x03, 0x20, 0x01, v, 0x25, callback};
  return BuildSerialFrame(zwave::kSendData, p);
}

std::vector<uint8_t> BuildStartAdding() {
  const uint8_t p[] = {zwave::kModeAnyNode, zwave::kCallbackAdd};
  return BuildSerialFrame(zwave::kAddNode, p);
}

std::vector<uint8_t> BuildStartRemoving() {
  const uint8_t p[] = {zwave::kModeAnyNode, zwave::kCallbackRemove};
  return BuildSerialFrame(zwave::kRemoveNode, p);
}

std::vector<uint8_t> BuildStopAdding() {
  const uint8_t p[] = {zwave::kModeStop};
  return BuildSerialFrame(zwave::kAddNode, p);
}

std::vector<uint8_t> BuildStopRemoving() {
  const uint8_t p[] = {zwave::kModeStop};
  return BuildSerialFrame(zwave::kRemoveNode, p);
}

std::vector<uint8_t> BuildAbort(uint8_t function) {
  // A send is aborted by a request of its own; "13 05 00" would be a send to node 5.
  if (function == zwave::kSendData) return BuildSerialFrame(zwave::kSendDataAbort, {});
  if (function != zwave::kAddNode && function != zwave::kRemoveNode) return {};
  const uint8_t p[] = {zwave::kModeStop, 0x00};
  return BuildSerialFrame(function, p);
}

std::vector<uint8_t> BuildOperationFrame(int operation, int a, int b) {
  switch (operation) {
    case zwave::kSendData:
      return BuildSetPlug(a, b);
    case zwave::kAddNode:
      return BuildStartAdding();
    case zwave::kRemoveNode:
      return BuildStartRemoving();
    default:
      return {};
  }
}

}  // namespace nr
