#pragma once
// Trying a network device before the application lets go of the link it has: a connection of its
// own connects to the address, asks the identification every connection asks, says goodbye, and
// tells in a ConnectResult what happened, in terms a message can put into words (nothing listens
// there, nothing answers, it accepted and then said nothing, it speaks another protocol version).
#include <chrono>
#include <functional>
#include <string>

#include "link/NetAddress.h"

namespace nr {

enum class ConnectFailure {
  kNone,
  kUnresolved,      // the host name could not be resolved
  kRefused,         // nothing listens at the address (connection refused)
  kNoAnswer,        // nothing answered the connection attempt for `waited` (the connect time-out)
  kUnreachable,     // the network cannot reach the address (systemError says why)
  kSilent,          // it accepted the connection, then sent nothing for `waited`
  kBusy,            // a device that serves another PC
  kOtherVersion,    // a device that speaks another protocol version (`protocolVersion`)
  kNotIdentified,   // it answered, then stopped answering or answered wrongly while identifying
  kLost,            // the connection closed while the device was being identified
  kStopped,         // the user stopped the attempt
  kNoUsbDevice,     // no USB device of ours is plugged in
  kUsbNotOpened,    // the USB device is there but could not be opened
};

struct ConnectResult {
  ConnectFailure failure = ConnectFailure::kNone;
  std::string target;                    // "127.0.0.1:30358", empty for USB
  int systemError = 0;                   // kUnreachable: the socket's error
  std::chrono::milliseconds waited{0};   // kNoAnswer, kSilent: how long nothing came
  int protocolVersion = 0;               // what the device speaks, once it said
  std::string module;                    // the device's module name, once it said
  std::string mismatch;                  // kOtherVersion: "E:<module>_<version> 通信版本不匹配!"
  bool ok() const { return failure == ConnectFailure::kNone; }
};

struct ProbeOptions {
  std::chrono::milliseconds connectTimeout{5000};
  std::chrono::milliseconds answerTimeout{2000};  // per identification request
  std::chrono::milliseconds silenceLimit{4000};   // no answer at all this long: kSilent
};

// Blocks; meant for a worker thread. stop is asked every few milliseconds, and true ends the
// attempt at once (kStopped). A device found is left with a goodbye, free for the next connection.
ConnectResult ProbeNetDevice(const NetTarget& target, const ProbeOptions& options, const std::function<bool()>& stop);

// The result of a connect call that returned `code` (1, or the socket error, 0 for a name not
// resolved, ECANCELED when stopped): kNone for 1.
ConnectFailure FailureOfConnectCode(int code);

}  // namespace nr
