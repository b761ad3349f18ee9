// SIGINT and SIGTERM on Linux and other POSIX systems.
#include "StopSignals.h"

#include <mutex>

namespace nr::cli {
namespace {

// Signal dispositions belong to the process, so their bookkeeping does too. A signal handler
// may only set a flag of this type.
volatile std::sig_atomic_t g_stopRequested = 0;

struct Installed {
  std::mutex mutex;
  int users = 0;
  struct sigaction oldInt {};
  struct sigaction oldTerm {};
};

Installed& Handlers() {
  static Installed installed;
  return installed;
}

void RequestStop(int) { g_stopRequested = 1; }

}  // namespace

StopSignals::StopSignals() {
  Installed& h = Handlers();
  std::lock_guard lock(h.mutex);
  if (h.users++ > 0) return;
  g_stopRequested = 0;
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &h.oldInt);
  sigaction(SIGTERM, &action, &h.oldTerm);
}

StopSignals::~StopSignals() {
  Installed& h = Handlers();
  std::lock_guard lock(h.mutex);
  if (--h.users > 0) return;
  sigaction(SIGINT, &h.oldInt, nullptr);
  sigaction(SIGTERM, &h.oldTerm, nullptr);
}

bool StopSignals::Requested() const { return g_stopRequested != 0; }

}  // namespace nr::cli
