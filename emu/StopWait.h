#pragma once
// How nremu waits to be stopped: SIGINT or SIGTERM on Linux (blocked in every thread from the
// constructor on, so only Wait receives them), Ctrl+C, Ctrl+Break or closing the console on
// Windows. Made before any thread starts.

namespace nr::emu {

class StopWait {
 public:
  StopWait();
  ~StopWait();
  StopWait(const StopWait&) = delete;
  StopWait& operator=(const StopWait&) = delete;
  void Wait();
};

}  // namespace nr::emu
