#pragma once
// Z-Wave Serial API request frames that the application sends to the controller module inside
// the device: SOF 01, LEN, TYPE 00, function, parameters, checksum (FF XOR LEN..last parameter).
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace nr {

namespace zwave {
inline constexpr uint8_t kGetInitData = 0x02;
inline constexpr uint8_t kSendData = 0x13;
inline constexpr uint8_t kSetDefault = 0x42;
inline constexpr uint8_t kAddNode = 0x4A;
inline constexpr uint8_t kRemoveNode = 0x4B;
inline constexpr uint8_t kSendDataAbort = 0x16;
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;  // a frame arrived damaged: the sender sends it again
inline constexpr uint8_t kCan = 0x18;  // a frame was dropped in a collision
inline constexpr uint8_t kApplicationCommand = 0x04;  // a report a node sent
inline constexpr uint8_t kSof = 0x01;
inline constexpr uint8_t kRequest = 0x00;
inline constexpr uint8_t kResponse = 0x01;
// Callback ids the application asks for.
inline constexpr uint8_t kCallbackSet = 0x43;
inline constexpr uint8_t kCallbackKey = 0x44;  // plug values 80..FE (infrared keys)
inline constexpr uint8_t kCallbackAdd = 0x30;
inline constexpr uint8_t kCallbackRemove = 0x09;
inline constexpr uint8_t kCallbackDefault = 0x02;
// Add and remove modes and statuses.
inline constexpr uint8_t kModeAnyNode = 0x01;
inline constexpr uint8_t kModeStop = 0x05;
inline constexpr uint8_t kLearnReady = 1;
inline constexpr uint8_t kNodeFound = 2;
inline constexpr uint8_t kAddingSlave = 3;       // carries the node being added or removed
inline constexpr uint8_t kAddingController = 4;  // the same for a controller
inline constexpr uint8_t kProtocolDone = 5;
inline constexpr uint8_t kRemoveDone = 6;
inline constexpr uint8_t kAddRemoveFailed = 7;
}  // namespace zwave

// A well-formed frame from the controller: SOF 01, LEN within the bytes given, checksum right.
struct SerialFrame {
  uint8_t type = 0;
  uint8_t function = 0;
  std::span<const uint8_t> parameters;  // between the function and the checksum
};
std::optional<SerialFrame> ParseSerialFrame(std::span<const uint8_t> bytes);

// Builds a frame of any type (the emulated controller answers with responses and callbacks).
std::vector<uint8_t> BuildSerialFrame(uint8_t type, uint8_t function, std::span<const uint8_t> parameters);

std::vector<uint8_t> BuildSerialFrame(uint8_t function, std::span<const uint8_t> parameters);

std::vector<uint8_t> BuildGetInitData();
std::vector<uint8_t> BuildSetDefault();
// Basic-class set of a plug; values 80..FE (infrared keys) use their own callback id.
std::vector<uint8_t> BuildSetPlug(int node, int value);
std::vector<uint8_t> BuildStartAdding();
std::vector<uint8_t> BuildStartRemoving();
// Ends an adding or removing the controller has finished (4A 05, 4B 05).
std::vector<uint8_t> BuildStopAdding();
std::vector<uint8_t> BuildStopRemoving();
// Aborts the running operation (the wait dialog's forced stop): a send (13) with the send-data
// abort, which has no parameters; adding and removing (4A, 4B) with their stop and no callback
// (05 00). Empty for other functions.
std::vector<uint8_t> BuildAbort(uint8_t function);

// The frame a device operation sends at once (13: set node a to value b; 4A: start adding;
// 4B: start removing); empty for other operations.
std::vector<uint8_t> BuildOperationFrame(int operation, int a, int b);

}  // namespace nr
