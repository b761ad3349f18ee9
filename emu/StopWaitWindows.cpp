// Stopping nremu on Windows: a console control handler (on a thread of its own) sets an event
// that Wait sleeps on.
#include <windows.h>

#include "emu/StopWait.h"

namespace nr::emu {
namespace {

// The handler has no context argument; the one event of the process is made once.
HANDLE StopEvent() {
  static const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}

BOOL WINAPI RequestStop(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  ::SetEvent(StopEvent());
  return TRUE;
}

}  // namespace

StopWait::StopWait() { ::SetConsoleCtrlHandler(RequestStop, TRUE); }

StopWait::~StopWait() { ::SetConsoleCtrlHandler(RequestStop, FALSE); }

void StopWait::Wait() { ::WaitForSingleObject(StopEvent(), INFINITE); }

}  // namespace nr::emu
