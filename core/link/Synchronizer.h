#pragma once
// Copies the whole device state between device and PC: the bulk read after every connect and
// whenever the device switched modes, the bulk write after a preset file was loaded, and the step
// that completes every transfer (version check, pending mode slot).
//
// At most one transfer runs at a time. A transfer asked for while one runs is remembered (once
// per direction) and run after it, so a device that floods the PC with mode notices costs one
// more read, not one thread per notice. Every request waits for its own answer; one that is not
// answered, or answered wrongly, is asked again a few times before the transfer fails. A transfer
// therefore never fails for being slow, only for a device that stops answering.
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/Bytes.h"
#include "link/DeviceModel.h"
#include "link/Link.h"
#include "link/LinkEvents.h"
#include "link/ReplyWaiter.h"
#include "link/TransferResult.h"
#include "link/WorkerThreads.h"

namespace nr {

// How often one request is sent before its transfer gives up.
inline constexpr int kRequestAttempts = 3;

// The writes that end every bulk write, made from the state written: what the device runs but the
// image has no room for (the record EQ's coefficients). Whoever assembles a connection gives them.
using ClosingWrites = std::function<std::vector<Payload>(const DeviceState& written)>;

class Synchronizer {
 public:
  Synchronizer(Link& link, DeviceModel& model, LinkEvents& events, ClosingWrites closing, TraceSink* trace = nullptr);
  ~Synchronizer();
  Synchronizer(const Synchronizer&) = delete;
  Synchronizer& operator=(const Synchronizer&) = delete;

  // Runs a transfer on a worker, or after the running one; each reports TransferFinished.
  void StartBulkRead();
  void StartBulkWrite();
  // A transfer runs or waits to run.
  bool Busy() const;
  // Answers the transfers have received so far: a sign of life for progress dialogs.
  uint64_t Progress() const { return progress_; }

  // How far the transfer that runs (or ran last) has come; read from any thread.
  struct Stage {
    TransferKind kind = TransferKind::kRead;
    bool identified = false;  // a read: the device has answered its identification, in our version
    int chunks = 0;           // image chunks answered, 0..kImageChunks
  };
  Stage CurrentStage() const;

  // The transfers themselves, on the calling thread (after a running one has ended). Each runs
  // in direct mode and leaves the link in queued mode. A read applies the image to the model
  // only when every part of it arrived.
  TransferResult BulkRead();
  // The identification steps of a bulk read (module, version, MCU, DSP; once more when the
  // version is not ours).
  TransferResult Identify();
  // The image in 70 chunks, the end mark, then the record EQ's coefficients (the record EQ has
  // no room in the image, so the device learns the preset's record EQ only this way). stop,
  // asked before every request, ends the write there (TransferFailure::kInterrupted).
  TransferResult BulkWrite(const std::function<bool()>& stop = {});

  // Reads after a (re)connection may find the screen holding edits that nothing keeps: made while
  // the link was down, or lost by a device that restarted. Armed, the next read that would
  // replace such edits is held instead of applied, and the front end asks the user: apply it
  // (the device's values win), or drop it (and push the screen's values, or save them first).
  void HoldReadIfItReplacesEdits();
  // Armed this way, the next read is held whenever it would change what the screen shows: while
  // a preset file is being edited, the user says whether the device takes the preset or the
  // screen takes the device's values.
  void HoldReadIfItDiffers();
  // The next read is applied as it comes (the user asked for the device's values).
  void CancelReadHold();
  // A read that ends while another is held takes its place, held in turn.
  bool HasHeldRead() const;
  void ApplyHeldRead();
  void DropHeldRead();

  // Completes a transfer. With another protocol version: closes the link with notice and returns
  // the mismatch text to show. After a completed transfer, stores a waiting preset file into its
  // mode slot (03 n, 20 ms, 04 n); a failed one forgets the slot, so a half-written preset is
  // never stored.
  std::optional<std::string> FinishTransfer(const TransferResult& result);

 private:
  struct Run;

  void Request(TransferKind kind);
  void RunWorker(TransferKind first);
  bool IdentifyWith(Run& run);
  bool ReadImageInto(Run& run, ParamImage& image);
  bool WriteImageFrom(Run& run, const ParamImage& image);
  // Sends a request and waits for its answer, asking again up to kRequestAttempts times. On
  // failure the run's result says why.
  bool Ask(Run& run, const Payload& request, const ReplyWaiter::Expectation& expected);
  // The end of a complete read: the image goes into the model, unless it is to be held.
  void ApplyRead(const ParamImage& read);
  void SetStage(const std::function<void(Stage&)>& change);
  // A USB link whose reader failed stays nominally open but can carry nothing: treat it as gone.
  bool LinkGone() const { return !link_.IsConnected() || link_.State().readThreadEnd; }

  Link& link_;
  DeviceModel& model_;
  LinkEvents& events_;
  ClosingWrites closing_;
  TraceSink* trace_;
  std::atomic<uint64_t> progress_{0};
  mutable std::mutex stageMutex_;
  Stage stage_;
  mutable std::mutex heldMutex_;
  enum class HoldRule { kNone, kReplacesEdits, kDiffers };
  HoldRule holdRule_ = HoldRule::kNone;
  std::optional<ParamImage> heldRead_;
  std::mutex transferMutex_;  // one transfer at a time, whoever runs it

  mutable std::mutex queueMutex_;
  bool workerRunning_ = false;
  std::deque<TransferKind> waiting_;  // at most one of each kind

  WorkerThreads workers_;  // declared last: joined first
};

// "E:<module>_<version in two hex digits> 通信版本不匹配!"
std::string VersionMismatchText(const DeviceInfo& info);

}  // namespace nr
