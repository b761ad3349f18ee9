// Stopping nremu on Linux and other POSIX systems: the stop signals, received by sigwait.
#include <pthread.h>

#include <csignal>

#include "emu/StopWait.h"

namespace nr::emu {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

StopWait::StopWait() {
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopWait::~StopWait() = default;

void StopWait::Wait() {
  const sigset_t set = StopSignals();
  int signal = 0;
  sigwait(&set, &signal);
}

}  // namespace nr::emu
