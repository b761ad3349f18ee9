#pragma once
// Copies the whole device state between device and PC on worker threads: the bulk read after
// every connect and whenever the device switched modes, the bulk write after a preset file was
// loaded, and the step that completes every transfer (version check, pending mode slot).
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/Bytes.h"
#include "link/DeviceModel.h"
#include "link/Link.h"
#include "link/LinkEvents.h"
#include "link/WorkerThreads.h"

namespace nr {

inline constexpr int kImageChunk = 56;
inline constexpr int kImageChunks = 70;  // 69 of 56 bytes and a last one of 48

class Synchronizer {
 public:
  Synchronizer(Link& link, DeviceModel& model, LinkEvents& events, TraceSink* trace = nullptr);
  ~Synchronizer();
  Synchronizer(const Synchronizer&) = delete;
  Synchronizer& operator=(const Synchronizer&) = delete;

  // Start a worker; each ends by reporting TransferFinished (false: read, true: write).
  void StartBulkRead();
  void StartBulkWrite();
  bool Busy() const { return running_ > 0; }

  // The transfers themselves, on the calling thread. BulkRead returns true when it ran to the
  // end, false when the link went away or the device speaks another protocol version.
  bool BulkRead();
  // The identification steps of a bulk read (module, version, MCU, DSP; once more when the
  // version is not ours). Returns true when the link is up and the version is ours.
  bool Identify();
  void BulkWrite();

  // Reads after a (re)connection may find the screen holding edits that nothing keeps: made while
  // the link was down, or lost by a device that restarted. Armed, the next read that would
  // replace such edits is held instead of applied, and the front end asks the user: apply it
  // (the device's values win), or drop it (and push the screen's values, or save them first).
  void HoldReadIfItReplacesEdits();
  bool HasHeldRead() const;
  void ApplyHeldRead();
  void DropHeldRead();

  // Completes a transfer: with our protocol version, stores a waiting preset file into its mode
  // slot (03 n, 20 ms, 04 n) and returns nothing; otherwise closes the link with notice and
  // returns the mismatch text to show.
  std::optional<std::string> FinishTransfer();

 private:
  void RunWorker(bool write);
  // The end of a complete read: the image goes into the model, unless it is to be held.
  void ApplyRead(const ParamImage& read);
  bool Send(const Payload& p);
  // A USB link whose reader failed stays nominally open but can carry nothing: treat it as gone,
  // so a transfer never applies a half-read image.
  bool LinkGone() const { return !link_.IsConnected() || link_.State().readThreadEnd; }

  Link& link_;
  DeviceModel& model_;
  LinkEvents& events_;
  TraceSink* trace_;
  std::atomic<int> running_{0};
  mutable std::mutex heldMutex_;
  bool holdArmed_ = false;
  std::optional<ParamImage> heldRead_;
  WorkerThreads workers_;  // declared last: joined first
};

// "E:<module>_<version in two hex digits> 通信版本不匹配!"
std::string VersionMismatchText(const DeviceInfo& info);

}  // namespace nr
