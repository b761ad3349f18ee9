// Ctrl+C, Ctrl+Break and closing the console window on Windows: a console control handler runs
// on a thread of its own and only raises the flag.
#include <windows.h>

#include <atomic>
#include <mutex>

#include "StopSignals.h"

namespace nr::cli {
namespace {

// The handler belongs to the process, so its bookkeeping does too.
struct Installed {
  std::mutex mutex;
  int users = 0;
  std::atomic<bool> stopRequested{false};
};

Installed& Handlers() {
  static Installed installed;
  return installed;
}

BOOL WINAPI RequestStop(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      Handlers().stopRequested = true;
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

StopSignals::StopSignals() {
  Installed& h = Handlers();
  std::lock_guard lock(h.mutex);
  if (h.users++ > 0) return;
  h.stopRequested = false;
  ::SetConsoleCtrlHandler(RequestStop, TRUE);
}

StopSignals::~StopSignals() {
  Installed& h = Handlers();
  std::lock_guard lock(h.mutex);
  if (--h.users > 0) return;
  ::SetConsoleCtrlHandler(RequestStop, FALSE);
}

bool StopSignals::Requested() const { return Handlers().stopRequested; }

}  // namespace nr::cli
