#include "DeviceLink.h"

#include <ostream>
#include <thread>
#include <vector>

#include "TerminalText.h"
#include "DeviceWrites.h"
#include "ProgressLine.h"
#include "link/HidApiBackend.h"
#include "link/Socket.h"
#include "link/WriteNames.h"

namespace nr::cli {
namespace {

// A device that is still closing our previous session may turn the next one away for a moment;
// scripts run nrctl back to back, so a busy answer is retried a few times before it counts.
constexpr int kBusyAttempts = 4;
constexpr std::chrono::milliseconds kBusyPause{300};

std::string UnansweredMessage(const std::vector<Payload>& unanswered) {
  std::string message = "the device did not answer " + DescribeWrite(unanswered.front().bytes());
  if (unanswered.size() > 1) message += " (and " + std::to_string(unanswered.size() - 1) + " more)";
  return message;
}

}  // namespace

DeviceLink::DeviceLink(const CommandContext& ctx, std::string_view command) : ctx_(ctx), command_(command) {}

DeviceLink::~DeviceLink() = default;

std::string DeviceLink::Target() const {
  const std::string& host = ctx_.options.host;
  const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return shown + ":" + std::to_string(ctx_.options.port);
}

std::string DeviceLink::ProgressText() {
  const Synchronizer::Stage stage = Conn().Sync().CurrentStage();
  if (stage.kind == TransferKind::kRead && !stage.identified) return "connecting";
  return std::to_string(stage.chunks) + "/" + std::to_string(kImageChunks) +
         (stage.kind == TransferKind::kRead ? " chunks read" : " chunks written");
}

void DeviceLink::ProgressDone() {
  if (!ctx_.progress || !showProgress_ || !connection_) return;
  ctx_.progress->Succeed(ctx_.progressPart, ctx_.progressPart.empty() ? ProgressText() + ", done" : "done");
}

int DeviceLink::Report(int status, std::string_view message) {
  if (ctx_.progress && status != kExitOk) ctx_.progress->Fail(ctx_.progressPart);
  // Messages carry the device's text and the user's paths: both reach the terminal escaped.
  ctx_.err << "nrctl " << command_ << ": " << TerminalSafe(message) << "\n";
  return status;
}

bool DeviceLink::Alive() {
  return connection_ && GetLink().IsConnected() && !GetLink().State().readThreadEnd;
}

int DeviceLink::Open(bool readAll) {
  for (int attempt = 0; attempt < kBusyAttempts; ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(kBusyPause);
    bool busy = false;
    const int status = ConnectOnce(readAll, busy);
    if (!busy) return status;
  }
  return Fail("the device is connected to another client");
}

int DeviceLink::ConnectOnce(bool readAll, bool& busy) {
  {
    std::lock_guard lock(eventsMutex_);
    hostBusy_ = false;
  }
  connection_.reset();
  const bool network = ctx_.options.transport == GlobalOptions::Transport::kNet;
  if (!network) hid_ = std::make_unique<HidApiBackend>();
  LinkEvents& events = *this;
  connection_ = std::make_unique<Connection>(events, network ? nullptr : hid_.get(), ctx_.trace);
  Link& link = GetLink();
  activeLink_ = &link;
  link.SetNetwork(network);

  if (network) {
    std::vector<std::string> addresses;
    std::string error;
    if (!ResolveHost(ctx_.options.host, addresses, error))
      return Fail("cannot resolve " + ctx_.options.host + ": " + error);
    int rc = 0, firstError = 0;
    for (const std::string& address : addresses) {
      link.SetNetTarget(address, ctx_.options.port);
      rc = link.NetConnect();
      if (rc == 1) break;
      if (firstError == 0) firstError = rc;
    }
    if (rc != 1) {
      std::string message = "cannot connect to " + Target();
      if (firstError != 0) message += std::string(": ") + SocketErrorText(firstError);
      return Fail(message);
    }
  } else if (link.ConnectLink() != 1) {
    return Fail("no device found (vendor 2010, product 1031)");
  }

  std::optional<ProgressWatch> watch;
  if (showProgress_ && readAll) watch.emplace(ctx_.progress, ctx_.progressPart, [this] { return ProgressText(); });
  const TransferResult result = readAll ? Conn().Sync().BulkRead() : Conn().Sync().Identify();
  watch.reset();
  {
    std::lock_guard lock(eventsMutex_);
    busy = hostBusy_;
  }
  if (busy) {
    link.Close(false);
    return kExitFailure;
  }
  if (const int status = CheckTransfer(result)) return status;
  if (readAll) {
    // An error the device reported during the read makes what was read doubtful: nothing of it
    // is printed or written.
    if (const std::string error = DeviceError(); !error.empty()) {
      link.Close(true);
      return Fail("the device reported an error: " + error);
    }
  }
  return kExitOk;
}

int DeviceLink::CheckTransfer(const TransferResult& result) {
  if (result.ok()) return kExitOk;
  if (result.failure == TransferFailure::kOtherVersion) {
    // The same goodbye and text as the application gives.
    const std::optional<std::string> mismatch = Conn().Sync().FinishTransfer(result);
    return Fail(mismatch.value_or(DescribeFailure(result)));
  }
  Conn().Sync().FinishTransfer(result);  // forgets a pending mode slot
  std::string message = DescribeFailure(result);
  if (result.DeviceHoldsPartOfNewPreset()) message += std::string("; ") + kPartlyWrittenAdvice;
  if (Alive()) GetLink().Close(true);
  return Fail(message);
}

std::string DeviceLink::DeviceError() {
  std::lock_guard lock(eventsMutex_);
  return deviceError_;
}

int DeviceLink::WriteAll(const std::function<bool()>& stop) {
  std::optional<ProgressWatch> watch;
  if (showProgress_) watch.emplace(ctx_.progress, ctx_.progressPart, [this] { return ProgressText(); });
  const TransferResult result = Conn().Sync().BulkWrite(stop);
  watch.reset();
  if (const int status = CheckTransfer(result)) return status;
  if (const std::optional<std::string> mismatch = Conn().Sync().FinishTransfer(result)) return Fail(*mismatch);
  return kExitOk;
}

uint64_t DeviceLink::TransfersFinished() {
  std::lock_guard lock(eventsMutex_);
  return transfersFinished_;
}

int DeviceLink::AwaitTransferAfter(uint64_t seen, std::string_view what) {
  // The device's answer to the switch is what starts its read. Once it has come (or waited out
  // its time-out), a read must be running or have run; after that, each transfer fails by
  // itself when the device stops answering, so no total deadline is needed.
  GetLink().Drain();
  const auto grace = GetLink().Config().answerTimeout;
  const auto answeredAt = std::chrono::steady_clock::now();
  std::optional<TransferResult> last;
  {
    std::unique_lock lock(eventsMutex_);
    for (;;) {
      const bool busy = Conn().Sync().Busy();
      if (transfersFinished_ > seen && !busy) break;
      if (!busy && transfersFinished_ == seen &&
          (!Alive() || std::chrono::steady_clock::now() - answeredAt > grace))
        break;
      eventsCv_.wait_for(lock, std::chrono::milliseconds(50));
    }
    if (transfersFinished_ > seen) last = lastTransfer_;
  }
  if (!last) {
    if (!Alive()) return Fail("lost the connection while waiting for the device to " + std::string(what));
    GetLink().Close(true);
    return Fail("the device did not " + std::string(what) + " (it never asked to be read again)");
  }
  if (const int status = CheckTransfer(*last)) return status;
  return kExitOk;
}

ReplyWaiter::Outcome DeviceLink::QueryAndWait(DeviceQuery query) {
  const ReplyWaiter::Outcome outcome = AskDevice(GetLink(), query);
  if (!Alive()) return ReplyWaiter::Outcome::kLinkClosed;
  return outcome;
}

bool DeviceLink::WaitForQueueBelow(size_t limit) {
  // The writer sends one packet per answer, or one per answer time-out from a silent device.
  while (GetLink().QueuedPackets() >= limit && Alive()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (!Alive()) {
    Fail("lost the connection");
    return false;
  }
  const std::vector<Payload> unanswered = GetLink().TakeUnanswered();
  if (unanswered.empty()) return true;
  GetLink().Close(true);
  Fail(UnansweredMessage(unanswered));
  return false;
}

int DeviceLink::Finish() {
  Link& link = GetLink();
  // Closing empties the queue, so the link is checked on both sides of the wait: a lost
  // connection is no success.
  if (!Alive()) return Fail("lost the connection before every write was answered");
  const bool drained = link.Drain();
  if (!Alive()) return Fail("lost the connection before every write was answered");
  if (!drained) {
    link.Close(false);
    return Fail("the device stopped taking writes");
  }
  const std::vector<Payload> unanswered = link.TakeUnanswered();
  link.Close(true);  // the goodbye follows the last answer
  if (!unanswered.empty()) return Fail(UnansweredMessage(unanswered));
  if (const std::string error = DeviceError(); !error.empty()) return Fail("the device reported an error: " + error);
  return kExitOk;
}

void DeviceLink::TransferFinished(const TransferResult& result) {
  {
    std::lock_guard lock(eventsMutex_);
    ++transfersFinished_;
    lastTransfer_ = result;
  }
  eventsCv_.notify_all();
}

void DeviceLink::HostBusy() {
  {
    std::lock_guard lock(eventsMutex_);
    hostBusy_ = true;
  }
  eventsCv_.notify_all();
  // Nothing will answer on this connection: drop it so the requests waiting on it return now.
  // The link outlives this call even while the next attempt replaces the connection, because
  // destroying the link joins this thread first.
  if (Link* link = activeLink_.load()) link->Close(false);
}

void DeviceLink::ErrorReport(const std::string& text) {
  std::lock_guard lock(eventsMutex_);
  if (deviceError_.empty()) deviceError_ = text;
}

std::optional<int> DeviceLink::AwaitRemoteKey(std::optional<std::chrono::milliseconds> timeout,
                                              const std::function<bool()>& stop) {
  constexpr std::chrono::milliseconds kPoll{50};  // how soon a stop request is noticed
  const auto deadline = timeout ? std::chrono::steady_clock::now() + *timeout : std::chrono::steady_clock::time_point::max();
  std::unique_lock lock(eventsMutex_);
  while (!learnedKey_) {
    if (std::chrono::steady_clock::now() >= deadline || (stop && stop())) return std::nullopt;
    lock.unlock();
    const bool alive = Alive();
    lock.lock();
    if (!alive) return std::nullopt;
    eventsCv_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + kPoll));
  }
  return std::exchange(learnedKey_, std::nullopt);
}

void DeviceLink::RemoteKeyLearned(int code) {
  {
    std::lock_guard lock(eventsMutex_);
    learnedKey_ = code;
  }
  eventsCv_.notify_all();
}

}  // namespace nr::cli
