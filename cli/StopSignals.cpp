#include "StopSignals.h"

namespace nr::cli {
namespace {

// A signal handler may only set a flag of this type.
volatile std::sig_atomic_t g_stopRequested = 0;

void RequestStop(int) { g_stopRequested = 1; }

}  // namespace

StopSignals::StopSignals() {
  g_stopRequested = 0;
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &oldInt_);
  sigaction(SIGTERM, &action, &oldTerm_);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &oldInt_, nullptr);
  sigaction(SIGTERM, &oldTerm_, nullptr);
}

bool StopSignals::Requested() const { return g_stopRequested != 0; }

}  // namespace nr::cli
