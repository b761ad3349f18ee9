#include "smarthome/SmartHome.h"

#include <algorithm>

#include "link/Bytes.h"
#include "link/Commands.h"
#include "smarthome/ZWaveFrames.h"

namespace nr {
namespace {

constexpr size_t kMailboxCapacity = 256;
constexpr auto kLinkCheck = std::chrono::milliseconds(50);  // how often a wait looks at the link

bool IsPlugNode(int node) { return node >= kFirstPlugNode && node <= kMaxNode; }
bool IsNode(int node) { return node >= 1 && node <= kMaxNode; }

}  // namespace

SmartHome::SmartHome(ZWavePort& port, LinkEvents& events, TraceSink* trace, SmartHomeTimings timings)
    : port_(port), events_(events), trace_(trace), timings_(timings) {}

SmartHome::~SmartHome() { Shutdown(); }

void SmartHome::Shutdown() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  workers_.Join(true);
}

// ---- Replies ----

void SmartHome::HandleFrame(std::span<const uint8_t> countAndFrame) {
  if (countAndFrame.empty()) return;
  const size_t count = std::min<size_t>(countAndFrame[0], countAndFrame.size() - 1);
  const std::span<const uint8_t> frame = countAndFrame.subspan(1, count);
  if (frame.empty()) return;
  // The controller's ACK, NAK or CAN of a frame the PC sent: nothing to answer.
  if (frame.size() == 1 && (frame[0] == zwave::kAck || frame[0] == zwave::kNak || frame[0] == zwave::kCan)) return;
  const std::optional<SerialFrame> parsed = ParseSerialFrame(frame);
  if (!parsed && frame[0] != zwave::kSof) {
    TraceBytes(trace_, "ZWave bytes ignored: ", frame);
    return;
  }
  // A damaged frame is answered NAK, so the controller sends it again; an ACK would lose it.
  const uint8_t answer[] = {parsed ? zwave::kAck : zwave::kNak};
  port_.SendFrame(answer);
  Pause(timings_.ackPause);
  if (!parsed) {
    TraceBytes(trace_, "ZWave frame refused: ", frame);
    return;
  }
  HandleParsed(parsed->function, parsed->parameters);
}

void SmartHome::HandleChannelPayload(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return;
  if (bytes[0] == cmd::kZWaveFrame) {
    HandleFrame(bytes.subspan(1));
    return;
  }
  const size_t n = std::min<size_t>(bytes.size(), 255);
  std::vector<uint8_t> countAndFrame(n + 1);
  countAndFrame[0] = static_cast<uint8_t>(n);
  std::copy_n(bytes.begin(), n, countAndFrame.begin() + 1);
  HandleFrame(countAndFrame);
}

void SmartHome::HandleParsed(uint8_t function, std::span<const uint8_t> p) {
  switch (function) {
    case zwave::kGetInitData: {
      // Version, capabilities, bitmask length, bitmask: bit j of byte i is node 8i + j + 1.
      if (p.size() < 3) return;
      const std::span<const uint8_t> mask = p.subspan(3, std::min<size_t>(p[2], p.size() - 3));
      {
        std::lock_guard lock(mutex_);
        present_.fill(false);
        for (size_t i = 0; i < mask.size(); ++i)
          for (int j = 0; j < 8; ++j) {
            const size_t node = i * 8 + static_cast<size_t>(j) + 1;
            if (node <= kMaxNode && (mask[i] & (1 << j))) present_[node] = true;
          }
        initData_ = true;
      }
      changed_.notify_all();
      return;
    }
    case zwave::kApplicationCommand: {
      // Receive status, source node, command length, command: the value is its last byte.
      if (p.size() < 3 || p[2] == 0 || p.size() < 3u + p[2]) return;
      const int node = p[1];
      const uint8_t value = p[2u + p[2]];
      {
        std::lock_guard lock(mutex_);
        if (IsNode(node)) lastValue_[static_cast<size_t>(node)] = value;
      }
      Post({.function = zwave::kApplicationCommand, .node = node, .value = value});
      SetCompletion();
      return;
    }
    case zwave::kSendData: {
      // The callback: id, transmit status. (The immediate response carries one byte only.)
      if (p.size() < 2) return;
      const uint8_t callback = p[0];
      const uint8_t status = p[1];
      if (status == 0) {
        Post({.function = zwave::kSendData, .callback = callback, .status = status});
        if (callback != zwave::kCallbackKey) SetCompletion();
      } else {
        // Any failure ends the step: no acknowledgement, or the transmission failed outright.
        SetCompletion();
        Post({.function = zwave::kSendData, .callback = callback, .status = status});
      }
      return;
    }
    case zwave::kSetDefault:
      Post({.function = zwave::kSetDefault});
      SetCompletion();
      return;
    case zwave::kAddNode:
      return HandleAdding(p);
    case zwave::kRemoveNode:
      return HandleRemoving(p);
    default:
      return;
  }
}

// Callback id, status, node, node information. The node being added comes with status 3 (or 4
// for a controller); the controller need not repeat it with status 5, and expects to be told to
// stop adding after it.
void SmartHome::HandleAdding(std::span<const uint8_t> p) {
  if (p.size() < 2) return;
  const uint8_t status = p[1];
  const int reported = p.size() >= 3 ? p[2] : 0;
  switch (status) {
    case zwave::kLearnReady:
      NoteFlowNode(0);
      return Post({.function = zwave::kAddNode, .status = status});
    case zwave::kNodeFound:
      return Post({.function = zwave::kAddNode, .status = status});
    case zwave::kAddingSlave:
    case zwave::kAddingController:
      return NoteFlowNode(reported);
    case zwave::kProtocolDone: {
      port_.SendFrame(BuildStopAdding());
      const int node = reported != 0 ? reported : FlowNode();
      if (!IsPlugNode(node)) return Post({.function = zwave::kAddNode, .status = zwave::kAddRemoveFailed});
      {
        std::lock_guard lock(mutex_);
        present_[static_cast<size_t>(node)] = true;
        records_[static_cast<size_t>(node)] = pending_;
      }
      return Post({.function = zwave::kAddNode, .node = node, .status = status});
    }
    case zwave::kAddRemoveFailed:
      return Post({.function = zwave::kAddNode, .status = status});
    default:
      return;
  }
}

// The same for removing: the node comes with status 3 (or 4), status 6 may carry none.
void SmartHome::HandleRemoving(std::span<const uint8_t> p) {
  if (p.size() < 2) return;
  const uint8_t status = p[1];
  const int reported = p.size() >= 3 ? p[2] : 0;
  if (status == zwave::kLearnReady) NoteFlowNode(0);
  if (status == zwave::kAddingSlave || status == zwave::kAddingController) NoteFlowNode(reported);
  if (status != zwave::kRemoveDone) return Post({.function = zwave::kRemoveNode, .status = status});
  const int node = reported != 0 ? reported : FlowNode();
  if (IsPlugNode(node)) {
    std::lock_guard lock(mutex_);
    present_[static_cast<size_t>(node)] = false;
  }
  Post({.function = zwave::kRemoveNode, .node = node, .status = status});
}

void SmartHome::NoteFlowNode(int node) {
  std::lock_guard lock(mutex_);
  flowNode_ = node;
}

int SmartHome::FlowNode() const {
  std::lock_guard lock(mutex_);
  return flowNode_;
}

void SmartHome::HandleMemory(std::span<const uint8_t> p) {
  if (p.size() < 3) return;
  const int offset = GetBE16(p.data());
  if (offset >= kSmartMemorySize) return;
  const std::span<const uint8_t> data = p.subspan(3, std::min<size_t>(p[2], p.size() - 3));
  std::lock_guard lock(mutex_);
  if (offset < kScenesOffset) {
    PlugRecordBytes& record = records_[static_cast<size_t>(offset / kPlugRecordSize)];
    std::copy_n(data.begin(), std::min(data.size(), record.size()), record.begin());
  } else {
    SceneBytes& scene = scenes_[static_cast<size_t>((offset - kScenesOffset) / kSceneSize)];
    std::copy_n(data.begin(), std::min(data.size(), scene.size()), scene.begin());
  }
}

void SmartHome::Post(PlugReport report) {
  {
    std::lock_guard lock(mutex_);
    reports_.push_back(report);
    if (reports_.size() > kMailboxCapacity) {
      reports_.pop_front();
      ++reportsDropped_;
    }
  }
  changed_.notify_all();
  events_.SmartPlugReport(report);
}

void SmartHome::SetCompletion() {
  {
    std::lock_guard lock(mutex_);
    completion_ = true;
  }
  changed_.notify_all();
}

// ---- Operations ----

void SmartHome::PerformOperation(int operation, int a, int b) {
  const std::vector<uint8_t> frame = BuildOperationFrame(operation, a, b);
  if (!frame.empty()) port_.SendFrame(frame);
}

void SmartHome::SetPlug(int node, int value) { port_.SendFrame(BuildSetPlug(node, value)); }

void SmartHome::BeginAdding(const PlugRecord& record) {
  std::lock_guard lock(mutex_);
  pending_ = record.Encode();
  addPhase_ = AddPhase::kAdding;
  flowNode_ = 0;
}

void SmartHome::BeginRemoving() {
  std::lock_guard lock(mutex_);
  addPhase_ = AddPhase::kRemoving;
  flowNode_ = 0;
}

void SmartHome::StartAdding(const PlugRecord& record) {
  BeginAdding(record);
  port_.SendFrame(BuildStartRemoving());
}

void SmartHome::StartRemoving() {
  BeginRemoving();
  port_.SendFrame(BuildStartRemoving());
}

bool SmartHome::ContinueAfterRemoval(bool stillWaiting) {
  port_.SendFrame(BuildStopRemoving());
  if (Phase() != AddPhase::kAdding || !stillWaiting) return false;
  StartAddingNow();
  return true;
}

void SmartHome::StartAddingNow() {
  NoteFlowNode(0);
  port_.SendFrame(BuildStartAdding());
}

void SmartHome::Abort(int function) {
  if (function < 0 || function > 0xFF) return;
  const std::vector<uint8_t> frame = BuildAbort(static_cast<uint8_t>(function));
  if (!frame.empty()) port_.SendFrame(frame);
}

void SmartHome::WritePlugRecord(int node, const PlugRecord& record) {
  if (node < 0 || node >= kPlugRecords) return;
  const PlugRecordBytes bytes = record.Encode();
  {
    std::lock_guard lock(mutex_);
    records_[static_cast<size_t>(node)] = bytes;
  }
  SendMemoryWrite(PlugRecordOffset(node), bytes);
}

void SmartHome::SaveScene(int scene, const Scene& steps) {
  if (scene < 0 || scene >= kSceneCount) return;
  const SceneBytes bytes = EncodeScene(steps);
  {
    std::lock_guard lock(mutex_);
    scenes_[static_cast<size_t>(scene)] = bytes;
  }
  SendMemoryWrite(SceneOffset(scene), bytes);
}

void SmartHome::SendMemoryWrite(int offset, std::span<const uint8_t> data) {
  const Payload p = BuildZWaveMemWrite(offset, data);
  if (!p.empty()) port_.SendCommand(p.bytes());
}

void SmartHome::SendMemoryRead(int offset, int length) {
  const Payload p = BuildZWaveMemRead(offset, length);
  port_.SendCommand(p.bytes());
}

// ---- Waiting ----

bool SmartHome::WaitFor(const bool& flag, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(mutex_);
  for (;;) {
    if (flag) return true;
    if (stopping_ || !port_.Connected()) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    changed_.wait_until(lock, std::min(deadline, now + kLinkCheck));
  }
}

bool SmartHome::Pause(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  return !changed_.wait_for(lock, duration, [this] { return stopping_; });
}

bool SmartHome::Stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

// ---- Synchronous steps ----

bool SmartHome::ResetController() {
  {
    std::lock_guard lock(mutex_);
    completion_ = false;
  }
  port_.SendFrame(BuildSetDefault());
  return WaitFor(completion_, timings_.completionWait);
}

bool SmartHome::ReadNodeList() {
  {
    std::lock_guard lock(mutex_);
    initData_ = false;
  }
  port_.SendFrame(BuildGetInitData());
  return WaitFor(initData_, timings_.nodeListWait);
}

void SmartHome::ReadAllPlugData() {
  if (!Pause(timings_.beforePlugReads)) return;
  for (const PlugInfo& plug : Plugs()) SendMemoryRead(PlugRecordOffset(plug.node), kPlugRecordSize);
  if (!Pause(timings_.beforeSceneReads)) return;
  for (int k = 0; k < kSceneCount; ++k) SendMemoryRead(SceneOffset(k), kSceneSize);
  // On the network the reads are only queued: the data counts as read once they are answered.
  port_.WaitIdle(timings_.readsAnswered);
}

void SmartHome::ClearScenes() {
  for (int k = 0; k < kSceneCount; ++k) SaveScene(k, Scene{});
}

bool SmartHome::Synchronise() {
  const bool arrived = ReadNodeList();
  if (NodePresent(1)) {
    if (arrived) {
      ReadAllPlugData();
      SetDataValid(true);
      Pause(timings_.afterSync);
    }
  } else {
    SetDataValid(false);
  }
  return DataValid();
}

void SmartHome::ResetAll() {
  ResetController();
  ClearScenes();
  ReadNodeList();
  ReadAllPlugData();
  Pause(timings_.afterSync);
}

int SmartHome::RunScene(int scene, const StepObserver& onStep) {
  if (scene < 0 || scene >= kSceneCount) return 0;
  const Scene steps = GetScene(scene);
  int unanswered = 0;
  for (int slot = 0; slot < kSceneSteps; ++slot) {
    const SceneStep step = steps[static_cast<size_t>(slot)];
    if (step.Empty()) continue;
    if (Stopping() || !port_.Connected()) break;
    if (onStep) onStep(slot, step);
    {
      std::lock_guard lock(mutex_);
      completion_ = false;
    }
    bool completed = true;
    if (step.node == kHdmiStep) {
      Trace(trace_, "正在执行HDMI操作\n");
    } else if (step.node == kDelayStep) {
      Trace(trace_, "正在执行延时操作\n");
      if (!Pause(timings_.delayUnit * step.value)) break;
    } else if (IsPlugNode(step.node) && NodePresent(step.node)) {
      {
        std::lock_guard lock(mutex_);
        lastValue_[step.node] = step.value;
      }
      SetPlug(step.node, step.value);
      completed = false;
    } else {
      Trace(trace_, "此ID不存在，跳过设置命令\n");
    }
    if (!completed && !WaitFor(completion_, timings_.completionWait)) {
      Trace(trace_, "ZWAVE_LoadMode Time out!\n");
      ++unanswered;
    }
    if (!Pause(timings_.stepPause)) break;
  }
  return unanswered;
}

// ---- Workers ----

bool SmartHome::StartWorker(std::function<void()> body) {
  {
    std::lock_guard lock(mutex_);
    if (busy_ || stopping_) return false;
    busy_ = true;
  }
  workers_.Start(std::move(body));
  return true;
}

void SmartHome::FinishWorker(int what, int value) {
  {
    std::lock_guard lock(mutex_);
    busy_ = false;  // before the report, so its receiver may start the next worker at once
  }
  events_.SmartHomeFinished(what, value);
}

bool SmartHome::StartSynchronisation() {
  return StartWorker([this] {
    Synchronise();
    FinishWorker(kSmartSynchronised, 0);
  });
}

bool SmartHome::StartReset() {
  return StartWorker([this] {
    ResetAll();
    FinishWorker(kSmartSynchronised, 0);
  });
}

bool SmartHome::StartScene(int scene) {
  return StartWorker([this, scene] {
    events_.SmartHomeFinished(kSmartSceneRun, 0);
    RunScene(scene);
    FinishWorker(kSmartSceneRun, 1);
  });
}

bool SmartHome::Busy() const {
  std::lock_guard lock(mutex_);
  return busy_;
}

// ---- State ----

bool SmartHome::NodePresent(int node) const {
  if (!IsNode(node)) return false;
  std::lock_guard lock(mutex_);
  return present_[static_cast<size_t>(node)];
}

int SmartHome::LastValue(int node) const {
  if (!IsNode(node)) return 0;
  std::lock_guard lock(mutex_);
  return lastValue_[static_cast<size_t>(node)];
}

PlugRecord SmartHome::Record(int node) const {
  if (node < 0 || node >= kPlugRecords) return {};
  std::lock_guard lock(mutex_);
  return PlugRecord::Decode(records_[static_cast<size_t>(node)]);
}

std::vector<PlugInfo> SmartHome::Plugs() const {
  std::vector<PlugInfo> plugs;
  std::lock_guard lock(mutex_);
  for (int node = kFirstPlugNode; node <= kMaxNode; ++node) {
    const auto n = static_cast<size_t>(node);
    if (present_[n]) plugs.push_back({node, PlugRecord::Decode(records_[n]), lastValue_[n]});
  }
  return plugs;
}

Scene SmartHome::GetScene(int scene) const {
  if (scene < 0 || scene >= kSceneCount) return {};
  std::lock_guard lock(mutex_);
  return DecodeScene(scenes_[static_cast<size_t>(scene)]);
}

bool SmartHome::DataValid() const {
  std::lock_guard lock(mutex_);
  return dataValid_;
}

void SmartHome::SetDataValid(bool valid) {
  std::lock_guard lock(mutex_);
  dataValid_ = valid;
}

AddPhase SmartHome::Phase() const {
  std::lock_guard lock(mutex_);
  return addPhase_;
}

PlugRecord SmartHome::PendingRecord() const {
  std::lock_guard lock(mutex_);
  return PlugRecord::Decode(pending_);
}

// ---- Mailbox ----

uint64_t SmartHome::ReportCursor() const {
  std::lock_guard lock(mutex_);
  return reportsDropped_ + reports_.size();
}

std::optional<PlugReport> SmartHome::NextReport(uint64_t& cursor, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  const bool arrived = changed_.wait_for(lock, timeout, [&] { return stopping_ || cursor < reportsDropped_ + reports_.size(); });
  if (!arrived || cursor >= reportsDropped_ + reports_.size()) return std::nullopt;
  cursor = std::max(cursor, reportsDropped_);  // reports that left the mailbox are skipped
  return reports_[static_cast<size_t>(cursor++ - reportsDropped_)];
}

}  // namespace nr
