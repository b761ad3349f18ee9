#pragma once
// One device command's connection, from connect to goodbye: opens the link the global options
// ask for, identifies the device, runs transfers with a deadline, waits for the device's own bulk
// read after a mode switch, and closes with notice once every write has been answered. Failures
// are printed as "nrctl COMMAND: ..." on stderr and come back as exit statuses.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "CommandTable.h"
#include "link/Connection.h"
#include "link/HidBackend.h"
#include "link/LinkEvents.h"

namespace nr::cli {

// A whole transfer (bulk read or write, or the device's read after a mode switch) never takes
// longer than this; then the link is dropped and the command fails.
inline constexpr std::chrono::seconds kTransferDeadline{30};
// How long the end of a command waits for the queue to drain and the last answer to arrive.
inline constexpr std::chrono::milliseconds kDrainWait{2000};

class DeviceLink : private LinkEvents {
 public:
  DeviceLink(const CommandContext& ctx, std::string_view command);
  ~DeviceLink() override;
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // Connects and identifies the device (in direct mode), then switches to the send queue. With
  // readAll the whole bulk read takes the place of the bare identification. kExitOk, or
  // kExitFailure with the reason printed.
  int Open(bool readAll = false);

  Connection& Conn() { return *connection_; }
  DeviceSession& Session() { return connection_->Session(); }
  DeviceModel& Model() { return connection_->Model(); }
  Link& GetLink() { return connection_->GetLink(); }

  // Writes the model's image to the device (70 chunks and the end mark) in direct mode, then
  // completes the transfer (a pending mode slot is stored). kExitOk or kExitFailure.
  int WriteAll();

  // Counts finished transfers; take it before asking the device for a mode switch, then wait
  // until a transfer beyond it has finished. kExitOk or kExitFailure (time-out, lost link).
  uint64_t TransfersFinished();
  int AwaitTransferAfter(uint64_t seen, std::string_view what);

  // Sends one query in direct mode and waits until its answer has been applied to the model.
  // False when no packet came back in time.
  bool QueryAndWait(const Payload& query);

  // Waits while the send queue holds at least limit packets, so a long script never runs far
  // ahead of the device. False when the link failed meanwhile.
  bool WaitForQueueBelow(size_t limit);

  // Lets the queue drain and the last packet be answered, then says goodbye (0x8A) and closes.
  // kExitOk, or kExitFailure when writes were still waiting or the link was lost.
  int Finish();

  // True while the link is open and able to carry packets.
  bool Alive();

  // Prints "nrctl COMMAND: message" and returns kExitFailure.
  int Fail(std::string_view message);
  // The same line with another status.
  int Report(int status, std::string_view message);

  // Waits for the key code of a remote-control learn the device reports, until the time-out
  // (none: no limit), until stop() says so, or until the link is lost. The code, or nullopt.
  std::optional<int> AwaitRemoteKey(std::optional<std::chrono::milliseconds> timeout,
                                    const std::function<bool()>& stop);

 private:
  int ConnectOnce(bool readAll, bool& busy);
  int CheckIdentity(bool identified);
  // Runs body on a worker; past the deadline the link is dropped so the worker returns soon.
  bool RunWithDeadline(const std::function<void()>& body, std::chrono::seconds deadline);
  std::string Target() const;

  // LinkEvents, called on link threads.
  void TransferFinished(bool write) override;
  void HostBusy() override;
  void ErrorReport(const std::string& text) override;
  void RemoteKeyLearned(int code) override;

  const CommandContext& ctx_;
  std::string command_;

  std::mutex eventsMutex_;
  std::condition_variable eventsCv_;
  uint64_t transfersFinished_ = 0;
  bool hostBusy_ = false;
  std::string deviceError_;  // the first error the device reported
  std::optional<int> learnedKey_;  // the last learned remote key not yet taken

  std::atomic<Link*> activeLink_{nullptr};  // for link threads, which must not read connection_

  std::unique_ptr<HidBackend> hid_;
  std::unique_ptr<Connection> connection_;  // declared last: closed and joined first
};

}  // namespace nr::cli
