#include "session/ConnectProbe.h"

#include <atomic>
#include <cerrno>
#include <thread>

#include "session/Connection.h"

namespace nr {
namespace {

// The one event the probe listens for besides the answers: the device serving someone else.
class ProbeEvents : public LinkEvents {
 public:
  void HostBusy() override { busy = true; }
  std::atomic<bool> busy{false};
};

constexpr std::chrono::milliseconds kWatchStep{10};

}  // namespace

ConnectFailure FailureOfConnectCode(int code) {
  switch (code) {
    case 1:
      return ConnectFailure::kNone;
    case 0:
      return ConnectFailure::kUnresolved;
    case ECONNREFUSED:
      return ConnectFailure::kRefused;
    case ETIMEDOUT:
      return ConnectFailure::kNoAnswer;
    case ECANCELED:
      return ConnectFailure::kStopped;
    default:
      return ConnectFailure::kUnreachable;
  }
}

ConnectResult ProbeNetDevice(const NetTarget& target, const ProbeOptions& options, const std::function<bool()>& stop) {
  ConnectResult result;
  result.target = FormatNetTarget(target);
  ProbeEvents events;
  LinkConfig config;
  config.connectTimeout = options.connectTimeout;
  config.answerTimeout = options.answerTimeout;
  Connection connection(events, nullptr, nullptr, config);
  Link& link = connection.GetLink();
  link.SetNetwork(true);
  link.SetNetTarget(target.host, target.port);
  const int code = link.NetConnect(stop);
  result.failure = FailureOfConnectCode(code);
  if (result.failure == ConnectFailure::kUnreachable) result.systemError = code;
  if (result.failure == ConnectFailure::kNoAnswer) result.waited = options.connectTimeout;
  if (!result.ok()) return result;

  // The identification runs on a thread of its own; this one watches for the user stopping, for
  // a busy device and for total silence, and ends the identification by closing the link.
  std::atomic<bool> done{false};
  TransferResult identified;
  std::thread identify([&] {
    identified = connection.Sync().Identify();
    done = true;
  });
  const auto started = std::chrono::steady_clock::now();
  while (!done) {
    std::this_thread::sleep_for(kWatchStep);
    if (!result.ok()) continue;  // already ending
    const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    if (stop && stop()) {
      result.failure = ConnectFailure::kStopped;
    } else if (events.busy) {
      result.failure = ConnectFailure::kBusy;
    } else if (connection.Sync().Progress() == 0 && quiet >= options.silenceLimit) {
      result.failure = ConnectFailure::kSilent;
      result.waited = options.silenceLimit;
    }
    if (!result.ok()) link.Close(false);
  }
  identify.join();
  const DeviceInfo info = connection.Model().Read([](const DeviceState& s) { return s.info; });
  if (connection.Sync().Progress() > 0) {
    result.module = info.ModuleName();
    result.protocolVersion = info.version;
  }
  if (result.ok()) {
    if (events.busy)
      result.failure = ConnectFailure::kBusy;
    else if (identified.failure == TransferFailure::kOtherVersion) {
      result.failure = ConnectFailure::kOtherVersion;
      result.mismatch = VersionMismatchText(info);
    }
    else if (!identified.ok())
      result.failure = link.IsConnected() ? ConnectFailure::kNotIdentified : ConnectFailure::kLost;
  }
  if (link.IsConnected()) link.Close(true);  // the goodbye: the device is free for the next connection
  return result;
}

}  // namespace nr
