#pragma once
// The writes nrctl can send one at a time or from a batch script: a parameter value, a block of
// parameter words, an EQ band and a device-mode switch. Parsing checks every argument against
// the parameter table and the EQ layout before anything is sent, so a bad line never reaches
// the device; carrying a request out goes through the session like the application's pages.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceLink.h"
#include "shell/DeviceModes.h"

namespace nr::cli {

struct WriteRequest {
  enum class Kind { kSet, kBlock, kEq, kMode };
  Kind kind = Kind::kSet;

  // set and block
  int module = 0;
  int index = 0;
  bool floatValue = false;     // set: the row holds a float (types 2 and 4)
  int intValue = 0;
  float realValue = 0.0f;
  std::vector<uint8_t> words;  // block: big-endian words, 4 bytes each

  // eq
  int set = 0;
  int band = 0;
  int type = 0;
  int freq = 0;
  float gain = 0.0f;
  float q = 0.0f;

  // mode
  ModeCommand action = ModeCommand::kLoad;
  int slot = 0;  // 0..3 for M1..M4
};

// Each takes the words after the command name and throws UsageError with a clear reason.
WriteRequest ParseSet(std::span<const std::string> args);
WriteRequest ParseBlock(std::span<const std::string> args);
WriteRequest ParseEq(std::span<const std::string> args);
WriteRequest ParseMode(std::span<const std::string> args);

// One line of a batch script: "set ...", "block ...", "eq ..." or "mode ...". Text from '#' on
// is a comment. False for a line with nothing to do; throws UsageError for a bad line.
bool ParseBatchLine(std::string_view line, WriteRequest& request);

// Carries out one request on an open target. kExitOk; kExitUsage with message set when the
// session refused it, or for a mode switch on a file; kExitFailure when the link failed
// (already reported by the link).
int ExecuteWrite(WriteTarget& target, const WriteRequest& request, std::string& message);

// Number arguments: decimal, or hexadecimal with 0x.
long long ParseNumberArg(std::string_view text, std::string_view what, long long min, long long max);

}  // namespace nr::cli
