#include "emu/DeviceCore.h"

#include <algorithm>
#include <cstring>

#include "link/Answers.h"
#include "link/Bytes.h"
#include "link/Commands.h"
#include "link/DeviceModel.h"
#include "link/EqLayout.h"
#include "link/FrameCodec.h"
#include "link/ParamTable.h"

namespace nr::emu {
namespace {

// Learned codes of a typical NEC-style remote, one per function, all different.
constexpr std::array<uint8_t, kRemoteFunctions> kRemoteCodes = {
    0x45, 0x46, 0x47, 0x44, 0x40, 0x43, 0x07, 0x15, 0x09, 0x16, 0x19, 0x0D, 0x0C,
    0x18, 0x5E, 0x08, 0x1C, 0x5A, 0x42, 0x52, 0x4A, 0x0E, 0x1A, 0x1E, 0x11};

// Block reads answer at most this many data bytes, so every reply fits one USB report
// (code, offset, length and 56 bytes make 60).
constexpr size_t kMaxReadBlock = kMaxBlockData;
constexpr size_t kMaxCapability = 6;
constexpr size_t kMaxText = 56;
constexpr size_t kBiquadWords = 5;

MachineSettings DefaultSettings() {
  MachineSettings s{};
  s[5] = 99;  // maximum microphone volume
  s[6] = 99;  // maximum music volume
  return s;
}

// Whether (module, index) is where some EQ set sends one of its bands' filter sections.
bool IsFilterSection(int module, int index) {
  for (int set = 0; set < kEqSetCount; ++set) {
    const EqSetLayout layout = EqSetInfo(set);
    const int bands = set == kRecordEqSet ? kRecordEqBands : layout.slotCount;
    if (layout.module == module && index >= layout.firstIndex && index < layout.firstIndex + bands) return true;
  }
  return false;
}

// A frame of the Z-Wave controller as the device passes it on: 12, its byte count, the frame.
Bytes ZWaveReply(const Bytes& frame) {
  Bytes reply(frame.size() + 2);
  reply[0] = cmd::kZWaveFrame;
  reply[1] = static_cast<uint8_t>(frame.size());
  std::copy(frame.begin(), frame.end(), reply.begin() + 2);
  return reply;
}

// Offset of the low byte of the pitch word (pitch + 5) in the image.
size_t PitchByteOffset() {
  const int row = FindParamRow(4, 0x10);
  return static_cast<size_t>(ParamRows()[static_cast<size_t>(row)].WordOffset() + 3);
}

}  // namespace

uint8_t RemoteKeyCode(int function) {
  if (function < 1 || function > kRemoteFunctions) return 0;
  return kRemoteCodes[static_cast<size_t>(function - 1)];
}

DeviceIdentity DeviceIdentity::From(const EmulatorOptions& options) {
  DeviceIdentity id;
  id.module = options.model;
  id.version = static_cast<uint8_t>(options.version);
  id.capability = options.capability;
  return id;
}

DeviceCore::DeviceCore(DeviceIdentity identity, Millis learnDelay, ZWaveOptions zwave)
    : epoch_(Clock::now()),
      learnDelay_(learnDelay),
      identity_(std::move(identity)),
      zwave_(kZWaveMemorySize, 0),
      zwaveModule_(zwave) {
  FillSmartHomeMemory(zwave, zwave_);
  LoadDefaultImage(factory_);
  FactoryReset();
}

void DeviceCore::FactoryReset() {
  image_ = factory_;
  slots_.fill(factory_);
  mode_ = 0;
  settings_ = DefaultSettings();
  learn_.reset();
}

DeviceCore::SessionId DeviceCore::OpenSession() {
  std::lock_guard lock(mutex_);
  return nextSession_++;
}

void DeviceCore::CloseSession(SessionId session) {
  std::lock_guard lock(mutex_);
  if (learn_ && learn_->session == session) learn_.reset();
}

void DeviceCore::RecordLocked(uint8_t channel, std::span<const uint8_t> payload, Clock::time_point now) {
  if (log_.size() >= kLogCapacity) log_.pop_front();
  log_.push_back({now, channel, Bytes(payload.begin(), payload.end())});
}

void DeviceCore::Record(uint8_t channel, std::span<const uint8_t> payload, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  RecordLocked(channel, payload, now);
}

CoreResult DeviceCore::Handle(std::span<const uint8_t> payload, SessionId session, Clock::time_point now) {
  CoreResult out;
  std::lock_guard lock(mutex_);
  RecordLocked(kNetPrefixDevice, payload, now);
  if (!payload.empty()) Dispatch(payload, session, now, out);
  return out;
}

void DeviceCore::Dispatch(std::span<const uint8_t> p, SessionId session, Clock::time_point now,
                          CoreResult& out) {
  const uint8_t code = p[0];
  const auto ack = [&] { out.replies.push_back(Bytes{code}); };
  // Mode commands carry the slot number; anything else is not a mode the device has.
  const auto modeArg = [&]() -> int { return p.size() >= 2 && p[1] < kModeSlots ? p[1] : -1; };

  switch (code) {
    // Selecting and storing a slot, stopping a learn, a reset and the goodbye are never answered.
    case cmd::kSelectMode:
      if (const int n = modeArg(); n >= 0) mode_ = n;  // selects only: a written image must survive until 0x04
      break;
    case cmd::kStoreMode:
      if (const int n = modeArg(); n >= 0) {
        slots_[static_cast<size_t>(n)] = image_;
        mode_ = n;
      }
      break;
    case cmd::kLoadMode:
      if (const int n = modeArg(); n >= 0) {
        image_ = slots_[static_cast<size_t>(n)];
        mode_ = n;
        ack();
      }
      break;
    case cmd::kFactoryMode:
      if (const int n = modeArg(); n >= 0) {
        slots_[static_cast<size_t>(n)] = factory_;
        image_ = factory_;
        mode_ = n;
        ack();
      }
      break;
    case cmd::kQueryMode:
      out.replies.push_back(Bytes{code, static_cast<uint8_t>(mode_)});
      break;
    case cmd::kWriteDsp:
      if (WriteDspWords(p)) ack();
      break;
    case cmd::kQueryStatus: {
      const StatusBytes s = StatusLocked(now);
      Bytes reply{code};
      reply.insert(reply.end(), s.begin(), s.end());
      out.replies.push_back(std::move(reply));
      break;
    }
    case cmd::kZWaveFrame:
      // 12 n frame: the frame goes to the Z-Wave controller; its answers come back as 12 n frame.
      if (p.size() >= 2) FeedZWave(p.subspan(2, std::min<size_t>(p[1], p.size() - 2)), session, now, out);
      break;
    case cmd::kZWaveMemWrite:
      if (WriteBlock(p, zwave_)) ack();
      break;
    case cmd::kZWaveMemRead:
      if (p.size() >= 4) out.replies.push_back(ReadBlock(code, p, zwave_));
      break;
    case cmd::kReadImage:
      if (p.size() >= 4) out.replies.push_back(ReadBlock(code, p, image_));
      break;
    case cmd::kWriteImage:
    case cmd::kStoreImageBytes:
      if (WriteBlock(p, image_)) ack();
      break;
    case cmd::kEndImageWrite:
      ack();
      break;
    case cmd::kLearnRemote:
      if (p.size() >= 2 && p[1] >= 1 && p[1] <= kRemoteFunctions)
        learn_ = PendingLearn{session, p[1], now + learnDelay_};
      break;
    case cmd::kStopLearning:
      learn_.reset();
      break;
    case cmd::kQueryRemote: {
      Bytes reply{code};
      reply.insert(reply.end(), remote_.begin(), remote_.begin() + kRemoteAnswerCodes);
      out.replies.push_back(std::move(reply));
      break;
    }
    case cmd::kWriteRemote:
      if (p.size() >= 1 + remote_.size()) {
        std::copy_n(p.begin() + 1, remote_.size(), remote_.begin());
        ack();
      }
      break;
    case cmd::kResetMachine:
      if (p.size() >= 2 && p[1] == 0xAA) FactoryReset();
      break;
    case cmd::kQueryDspVersion:
      out.replies.push_back(TextReply(code, identity_.dspVersion));
      break;
    case cmd::kQueryVersion: {
      Bytes reply{code, identity_.version, 0};
      const size_t n = std::min(identity_.capability.size(), kMaxCapability);
      reply.insert(reply.end(), identity_.capability.begin(), identity_.capability.begin() + static_cast<long>(n));
      out.replies.push_back(std::move(reply));
      break;
    }
    case cmd::kQueryModule:
      out.replies.push_back(TextReply(code, identity_.module));
      break;
    case cmd::kQueryMcuVersion:
      out.replies.push_back(TextReply(code, identity_.mcuVersion));
      break;
    case cmd::kCloseSession:
      if (learn_ && learn_->session == session) learn_.reset();
      out.endSession = true;
      break;
    case cmd::kWriteMachineSettings:
      if (p.size() >= 1 + settings_.size()) {
        std::copy_n(p.begin() + 1, settings_.size(), settings_.begin());
        ack();
      }
      break;
    case cmd::kQueryMachineSettings: {
      Bytes reply{code};
      reply.insert(reply.end(), settings_.begin(), settings_.end());
      out.replies.push_back(std::move(reply));
      break;
    }
    default:
      break;  // not a command this device knows: no answer
  }
}

// 09 00 module index count words: stored into the record of (module, index), never past its
// own words; a pair without a record is accepted and forgotten, as the DSP has no mirror of it.
// So are the five coefficients of an EQ band's filter section, even where its address is that of
// a parameter too (the record EQ's bands share module 13, indices 0..4, with the record sends and
// compressor): a section is not that parameter's value. A payload shorter than its word count
// says is refused as a whole.
bool DeviceCore::WriteDspWords(std::span<const uint8_t> p) {
  if (p.size() < 5) return false;
  const size_t count = p[4];
  if (p.size() < 5 + 4 * count) return false;
  if (count == kBiquadWords && IsFilterSection(p[2], p[3])) return true;
  const int row = FindParamRow(p[2], p[3]);
  if (row < 0) return true;
  const ParamRow& r = ParamRows()[static_cast<size_t>(row)];
  const size_t words = std::min<size_t>(count, r.words);
  std::memcpy(&image_[static_cast<size_t>(r.WordOffset())], &p[5], 4 * words);
  return true;
}

// code offset(2) length data: stored at offset, cut at the end of the memory. A payload that
// holds fewer data bytes than its length byte promises is refused rather than half stored.
bool DeviceCore::WriteBlock(std::span<const uint8_t> p, std::span<uint8_t> memory) {
  if (p.size() < 4) return false;
  const size_t offset = GetBE16(&p[1]);
  const size_t length = p[3];
  if (p.size() < 4 + length) return false;
  if (offset < memory.size()) {
    const size_t n = std::min(length, memory.size() - offset);
    std::memcpy(&memory[offset], &p[4], n);
  }
  return true;
}

Bytes DeviceCore::ReadBlock(uint8_t code, std::span<const uint8_t> p, std::span<const uint8_t> memory) const {
  const size_t offset = GetBE16(&p[1]);
  size_t n = std::min<size_t>(p[3], kMaxReadBlock);
  n = offset < memory.size() ? std::min(n, memory.size() - offset) : 0;
  // Sized up front and filled by copy: GCC's bounds warnings misfire on inserts into a short vector.
  Bytes reply(4 + n);
  reply[0] = code;
  reply[1] = p[1];
  reply[2] = p[2];
  reply[3] = static_cast<uint8_t>(n);
  if (n > 0) std::copy_n(memory.begin() + static_cast<long>(offset), n, reply.begin() + 4);
  return reply;
}

Bytes DeviceCore::TextReply(uint8_t code, const std::string& text) const {
  const size_t n = std::min(text.size(), kMaxText);
  Bytes reply(n + 2, 0);  // code, text, NUL
  reply[0] = code;
  std::copy_n(text.begin(), n, reply.begin() + 1);
  return reply;
}

CoreResult DeviceCore::HandleZWave(std::span<const uint8_t> frame, SessionId session, Clock::time_point now) {
  CoreResult out;
  std::lock_guard lock(mutex_);
  RecordLocked(kNetPrefixZWave, frame, now);
  FeedZWave(frame, session, now, out);
  return out;
}

void DeviceCore::FeedZWave(std::span<const uint8_t> frame, SessionId session, Clock::time_point now, CoreResult& out) {
  if (session != zwaveSession_) zwaveModule_.PeerChanged();
  zwaveSession_ = session;
  for (const Bytes& answer : zwaveModule_.Receive(frame, now)) out.replies.push_back(ZWaveReply(answer));
}

std::vector<Bytes> DeviceCore::TakeDue(SessionId session, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  std::vector<Bytes> due;
  if (session == zwaveSession_)
    for (const Bytes& frame : zwaveModule_.TakeDue(now)) due.push_back(ZWaveReply(frame));
  if (learn_ && learn_->session == session && learn_->due <= now) {
    const int n = learn_->function;
    const uint8_t code = RemoteKeyCode(n);
    remote_[0] = kRemoteId;
    remote_[static_cast<size_t>(n)] = code;
    due.push_back(Bytes{cmd::kLearnRemote, kRemoteId, static_cast<uint8_t>(n), code});
    learn_.reset();
  }
  return due;
}

std::optional<Clock::time_point> DeviceCore::NextDue(SessionId session) const {
  std::lock_guard lock(mutex_);
  std::optional<Clock::time_point> due;
  if (learn_ && learn_->session == session) due = learn_->due;
  if (const auto zwave = zwaveModule_.NextDue(); zwave && session == zwaveSession_) due = due ? std::min(*due, *zwave) : *zwave;
  return due;
}

ParamImage DeviceCore::Image() const {
  std::lock_guard lock(mutex_);
  return image_;
}

ParamImage DeviceCore::Slot(int mode) const {
  std::lock_guard lock(mutex_);
  return slots_.at(static_cast<size_t>(mode));
}

int DeviceCore::CurrentMode() const {
  std::lock_guard lock(mutex_);
  return mode_;
}

MachineSettings DeviceCore::Settings() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

RemoteCodes DeviceCore::Remote() const {
  std::lock_guard lock(mutex_);
  return remote_;
}

std::vector<uint8_t> DeviceCore::ZWaveMemory() const {
  std::lock_guard lock(mutex_);
  return zwave_;
}

bool DeviceCore::ZWaveIdle() const {
  std::lock_guard lock(mutex_);
  return zwaveModule_.Idle();
}

std::vector<int> DeviceCore::ZWaveNodes() const {
  std::lock_guard lock(mutex_);
  return zwaveModule_.Nodes();
}

int DeviceCore::PlugValue(int node) const {
  std::lock_guard lock(mutex_);
  return zwaveModule_.Value(node);
}

bool DeviceCore::PlugKeyLearned(int node, int slot) const {
  std::lock_guard lock(mutex_);
  return zwaveModule_.Learned(node, slot);
}

bool DeviceCore::Learning() const {
  std::lock_guard lock(mutex_);
  return learn_.has_value();
}

StatusBytes DeviceCore::StatusLocked(Clock::time_point now) const {
  const double seconds = std::chrono::duration<double>(now - epoch_).count();
  return BuildStatus({seconds, image_[PitchByteOffset()], inputFormat_});
}

StatusBytes DeviceCore::Status(Clock::time_point now) const {
  std::lock_guard lock(mutex_);
  return StatusLocked(now);
}

DeviceIdentity DeviceCore::Identity() const {
  std::lock_guard lock(mutex_);
  return identity_;
}

std::vector<ReceivedPayload> DeviceCore::Log() const {
  std::lock_guard lock(mutex_);
  return {log_.begin(), log_.end()};
}

void DeviceCore::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

std::vector<uint8_t> DeviceCore::LoggedCodes() const {
  std::lock_guard lock(mutex_);
  std::vector<uint8_t> codes;
  for (const auto& e : log_)
    if (e.channel == kNetPrefixDevice && !e.bytes.empty()) codes.push_back(e.bytes[0]);
  return codes;
}

void DeviceCore::SetCapability(std::span<const uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  identity_.capability.assign(bytes.begin(), bytes.end());
}

void DeviceCore::SetInputFormat(uint8_t format) {
  std::lock_guard lock(mutex_);
  inputFormat_ = format;
}

}  // namespace nr::emu
