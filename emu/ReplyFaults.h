#pragma once
// The faults that change what the device answers to one command: image chunks answered wrongly
// or not at all, an error report in the middle of a read, a flood of mode notices. One object per
// session, because a fault may fire only a given number of times.
#include <cstdint>
#include <span>
#include <vector>

#include "emu/EmulatorOptions.h"

namespace nr::emu {

class ReplyFaults {
 public:
  explicit ReplyFaults(const EmulatorOptions& options);

  // Changes the answers (code first) to one received command (code first) as the options ask.
  void Apply(std::span<const uint8_t> command, std::vector<std::vector<uint8_t>>& replies);

 private:
  void ApplyChunkFault(const ChunkFault& fault, std::vector<std::vector<uint8_t>>& replies);

  const EmulatorOptions* options_;
  std::vector<int> fired_;  // per chunk fault: how often it has acted
};

}  // namespace nr::emu
