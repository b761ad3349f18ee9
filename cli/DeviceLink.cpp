#include "DeviceLink.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstring>
#include <ostream>
#include <thread>
#include <vector>

#include "link/HidApiBackend.h"

namespace nr::cli {
namespace {

// A device that is still closing our previous session may turn the next one away for a moment;
// scripts run nrctl back to back, so a busy answer is retried a few times before it counts.
constexpr int kBusyAttempts = 4;
constexpr std::chrono::milliseconds kBusyPause{300};

// Marks the communication version as unknown until the device has answered the query, so a
// silent device is told apart from one that speaks another version.
constexpr int32_t kVersionUnanswered = -1;

bool IsNumericAddress(const std::string& host) {
  unsigned char buf[sizeof(in6_addr)];
  return ::inet_pton(AF_INET, host.c_str(), buf) == 1 || ::inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

// The host's numeric addresses, so name-lookup failures get their own message instead of a
// socket error number that means something else, and a name with several addresses (localhost:
// ::1 and 127.0.0.1) is tried at each of them.
bool ResolveHost(const std::string& host, std::vector<std::string>& addresses, std::string& error) {
  if (IsNumericAddress(host)) {
    addresses = {host};
    return true;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0) {
    error = ::gai_strerror(rc);
    return false;
  }
  for (const addrinfo* a = found; a; a = a->ai_next) {
    char text[NI_MAXHOST] = {};
    if (::getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) == 0)
      addresses.emplace_back(text);
  }
  ::freeaddrinfo(found);
  if (addresses.empty()) error = "no address";
  return !addresses.empty();
}

}  // namespace

DeviceLink::DeviceLink(const CommandContext& ctx, std::string_view command) : ctx_(ctx), command_(command) {}

DeviceLink::~DeviceLink() = default;

std::string DeviceLink::Target() const {
  const std::string& host = ctx_.options.host;
  const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return shown + ":" + std::to_string(ctx_.options.port);
}

int DeviceLink::Report(int status, std::string_view message) {
  ctx_.err << "nrctl " << command_ << ": " << message << "\n";
  return status;
}

int DeviceLink::Fail(std::string_view message) { return Report(kExitFailure, message); }

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
      if (firstError != 0) message += std::string(": ") + std::strerror(firstError);
      return Fail(message);
    }
  } else if (link.ConnectLink() != 1) {
    return Fail("no device found (vendor 2010, product 1031)");
  }

  Model().Update([](DeviceState& s) { s.info.version = kVersionUnanswered; });
  bool identified = false;
  bool inTime = true;
  if (readAll) {
    // The bulk read begins with the identification itself.
    inTime = RunWithDeadline([&] { identified = Conn().Sync().BulkRead(); }, kTransferDeadline);
  } else {
    link.SetSendMode(SendMode::kDirect);
    identified = Conn().Sync().Identify();
  }
  {
    std::lock_guard lock(eventsMutex_);
    busy = hostBusy_;
  }
  if (busy) {
    link.Close(false);
    return kExitFailure;
  }
  if (!inTime) return Fail("the device did not finish sending its parameters in time");
  const int status = CheckIdentity(identified);
  if (status != kExitOk || !readAll) return status;
  // The bulk read asks for the remote table last without waiting for the answer; let it arrive
  // so every record the read fills is complete.
  const bool answered = link.WaitUntilIdle(kDrainWait);
  if (!Alive()) return Fail("lost the connection while reading the device");
  if (!answered) {
    link.Close(true);
    return Fail("the device did not answer the last request of the read");
  }
  return kExitOk;
}

int DeviceLink::CheckIdentity(bool identified) {
  Link& link = GetLink();
  if (identified) {
    link.SetSendMode(SendMode::kQueued);
    return kExitOk;
  }
  if (!Alive()) return Fail("lost the connection while identifying the device");
  const int32_t version = Model().Read([](const DeviceState& s) { return s.info.version; });
  if (version == kVersionUnanswered) {
    link.Close(true);
    return Fail("the device does not answer");
  }
  // Another protocol version: the same goodbye and text as the application gives.
  const std::optional<std::string> mismatch = Conn().Sync().FinishTransfer();
  return Fail(mismatch.value_or("the device speaks another protocol version"));
}

bool DeviceLink::RunWithDeadline(const std::function<void()>& body, std::chrono::seconds deadline) {
  std::mutex mutex;
  std::condition_variable cv;
  bool done = false;
  std::thread worker([&] {
    body();
    {
      std::lock_guard lock(mutex);
      done = true;
    }
    cv.notify_all();
  });
  bool inTime;
  {
    std::unique_lock lock(mutex);
    inTime = cv.wait_for(lock, deadline, [&] { return done; });
  }
  // Without a link every further request returns at once, so the worker ends soon.
  if (!inTime) GetLink().Close(false);
  worker.join();
  return inTime;
}

int DeviceLink::WriteAll() {
  Link& link = GetLink();
  bool inTime = RunWithDeadline(
      [&] {
        link.SetSendMode(SendMode::kDirect);
        Conn().Sync().BulkWrite();
        link.SetSendMode(SendMode::kQueued);
      },
      kTransferDeadline);
  if (!inTime) return Fail("the device did not take the parameters in time");
  // A write over a lost link is dropped without a word: only the link state tells.
  if (!Alive()) return Fail("lost the connection while writing the device");
  Model().Update([](DeviceState& s) { s.deviceModified = false; });
  if (const std::optional<std::string> mismatch = Conn().Sync().FinishTransfer()) return Fail(*mismatch);
  return kExitOk;
}

uint64_t DeviceLink::TransfersFinished() {
  std::lock_guard lock(eventsMutex_);
  return transfersFinished_;
}

int DeviceLink::AwaitTransferAfter(uint64_t seen, std::string_view what) {
  const auto deadline = std::chrono::steady_clock::now() + kTransferDeadline;
  bool finished = false;
  {
    std::unique_lock lock(eventsMutex_);
    while (!(finished = transfersFinished_ > seen)) {
      if (std::chrono::steady_clock::now() >= deadline) break;
      eventsCv_.wait_for(lock, std::chrono::milliseconds(100));
      // A lost link ends a running read at once; without one running nothing will come.
      if (transfersFinished_ <= seen && !Alive() && !Conn().Sync().Busy()) break;
    }
  }
  if (!finished) {
    if (!Alive()) return Fail("lost the connection while waiting for the device to " + std::string(what));
    GetLink().Close(false);
    return Fail("the device did not " + std::string(what) + " in time");
  }
  if (!Alive()) return Fail("lost the connection while reading the device");
  if (const std::optional<std::string> mismatch = Conn().Sync().FinishTransfer()) return Fail(*mismatch);
  return kExitOk;
}

bool DeviceLink::QueryAndWait(const Payload& query) {
  Link& link = GetLink();
  link.SetSendMode(SendMode::kDirect);
  link.SendPacket(query.bytes(), true);
  // The sender took the event; the next packet from the device sets it once the dispatcher has
  // applied it. Put it back afterwards so the next request does not wait for nothing.
  const bool answered = link.AnswerEvent().Wait(link.Config().answerTimeout);
  link.AnswerEvent().Set();
  link.SetSendMode(SendMode::kQueued);
  return answered && Alive();
}

bool DeviceLink::WaitForQueueBelow(size_t limit) {
  // The writer sends one packet per answer, or one per answer time-out from a silent device.
  while (GetLink().QueuedPackets() >= limit) {
    if (!Alive()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return Alive();
}

int DeviceLink::Finish() {
  Link& link = GetLink();
  // An empty queue counts as idle also when the link has closed underneath (closing empties
  // it), so the link is checked on both sides of the wait: a lost connection is no success.
  if (!Alive()) return Fail("lost the connection before every write was answered");
  const bool idle = link.WaitUntilIdle(kDrainWait);
  if (!Alive()) return Fail("lost the connection before every write was answered");
  // An unanswered last packet is allowed (some commands have no answer); writes that never
  // left the queue are not.
  if (!idle && link.QueuedPackets() > 0) {
    link.Close(false);
    return Fail("the device did not take every write in time");
  }
  link.Close(true);
  std::string deviceError;
  {
    std::lock_guard lock(eventsMutex_);
    deviceError = deviceError_;
  }
  if (!deviceError.empty()) return Fail("the device reported an error: " + deviceError);
  return kExitOk;
}

void DeviceLink::TransferFinished(bool) {
  {
    std::lock_guard lock(eventsMutex_);
    ++transfersFinished_;
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
