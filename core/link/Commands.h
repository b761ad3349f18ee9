#pragma once
// Builders of every payload the PC sends to the device. Pure functions: arguments in, bytes out,
// command code first and without the network channel prefix (the link adds it).
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "link/Bytes.h"
#include "link/WriteLimits.h"

namespace nr {

namespace cmd {
inline constexpr uint8_t kSelectMode = 0x03;
inline constexpr uint8_t kStoreMode = 0x04;
inline constexpr uint8_t kLoadMode = 0x05;
inline constexpr uint8_t kFactoryMode = 0x06;
inline constexpr uint8_t kQueryMode = 0x07;
inline constexpr uint8_t kWriteDsp = 0x09;
inline constexpr uint8_t kErrorReport = 0x0A;
inline constexpr uint8_t kQueryStatus = 0x0E;
inline constexpr uint8_t kZWaveFrame = 0x12;
inline constexpr uint8_t kZWaveMemWrite = 0x13;
inline constexpr uint8_t kZWaveMemRead = 0x14;
inline constexpr uint8_t kReadImage = 0x30;
inline constexpr uint8_t kWriteImage = 0x31;
inline constexpr uint8_t kEndImageWrite = 0x32;
inline constexpr uint8_t kLearnRemote = 0x60;
inline constexpr uint8_t kStopLearning = 0x61;
inline constexpr uint8_t kQueryRemote = 0x62;
inline constexpr uint8_t kWriteRemote = 0x63;
inline constexpr uint8_t kResetMachine = 0x68;
inline constexpr uint8_t kQueryDspVersion = 0x7E;
inline constexpr uint8_t kQueryVersion = 0x7F;
inline constexpr uint8_t kQueryModule = 0x80;
inline constexpr uint8_t kQueryMcuVersion = 0x81;
inline constexpr uint8_t kStoreImageBytes = 0x85;
inline constexpr uint8_t kEqTableUpdate = 0x86;  // device to PC
inline constexpr uint8_t kCloseSession = 0x8A;
inline constexpr uint8_t kWriteMachineSettings = 0x91;
inline constexpr uint8_t kQueryMachineSettings = 0x92;
}  // namespace cmd

inline constexpr int kMaxBlockData = 56;   // data bytes of one 0x31/0x85/0x13 block

// A short command from a byte list (at most 60 values).
Payload BuildCommand(std::initializer_list<uint8_t> bytes);
Payload BuildCommand(std::span<const uint8_t> bytes);

// command, offset high, offset low, length, data (at most 56 bytes; longer data is refused: the
// result is empty and must not be sent).
Payload BuildBlockCommand(uint8_t command, int offset, std::span<const uint8_t> data);

// 09 00 module index count, then count big-endian words given as ready bytes (4 x count).
Payload BuildWriteDspWords(int module, int index, std::span<const uint8_t> wordBytes);
// 09 00 module index 05 and the five coefficients as floats, in the order given.
Payload BuildWriteBiquad(int module, int index, const std::array<float, 5>& coefficients);
// 85 offset length data: store bytes in the device's own image.
Payload BuildWriteImageBytes(int offset, std::span<const uint8_t> data);

Payload BuildSelectMode(int mode);   // 03 n
Payload BuildStoreMode(int mode);    // 04 n
Payload BuildLoadMode(int mode);     // 05 n
Payload BuildFactoryMode(int mode);  // 06 n
Payload BuildQueryMode();            // 07
Payload BuildQueryStatus();          // 0E
Payload BuildZWaveFrame(std::span<const uint8_t> frame);               // 12 n frame (USB only)
Payload BuildZWaveMemWrite(int offset, std::span<const uint8_t> data);  // 13 offset n data
Payload BuildZWaveMemRead(int offset, int length);                     // 14 offset n
Payload BuildReadImage(int offset, int length);                        // 30 offset n
Payload BuildWriteImage(int offset, std::span<const uint8_t> data);    // 31 offset n data
Payload BuildEndImageWrite();                                          // 32
Payload BuildLearnRemote(int function);                                // 60 n
Payload BuildStopLearning();                                           // 61
Payload BuildQueryRemote();                                            // 62
Payload BuildWriteRemote(std::span<const uint8_t, 30> codes);          // 63 + 30 bytes
Payload BuildResetMachine();                                           // 68 AA
Payload BuildQueryDspVersion();                                        // 7E
Payload BuildQueryVersion();                                           // 7F
Payload BuildQueryModule();                                            // 80
Payload BuildQueryMcuVersion();                                        // 81
Payload BuildCloseSession();                                           // 8A
Payload BuildWriteMachineSettings(std::span<const uint8_t, 14> settings);  // 91 + 14 bytes
Payload BuildQueryMachineSettings();                                   // 92

}  // namespace nr
