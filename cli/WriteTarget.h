#pragma once
// Where a command's changes go: a connected device, or a mode file edited without one
// (--file F.mode). Commands are written once against this interface: open, change the model
// through the session's core operations, finish. On a device, finishing waits for every answer
// and says goodbye; on a file it saves the changed records, and only those, in one step.
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "CommandTable.h"
#include "link/DeviceSession.h"
#include "shell/AtomicFile.h"

namespace nr::cli {

class DeviceLink;

class WriteTarget {
 public:
  virtual ~WriteTarget() = default;

  // Device: connects and identifies it (with readAll, reads everything). File: loads it; a
  // refused file is reported and gives kExitRefused. kExitOk, or the status already reported.
  virtual int Open(bool readAll = false) = 0;
  virtual DeviceSession& Session() = 0;
  virtual DeviceModel& Model() = 0;
  // Device: waits for every answer and says goodbye. File: saves. kExitOk or the reported status.
  virtual int Finish() = 0;

  // Prints "nrctl COMMAND: message" on stderr and returns status.
  virtual int Report(int status, std::string_view message) = 0;
  int Fail(std::string_view message) { return Report(kExitFailure, message); }

  // Holds a long script back while the device is behind; a file is never behind.
  virtual bool WaitForQueueBelow(size_t /*limit*/) { return true; }
  // The device link for the steps only a device can take (mode switches); nullptr for a file.
  virtual DeviceLink* Device() { return nullptr; }
};

// A mode file as the target of a command's writes. The file is read whole and checked as any
// mode file is; the model is changed through the same operations as on a device (the packets
// go nowhere); Finish writes back the bytes that changed, leaving every other byte of the file
// (header, untouched records, the record-EQ trailer or its absence) exactly as it was. The file
// is held (an advisory lock) from Open until the command ends, so runs on the same file take
// turns; a file that changed on disk meanwhile (a program that ignores the lock) is not
// overwritten.
class FileTarget final : public WriteTarget {
 public:
  FileTarget(const CommandContext& ctx, std::string_view command, std::filesystem::path path);

  int Open(bool readAll = false) override;
  DeviceSession& Session() override { return session_; }
  DeviceModel& Model() override { return model_; }
  int Finish() override;
  int Report(int status, std::string_view message) override;

 private:
  const CommandContext& ctx_;
  std::string command_;
  std::filesystem::path path_;
  HeldFile held_;
  std::vector<uint8_t> original_;  // the file as read
  std::vector<uint8_t> loaded_;    // the model's bytes right after loading, before any change
  DeviceModel model_;
  NullSink sink_;
  DeviceSession session_{model_, sink_};
};

// The target the global options name: the file given with --file, otherwise the device link.
std::unique_ptr<WriteTarget> MakeWriteTarget(const CommandContext& ctx, std::string_view command);

// The paragraph the help of each command that edits files ends with.
std::string FileTargetNote();

// The bytes of a file edited from `original`: every byte where the model's bytes after the
// edit differ from its bytes after loading takes the new value, every other byte stays. A file
// without the record-EQ trailer gets one only when the record EQ itself changed.
std::vector<uint8_t> PatchModeFile(std::span<const uint8_t> original, std::span<const uint8_t> loaded,
                                   std::span<const uint8_t> edited);

}  // namespace nr::cli
