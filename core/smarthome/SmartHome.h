#pragma once
// The PC's side of the Z-Wave controller inside the device: the replies it handles (node list,
// plug reports, send-data callbacks, add and remove progress), the local copy of the smart-home
// memory (plug records and scenes), and the sequences that run on worker threads (synchronising,
// resetting, running a scene). Replies arrive on the link's reader thread; the workers wait for
// them on a condition, never on a bare poll, and every wait ends early when the link is gone.
//
// Reports reach the application through LinkEvents (SmartPlugReport, SmartHomeFinished) and, for
// programs without an event loop, through a small mailbox that callers read with NextReport.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "link/LinkEvents.h"
#include "link/Trace.h"
#include "link/WorkerThreads.h"
#include "smarthome/SmartHomeMemory.h"

namespace nr {

// What the smart home needs of the link: the tunnel, the device channel, and whether it is up.
class ZWavePort {
 public:
  virtual ~ZWavePort() = default;
  // A Serial API frame to the controller; never waits for an answer.
  virtual int SendFrame(std::span<const uint8_t> frame) = 0;
  // A device command (memory read 14 or write 13), sent synchronously.
  virtual int SendCommand(std::span<const uint8_t> payload) = 0;
  virtual bool Connected() const = 0;
  // Waits until everything sent has been answered, at most timeout (true when it was).
  virtual bool WaitIdle(std::chrono::milliseconds timeout) = 0;
};

struct SmartHomeTimings {
  using ms = std::chrono::milliseconds;
  ms ackPause{20};            // after the ACK of each controller frame
  ms completionWait{6000};    // reset and each scene step (600 x 10 ms)
  ms nodeListWait{6000};      // the node list (200 x 30 ms)
  ms beforePlugReads{30};
  ms beforeSceneReads{50};
  ms readsAnswered{2000};     // the memory reads' answers, before the data counts as read
  ms afterSync{100};
  ms stepPause{20};           // between scene steps
  ms delayUnit{1000};         // one second of a scene's delay step
};

// What the user asked for: to remove a plug, or to add one. Adding starts by removing whatever
// plug is pressed (so it leaves any network it was in), then adds it.
enum class AddPhase { kRemoving, kAdding };

// Message 3025: what ended.
inline constexpr int kSmartSceneRun = 1;       // value 0 at the start, 1 at the end
inline constexpr int kSmartSynchronised = 8;   // synchronisation or reset ended

struct PlugInfo {
  int node = 0;
  PlugRecord record;
  int lastValue = 0;
};

class SmartHome {
 public:
  SmartHome(ZWavePort& port, LinkEvents& events, TraceSink* trace = nullptr, SmartHomeTimings timings = {});
  ~SmartHome();
  SmartHome(const SmartHome&) = delete;
  SmartHome& operator=(const SmartHome&) = delete;

  // Ends every wait and joins the workers; nothing starts afterwards. The owner calls it after
  // closing the link and before the link goes away.
  void Shutdown();

  // ---- Replies (reader thread) ----
  // Device reply 12: the byte count, then the controller's frame. A frame is answered first: ACK
  // when it is sound, NAK when it is damaged (the controller sends it again); a lone ACK, NAK or
  // CAN is answered by nothing.
  void HandleFrame(std::span<const uint8_t> countAndFrame);
  // Bytes that arrived on the network's Z-Wave channel: a reply 12 as above, or a bare frame.
  void HandleChannelPayload(std::span<const uint8_t> bytes);
  // Device reply 14: offset (2 bytes), count, data. Stored from the first byte of the record or
  // scene that holds the offset; offsets past the smart-home memory are ignored.
  void HandleMemory(std::span<const uint8_t> offsetCountData);

  // ---- Operations (any thread) ----
  // The frame of a late-answered operation: 13 sets node a to value b, 4A starts adding, 4B
  // starts removing. Other operations send nothing.
  void PerformOperation(int operation, int a, int b);
  void SetPlug(int node, int value);
  // Adding starts by removing whatever plug is pressed; the record waits for the node the
  // controller reports as added (with the adding or removing status 3, when the final status
  // carries none). Adding is stopped as soon as the controller reports it done. Begin... sets the add phase (and the record) only, for callers
  // that send the start themselves (PerformOperation 4B); Start... sends it too.
  void BeginAdding(const PlugRecord& record);
  void BeginRemoving();
  void StartAdding(const PlugRecord& record);
  void StartRemoving();
  // After the controller reported a removal: stops removing and, when adding and the caller still
  // waits for it, starts adding. Returns true when adding started.
  bool ContinueAfterRemoval(bool stillWaiting);
  void StartAddingNow();
  // Aborts the running operation 13, 4A or 4B (the forced stop of a wait): a send with the
  // send-data abort, adding and removing with their stop.
  void Abort(int function);
  // Writes a record or a scene locally and to the device.
  void WritePlugRecord(int node, const PlugRecord& record);
  void SaveScene(int scene, const Scene& steps);

  // ---- Synchronous steps (worker threads, or a command-line program's own thread) ----
  bool ResetController();   // true when the controller confirmed
  bool ReadNodeList();      // true when the node list arrived
  void ReadAllPlugData();
  void ClearScenes();
  // The synchronisation and reset sequences without their final report. Synchronise returns
  // whether the smart-home data is valid.
  bool Synchronise();
  void ResetAll();
  // Runs the steps of one scene (the runner's body); onStep hears of each step before it runs.
  // Returns how many plug steps went unanswered.
  using StepObserver = std::function<void(int slot, SceneStep step)>;
  int RunScene(int scene, const StepObserver& onStep = {});

  // ---- Workers: each reports SmartHomeFinished when done; false when one is still running ----
  bool StartSynchronisation();
  bool StartReset();
  bool StartScene(int scene);
  bool Busy() const;

  // ---- State ----
  bool NodePresent(int node) const;
  int LastValue(int node) const;
  PlugRecord Record(int node) const;
  std::vector<PlugInfo> Plugs() const;  // present nodes 2..232 in ascending order
  Scene GetScene(int scene) const;
  bool DataValid() const;
  void SetDataValid(bool valid);
  AddPhase Phase() const;
  PlugRecord PendingRecord() const;

  // ---- Mailbox of reports, for callers without an event loop ----
  // The cursor of the next report to come; NextReport returns reports after the cursor in order,
  // waiting at most timeout for one.
  uint64_t ReportCursor() const;
  std::optional<PlugReport> NextReport(uint64_t& cursor, std::chrono::milliseconds timeout);

 private:
  void HandleParsed(uint8_t function, std::span<const uint8_t> p);
  void HandleAdding(std::span<const uint8_t> p);
  void HandleRemoving(std::span<const uint8_t> p);
  void NoteFlowNode(int node);
  int FlowNode() const;
  void Post(PlugReport report);
  void SetCompletion();
  // Waits for flag (under mutex_) at most timeout; false on time-out, link loss or shutdown.
  bool WaitFor(const bool& flag, std::chrono::milliseconds timeout);
  // Sleeps, but returns false early when the object is going away.
  bool Pause(std::chrono::milliseconds duration);
  bool Stopping() const;
  bool StartWorker(std::function<void()> body);
  void FinishWorker(int what, int value);
  void SendMemoryWrite(int offset, std::span<const uint8_t> data);
  void SendMemoryRead(int offset, int length);

  ZWavePort& port_;
  LinkEvents& events_;
  TraceSink* trace_;
  const SmartHomeTimings timings_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::array<bool, kMaxNode + 1> present_{};
  std::array<uint8_t, kMaxNode + 1> lastValue_{};
  std::array<PlugRecordBytes, kPlugRecords> records_{};
  std::array<SceneBytes, kSceneCount> scenes_{};
  PlugRecordBytes pending_{};
  bool completion_ = false;
  bool initData_ = false;
  bool dataValid_ = false;
  AddPhase addPhase_ = AddPhase::kRemoving;
  int flowNode_ = 0;  // the node the running adding or removing reported with status 3 or 4
  bool stopping_ = false;
  bool busy_ = false;
  std::deque<PlugReport> reports_;
  uint64_t reportsDropped_ = 0;  // reports that left the mailbox to keep it small

  WorkerThreads workers_;  // declared last: joined first
};

}  // namespace nr
