#pragma once
// Catches SIGINT and SIGTERM (on Windows Ctrl+C, Ctrl+Break and closing the console) while at
// least one StopSignals lives, so a command that waits
// (monitor, remote learn) or writes the device (push) can stop cleanly, say what it left behind
// and say goodbye to the device instead of dying mid-session. Several may live at once (one per
// host of --net A,B): the handlers go in with the first and the previous ones come back with the
// last.
#include <csignal>

namespace nr::cli {

class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool Requested() const;
};

}  // namespace nr::cli
