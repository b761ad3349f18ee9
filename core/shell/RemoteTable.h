#pragma once
// The remote-control table: the 25 functions a remote's keys are learned for, learning one of
// them, sending the table to the device, and .remo files (the 30 table bytes, nothing else).
#include <array>
#include <filesystem>

#include "link/DeviceSession.h"
#include "shell/AtomicFile.h"

namespace nr {

inline constexpr int kRemoteFunctionCount = 25;
inline constexpr size_t kRemoteFileSize = sizeof(RemoteCodes);  // 30

// Names of function n (1..25) at index n - 1: button caption and the text shown while learning.
struct RemoteFunction {
  const char* captionZh;
  const char* captionEn;
  const char* learningZh;
  const char* learningEn;
};
const std::array<RemoteFunction, kRemoteFunctionCount>& RemoteFunctions();

// The name under which a remote table is saved or loaded: the chosen name with the extension
// "remo", whatever extension was typed.
std::filesystem::path RemoteFilePath(std::filesystem::path chosen);

// Reads at most 30 bytes of a .remo file over the start of the table: a shorter file changes only
// as many bytes as it holds. A file that cannot be read (or is not a regular file) changes
// nothing.
FileError ReadRemoteFile(const std::filesystem::path& path, RemoteCodes& table);
// Writes the 30 bytes through a temporary file renamed over the target.
FileError WriteRemoteFile(const std::filesystem::path& path, const RemoteCodes& table);

// 60 n: the device waits for the key of function n (1..25) and reports its code. Until the
// report for n comes (or the learning stops), reports for other functions are not taken.
void StartRemoteLearning(DeviceSession& session, int function);
// 61: stop waiting; a report that comes after it is not taken.
void StopRemoteLearning(DeviceSession& session);
// 63 and the model's 30 table bytes: the device keeps the table.
void SendRemoteTable(DeviceSession& session);
// Reads a file into the model's table and sends the table; a file that cannot be read changes
// and sends nothing.
FileError LoadRemoteTable(DeviceSession& session, const std::filesystem::path& path);

}  // namespace nr
