#pragma once
// Catches SIGINT and SIGTERM for its lifetime, so a command that waits (monitor, remote learn)
// can stop cleanly and say goodbye to the device instead of dying mid-session.
#include <csignal>

namespace nr::cli {

class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool Requested() const;

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

}  // namespace nr::cli
