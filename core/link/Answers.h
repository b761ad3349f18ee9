#pragma once
// Which packets the device answers at once. The link holds the next packet until the answer to
// one of these has come (or the answer time-out has passed) and lists the packet when it never
// came; after any other packet it only leaves a short gap before the next one.
#include <cstddef>
#include <cstdint>
#include <span>

namespace nr {

// Answers that carry a record, as received: the report identifier or channel prefix, the
// command code, then the record.
inline constexpr size_t kRecordAnswerHeader = 2;
// The machine settings (14 bytes).
inline constexpr size_t kMachineSettingsAnswerSize = kRecordAnswerHeader + 14;
// The remote-control table: the device reports its first 16 bytes only (the identification byte
// and the codes of functions 1..15).
inline constexpr size_t kRemoteAnswerCodes = 16;
inline constexpr size_t kRemoteAnswerSize = kRecordAnswerHeader + kRemoteAnswerCodes;

// A device command (code first, no channel prefix). False for the commands the device never
// answers (select and store a mode slot, a Z-Wave frame, stop learning, reset, goodbye) and for a
// remote-key learn, whose answer is the learned key: it comes when someone presses the key, which
// may be long after any answer time-out.
bool AnsweredAtOnce(std::span<const uint8_t> payload);

// A network payload, channel prefix first: device commands as above; what goes to the Z-Wave
// controller is never answered on the device channel (the controller's own frames come back on
// its channel and answer nothing).
bool NetPayloadAnsweredAtOnce(std::span<const uint8_t> prefixedPayload);

// A packet from the device (its code): true when it may be the answer a waiting request gets.
// The Z-Wave controller's own frames (12) and a learned remote key (60) come when the controller
// or the user acts, answer nothing the link waits for, and must not let the next packet go while
// the answer to the one before is still on its way (a memory write counted as answered by a
// controller frame let its caller read the memory before the write had landed).
bool MayAnswerARequest(uint8_t code);

}  // namespace nr
