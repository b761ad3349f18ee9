#pragma once
// One device command's connection, from connect to goodbye: opens the link the global options
// ask for, identifies the device, runs transfers, waits for the device's own bulk read after a
// mode switch, and closes with notice once every write has been answered. Nothing waits on a
// total deadline: a slow device that keeps answering is served, one that stops answering fails
// after the answer time-out. Failures are printed as "nrctl COMMAND: ..." on stderr and come
// back as exit statuses.
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
#include "WriteTarget.h"
#include "session/Connection.h"
#include "link/HidBackend.h"
#include "link/LinkEvents.h"
#include "link/ReplyWaiter.h"
#include "shell/DeviceModes.h"

namespace nr::cli {

class DeviceLink : public WriteTarget, private LinkEvents {
 public:
  DeviceLink(const CommandContext& ctx, std::string_view command);
  ~DeviceLink() override;
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // Connects and identifies the device, then leaves the link in queued mode. With readAll the
  // whole bulk read takes the place of the bare identification, and an error the device reported
  // meanwhile fails the command before anything is printed or written. kExitOk, or kExitFailure
  // with the reason printed.
  int Open(bool readAll = false) override;

  Connection& Conn() { return *connection_; }
  DeviceSession& Session() override { return connection_->Session(); }
  DeviceModel& Model() override { return connection_->Model(); }
  DeviceLink* Device() override { return this; }
  Link& GetLink() { return connection_->GetLink(); }

  // Writes the model's image to the device (70 chunks, the end mark and the record EQ), then
  // completes the transfer (a pending mode slot is stored). kExitOk, or kExitFailure saying where
  // it stopped and, when part of the image went out, what the device now holds. stop, asked
  // before every request, interrupts the write (it then fails the same way).
  int WriteAll(const std::function<bool()>& stop = {});

  // Counts finished transfers; take it before asking the device for a mode switch, then wait
  // until the transfers it starts have finished (a device may ask more than once). kExitOk or
  // kExitFailure (no read started, a failed read, a lost link).
  uint64_t TransfersFinished();
  int AwaitTransferAfter(uint64_t seen, std::string_view what);

  // Sends one query at once and waits for its answer, which the model then holds.
  ReplyWaiter::Outcome QueryAndWait(DeviceQuery query);

  // Waits while the send queue holds at least limit packets, so a long script never runs far
  // ahead of the device. False, with the reason printed, when the link failed meanwhile or the
  // device left a write unanswered; the link is then closed, as the rest of a script would only
  // wait out each write's answer time-out.
  bool WaitForQueueBelow(size_t limit) override;

  // Waits until every write has been answered (or has waited out the answer time-out), then
  // says goodbye (0x8A) and closes. kExitOk, or kExitFailure naming the first write the device
  // never answered, or when the link was lost or the device reported an error.
  int Finish() override;

  // True while the link is open and able to carry packets.
  bool Alive();

  // The whole reads and writes of this command show on the progress line ("12/70 chunks") while
  // they run (push and pull); ProgressDone ends the line with a word of success. A failure
  // reported meanwhile takes the line away.
  void ShowProgress() { showProgress_ = true; }
  void ProgressDone();

  // Prints "nrctl COMMAND: message" and returns status.
  int Report(int status, std::string_view message) override;

  // Waits for the key code of a remote-control learn the device reports, until the time-out
  // (none: no limit), until stop() says so, or until the link is lost. The code, or nullopt.
  std::optional<int> AwaitRemoteKey(std::optional<std::chrono::milliseconds> timeout,
                                    const std::function<bool()>& stop);

 private:
  int ConnectOnce(bool readAll, bool& busy);
  // kExitOk for a completed transfer; otherwise the reason is printed (the version text for a
  // device that speaks another protocol version).
  int CheckTransfer(const TransferResult& result);
  std::string DeviceError();
  std::string Target() const;
  // The progress text of the running (or last) transfer.
  std::string ProgressText();

  // LinkEvents, called on link threads.
  void TransferFinished(const TransferResult& result) override;
  void HostBusy() override;
  void ErrorReport(const std::string& text) override;
  void RemoteKeyLearned(int code) override;

  const CommandContext& ctx_;
  std::string command_;

  std::mutex eventsMutex_;
  std::condition_variable eventsCv_;
  uint64_t transfersFinished_ = 0;
  std::optional<TransferResult> lastTransfer_;
  bool hostBusy_ = false;
  std::string deviceError_;  // the first error the device reported
  std::optional<int> learnedKey_;  // the last learned remote key not yet taken
  bool showProgress_ = false;

  std::atomic<Link*> activeLink_{nullptr};  // for link threads, which must not read connection_

  std::unique_ptr<HidBackend> hid_;
  std::unique_ptr<Connection> connection_;  // declared last: closed and joined first
};

}  // namespace nr::cli
