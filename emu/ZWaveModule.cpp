#include "emu/ZWaveModule.h"

#include <algorithm>
#include <charconv>

#include "smarthome/SmartHomeMemory.h"
#include "smarthome/ZWaveFrames.h"

namespace nr::emu {
namespace {

constexpr uint8_t kBasicClass = 0x20;
constexpr uint8_t kBasicSet = 0x01;
constexpr uint8_t kBasicReport = 0x03;
constexpr uint8_t kOn = 0xFF;
constexpr int kBitmaskBytes = 29;

// Infrared plug statuses.
constexpr uint8_t kReadyToLearn = 2;
constexpr uint8_t kKeyLearned = 3;
constexpr uint8_t kKeySent = 6;
constexpr uint8_t kKeyNotSent = 7;

constexpr Millis kCallbackAfter{30};
constexpr Millis kReportAfter{60};
constexpr Millis kNoAckAfter{150};
constexpr Millis kFlowReadyAfter{20};
constexpr Millis kFlowNodeAfter{100};  // after the press
constexpr Millis kFlowDoneAfter{200};  // after the press
constexpr size_t kMaxUnanswered = 8;   // frames kept for sending again
constexpr int kMaxSends = 4;           // a frame and up to three repetitions
// A frame the PC has not answered in this time is given up (the Serial API's ACK time-out), so an
// answer the PC never sent does not make a later NAK send the wrong frame again.
constexpr Millis kAnswerWindow{1600};
// Basic device class 04 (routing slave), generic 10 (binary switch), specific 01.
constexpr uint8_t kNodeInfo[] = {3, 0x04, 0x10, 0x01};
constexpr Millis kDefaultAfter{50};
constexpr Millis kLearnReadyAfter{100};

Bytes Request(uint8_t function, std::initializer_list<uint8_t> parameters) {
  return BuildSerialFrame(zwave::kRequest, function, Bytes(parameters));
}

// A flow's status 3: the node, then its node information (none for no node).
Bytes NodeStatus(uint8_t function, uint8_t callback, int node) {
  Bytes p{callback, zwave::kAddingSlave, static_cast<uint8_t>(node)};
  if (node == 0)
    p.push_back(0);
  else
    p.insert(p.end(), std::begin(kNodeInfo), std::end(kNodeInfo));
  return BuildSerialFrame(zwave::kRequest, function, p);
}

Bytes Report(int node, uint8_t value) {
  return Request(zwave::kApplicationCommand,
                 {0x00, static_cast<uint8_t>(node), 3, kBasicClass, kBasicReport, value});
}

const char* KindName(PlugKind kind) {
  switch (kind) {
    case PlugKind::kDimmer: return "dimmer";
    case PlugKind::kInfrared: return "ir";
    default: return "switch";
  }
}

}  // namespace

std::vector<EmulatedPlug> DefaultPlugs() {
  return {{2, PlugKind::kSwitch, "Floor lamp"}, {3, PlugKind::kDimmer, "Ceiling"}, {4, PlugKind::kInfrared, "TV set"}};
}

std::optional<std::vector<EmulatedPlug>> ParsePlugSpec(std::string_view spec, std::string& error) {
  std::vector<EmulatedPlug> plugs;
  if (spec == "none") return plugs;
  size_t start = 0;
  while (start <= spec.size()) {
    const size_t comma = std::min(spec.find(',', start), spec.size());
    const std::string_view item = spec.substr(start, comma - start);
    start = comma + 1;
    const size_t colon = item.find(':');
    const size_t second = colon == std::string_view::npos ? colon : item.find(':', colon + 1);
    const std::string_view nodeText = item.substr(0, colon);
    const std::string_view kindText =
        colon == std::string_view::npos ? std::string_view() : item.substr(colon + 1, second - colon - 1);
    EmulatedPlug plug;
    const auto [ptr, ec] = std::from_chars(nodeText.data(), nodeText.data() + nodeText.size(), plug.node);
    if (ec != std::errc() || ptr != nodeText.data() + nodeText.size() || plug.node < kFirstPlugNode ||
        plug.node > kMaxNode) {
      error = "plug '" + std::string(item) + "': the node must be 2..232";
      return std::nullopt;
    }
    if (kindText == "switch") {
      plug.kind = PlugKind::kSwitch;
    } else if (kindText == "dimmer") {
      plug.kind = PlugKind::kDimmer;
    } else if (kindText == "ir") {
      plug.kind = PlugKind::kInfrared;
    } else {
      error = "plug '" + std::string(item) + "': the kind must be switch, dimmer or ir";
      return std::nullopt;
    }
    plug.name = second == std::string_view::npos ? KindName(plug.kind) + std::to_string(plug.node)
                                                  : std::string(item.substr(second + 1));
    if (std::any_of(plugs.begin(), plugs.end(), [&](const EmulatedPlug& p) { return p.node == plug.node; })) {
      error = "plug " + std::to_string(plug.node) + " is given twice";
      return std::nullopt;
    }
    plugs.push_back(std::move(plug));
  }
  return plugs;
}

void FillSmartHomeMemory(const ZWaveOptions& options, std::span<uint8_t> memory) {
  std::fill(memory.begin(), memory.end(), uint8_t{0});
  if (memory.size() < static_cast<size_t>(kSmartMemorySize)) return;
  for (const EmulatedPlug& plug : options.plugs) {
    const int type = plug.kind == PlugKind::kDimmer ? kPlugDimmer : kPlugSwitch;
    const PlugRecordBytes record = PlugRecord{type, Utf8ToUtf16(plug.name)}.Encode();
    std::copy(record.begin(), record.end(), memory.begin() + PlugRecordOffset(plug.node));
  }
  if (!options.demoScenes || options.plugs != DefaultPlugs()) return;
  Scene on{}, off{};
  on[0] = {2, kPlugFullOn};
  on[1] = {kDelayStep, 1};
  on[2] = {3, 60};
  on[3] = {4, kSendKeyBase + 0};
  off[0] = {4, kSendKeyBase + 0};
  off[1] = {3, kPlugOff};
  off[2] = {2, kPlugOff};
  for (const auto& [index, scene] : {std::pair{kPowerOnScene, on}, std::pair{kPowerOffScene, off}}) {
    const SceneBytes bytes = EncodeScene(scene);
    std::copy(bytes.begin(), bytes.end(), memory.begin() + SceneOffset(index));
  }
}

ZWaveModule::ZWaveModule(ZWaveOptions options) : options_(std::move(options)) {
  for (const EmulatedPlug& plug : options_.plugs) plugs_[plug.node] = Plug{plug.kind, 0, {}};
  // The demo's TV plug knows its first key, so the power scenes work from the start.
  if (options_.demoScenes && options_.plugs == DefaultPlugs()) plugs_[4].learned.set(0);
}

std::vector<Bytes> ZWaveModule::Receive(std::span<const uint8_t> frame, Clock::time_point now) {
  if (!options_.enabled || frame.empty()) return {};
  if (frame.size() == 1) return Answered(frame[0], now);  // the PC's answer to a frame the module sent
  const std::optional<SerialFrame> parsed = ParseSerialFrame(frame);
  if (!parsed) return frame[0] == zwave::kSof ? std::vector<Bytes>{Bytes{zwave::kNak}} : std::vector<Bytes>{};
  std::vector<Bytes> immediate{Bytes{zwave::kAck}};
  const std::span<const uint8_t> p = parsed->parameters;
  switch (parsed->function) {
    case zwave::kGetInitData:
      immediate.push_back(Emit(NodeList(), now));
      break;
    case zwave::kSetDefault:
      plugs_.clear();
      events_.clear();
      adding_ = removing_ = false;
      if (!p.empty()) Schedule(now + kDefaultAfter, Request(zwave::kSetDefault, {p[0]}));
      break;
    case zwave::kSendData: {
      // Refused while adding or removing: the mode holds the radio until the PC stops it.
      const bool accepted = Idle();
      const Bytes response = BuildSerialFrame(zwave::kResponse, zwave::kSendData, Bytes{accepted ? uint8_t{1} : uint8_t{0}});
      immediate.push_back(Emit(response, now));
      if (accepted) SendData(p, now);
      break;
    }
    case zwave::kSendDataAbort:
      CancelFlow(Flow::kSending);
      break;
    case zwave::kAddNode:
      if (p.size() >= 2 && p[0] == zwave::kModeAnyNode) StartAdding(p[1], now);
      if (!p.empty() && p[0] == zwave::kModeStop) StopFlow(Flow::kAdding);
      break;
    case zwave::kRemoveNode:
      if (p.size() >= 2 && p[0] == zwave::kModeAnyNode) StartRemoving(p[1], now);
      if (!p.empty() && p[0] == zwave::kModeStop) StopFlow(Flow::kRemoving);
      break;
    default:
      break;
  }
  return immediate;
}

// ACK: the oldest frame the PC has not answered arrived. NAK or CAN: it did not, and goes again.
std::vector<Bytes> ZWaveModule::Answered(uint8_t answer, Clock::time_point now) {
  while (!unanswered_.empty() && now - unanswered_.front().sent > kAnswerWindow) unanswered_.pop_front();
  if (unanswered_.empty()) return {};
  Unanswered oldest = std::move(unanswered_.front());
  unanswered_.pop_front();
  if (answer != zwave::kNak && answer != zwave::kCan) return {};
  if (oldest.sends >= kMaxSends) return {};
  ++oldest.sends;
  oldest.sent = now;
  Bytes again = oldest.frame;
  unanswered_.push_back(std::move(oldest));
  return {std::move(again)};
}

void ZWaveModule::PeerChanged() { unanswered_.clear(); }

Bytes ZWaveModule::Emit(Bytes frame, Clock::time_point now) {
  unanswered_.push_back(Unanswered{frame, now});
  if (unanswered_.size() > kMaxUnanswered) unanswered_.pop_front();
  ++emitted_;
  if (options_.corruptEvery > 0 && emitted_ % options_.corruptEvery == 0) frame.back() ^= 0xFF;
  return frame;
}

Bytes ZWaveModule::NodeList() const {
  Bytes p{0x05, 0x08, kBitmaskBytes};
  p.resize(3 + kBitmaskBytes, 0);
  const auto mark = [&](int node) { p[3 + static_cast<size_t>((node - 1) / 8)] |= static_cast<uint8_t>(1 << ((node - 1) % 8)); };
  mark(1);
  for (const auto& [node, plug] : plugs_) mark(node);
  p.push_back(0x05);  // chip type and version
  p.push_back(0x00);
  return BuildSerialFrame(zwave::kResponse, zwave::kGetInitData, p);
}

// node, length, command (20 01 value), transmit options, callback id.
void ZWaveModule::SendData(std::span<const uint8_t> p, Clock::time_point now) {
  if (p.size() < 2 || p.size() < 2u + p[1] + 2u) return;  // too short to name a callback
  const int node = p[0];
  const std::span<const uint8_t> command = p.subspan(2, p[1]);
  const uint8_t callback = p[2u + p[1] + 1u];
  const auto it = plugs_.find(node);
  if (it == plugs_.end() || node == options_.noAckNode) {
    Schedule(now + kNoAckAfter, Request(zwave::kSendData, {callback, 0x01}), Flow::kSending);
    return;
  }
  Schedule(now + kCallbackAfter, Request(zwave::kSendData, {callback, 0x00}), Flow::kSending);
  if (command.size() >= 3 && command[0] == kBasicClass && command[1] == kBasicSet) SetPlug(node, it->second, command[2], now);
}

void ZWaveModule::SetPlug(int node, Plug& plug, int value, Clock::time_point now) {
  const bool key = value >= kSendKeyBase && value < kSwitchOn;
  if (key) {
    if (plug.kind != PlugKind::kInfrared) return;  // a plug without infrared says nothing
    const int slot = value & 0x3F;
    if (value >= kLearnKeyBase) {
      // Aborting the send before the remote is pointed at the plug leaves the key unlearned.
      Schedule(now + kLearnReadyAfter, Report(node, kReadyToLearn), Flow::kSending);
      const auto at = Schedule(now + kLearnReadyAfter + options_.keyAfter, Report(node, kKeyLearned), Flow::kSending);
      at->learnNode = node;
      at->learnSlot = slot;
    } else {
      Schedule(now + kReportAfter, Report(node, plug.learned.test(static_cast<size_t>(slot)) ? kKeySent : kKeyNotSent),
               Flow::kSending);
    }
    return;
  }
  if (plug.kind == PlugKind::kDimmer)
    plug.value = value == kSwitchOn ? kPlugFullOn : std::min(value, kPlugFullOn);
  else
    plug.value = value == 0 ? 0 : kOn;
  Schedule(now + kReportAfter, Report(node, static_cast<uint8_t>(plug.value)), Flow::kSending);
}

// Ready, then at the press: node found, the node with its information (status 3), protocol done.
void ZWaveModule::StartAdding(uint8_t callback, Clock::time_point now) {
  CancelFlow(Flow::kAdding);
  adding_ = true;
  const Clock::time_point press = now + options_.pressAfter;
  Schedule(now + kFlowReadyAfter, Request(zwave::kAddNode, {callback, zwave::kLearnReady, 0, 0}), Flow::kAdding);
  const int node = FreeNode();
  if (node == 0) {
    Schedule(press, Request(zwave::kAddNode, {callback, zwave::kAddRemoveFailed, 0, 0}), Flow::kAdding);
    return;
  }
  addingNode_ = node;
  const uint8_t named = options_.doneWithoutNode ? 0 : static_cast<uint8_t>(node);
  Schedule(press, Request(zwave::kAddNode, {callback, zwave::kNodeFound, 0, 0}), Flow::kAdding);
  Schedule(press + kFlowNodeAfter, NodeStatus(zwave::kAddNode, callback, node), Flow::kAdding);
  Schedule(press + kFlowDoneAfter, Request(zwave::kAddNode, {callback, zwave::kProtocolDone, named, 0}), Flow::kAdding);
}

void ZWaveModule::StartRemoving(uint8_t callback, Clock::time_point now) {
  CancelFlow(Flow::kRemoving);
  removing_ = true;
  const Clock::time_point press = now + options_.pressAfter;
  Schedule(now + kFlowReadyAfter, Request(zwave::kRemoveNode, {callback, zwave::kLearnReady, 0, 0}), Flow::kRemoving);
  removingNode_ = plugs_.count(options_.removeNode) ? options_.removeNode : 0;
  const uint8_t named = options_.doneWithoutNode ? 0 : static_cast<uint8_t>(removingNode_);
  Schedule(press, Request(zwave::kRemoveNode, {callback, zwave::kNodeFound, 0, 0}), Flow::kRemoving);
  Schedule(press + kFlowNodeAfter, NodeStatus(zwave::kRemoveNode, callback, removingNode_), Flow::kRemoving);
  Schedule(press + kFlowDoneAfter, Request(zwave::kRemoveNode, {callback, zwave::kRemoveDone, named, 0}), Flow::kRemoving);
}

int ZWaveModule::FreeNode() const {
  for (int node = kFirstPlugNode; node <= kMaxNode; ++node)
    if (!plugs_.count(node)) return node;
  return 0;
}

std::deque<ZWaveModule::Event>::iterator ZWaveModule::Schedule(Clock::time_point due, Bytes frame, Flow flow) {
  const auto at = std::upper_bound(events_.begin(), events_.end(), due,
                                   [](Clock::time_point t, const Event& e) { return t < e.due; });
  return events_.insert(at, Event{due, std::move(frame), flow});
}

void ZWaveModule::CancelFlow(Flow flow) {
  std::erase_if(events_, [flow](const Event& e) { return e.flow == flow; });
}

// The PC's stop (x 05, with or without a callback id) ends the mode, finished or not.
void ZWaveModule::StopFlow(Flow flow) {
  CancelFlow(flow);
  (flow == Flow::kAdding ? adding_ : removing_) = false;
}

bool ZWaveModule::Idle() const { return !adding_ && !removing_; }

std::vector<Bytes> ZWaveModule::TakeDue(Clock::time_point now) {
  std::vector<Bytes> due;
  while (!events_.empty() && events_.front().due <= now) {
    Event e = std::move(events_.front());
    events_.pop_front();
    // The network changes when the controller says so, not when the flow started.
    if (const auto frame = ParseSerialFrame(e.frame); frame && frame->parameters.size() >= 3) {
      const uint8_t status = frame->parameters[1];
      if (frame->function == zwave::kAddNode && status == zwave::kProtocolDone)
        plugs_[addingNode_] = Plug{PlugKind::kInfrared, 0, {}};
      if (frame->function == zwave::kRemoveNode && status == zwave::kRemoveDone) plugs_.erase(removingNode_);
      // A failed adding leaves the mode by itself.
      if (frame->function == zwave::kAddNode && status == zwave::kAddRemoveFailed) adding_ = false;
    }
    if (const auto plug = plugs_.find(e.learnNode); plug != plugs_.end())
      plug->second.learned.set(static_cast<size_t>(e.learnSlot));
    due.push_back(Emit(std::move(e.frame), now));
  }
  return due;
}

std::optional<Clock::time_point> ZWaveModule::NextDue() const {
  if (events_.empty()) return std::nullopt;
  return events_.front().due;
}

std::vector<int> ZWaveModule::Nodes() const {
  std::vector<int> nodes;
  for (const auto& [node, plug] : plugs_) nodes.push_back(node);
  return nodes;
}

int ZWaveModule::Value(int node) const {
  const auto it = plugs_.find(node);
  return it == plugs_.end() ? 0 : it->second.value;
}

bool ZWaveModule::Learned(int node, int slot) const {
  const auto it = plugs_.find(node);
  return it != plugs_.end() && slot >= 0 && slot < 64 && it->second.learned.test(static_cast<size_t>(slot));
}

}  // namespace nr::emu
