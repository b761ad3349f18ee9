#include "link/Dispatcher.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/Answers.h"
#include "link/Bytes.h"
#include "link/Commands.h"
#include "link/ReplyWaiter.h"

namespace nr {

static_assert(kMachineSettingsAnswerSize == kRecordAnswerHeader + std::tuple_size_v<MachineSettings>);
static_assert(kRemoteAnswerCodes <= std::tuple_size_v<RemoteCodes>);
namespace {

constexpr size_t kReplyHeader = 5;  // prefix, code, offset high, offset low, length

// Data bytes of an offset/length reply that were really received.
std::span<const uint8_t> BlockData(std::span<const uint8_t> p) {
  const size_t declared = p[4];
  return p.subspan(kReplyHeader, std::min(declared, p.size() - kReplyHeader));
}

}  // namespace

void CopyReplyString(std::span<const uint8_t> packet, char* field, size_t fieldSize) {
  std::memset(field, 0, fieldSize);
  const size_t available = packet.size() > 2 ? packet.size() - 2 : 0;
  const size_t limit = std::min<size_t>(58, available);
  for (size_t i = 0; i < limit; ++i) {
    const uint8_t c = packet[2 + i];
    if (c == 0) break;
    if (i + 1 < fieldSize) field[i] = static_cast<char>(c);
  }
}

void Dispatcher::DispatchPacket(std::span<const uint8_t> p) {
  const uint8_t code = p.size() >= 2 ? p[1] : 0;
  switch (code) {
    case cmd::kLoadMode:
    case cmd::kFactoryMode:
      // The device switched its parameters: release the sender first, then read everything.
      answer_.Set();
      events_.BulkReadRequested();
      return;
    case cmd::kQueryMode:
      if (p.size() >= 3 && p[2] <= 3) model_.Update([&](DeviceState& s) { s.currentMode = p[2]; });
      break;
    case cmd::kWriteDsp:
      model_.Update([](DeviceState& s) { s.deviceModified = true; });
      break;
    case cmd::kErrorReport:
      HandleErrorReport(p);
      break;
    case cmd::kQueryStatus:
      if (p.size() >= 2 + DeviceStatus::kSize) {
        model_.Update([&](DeviceState& s) {
          std::memcpy(s.status.bytes.data(), &p[2], DeviceStatus::kSize);
          s.lastStatus = s.status;
          s.derived.pitch = s.status.PitchNibble() - 5;
        });
      }
      break;
    case cmd::kZWaveFrame:
      events_.ZWaveFrame(p.subspan(2));
      break;
    case cmd::kZWaveMemRead:
      events_.ZWaveMemory(p.subspan(2));
      break;
    case cmd::kReadImage:
      // During a transfer the chunk belongs to the transfer, which applies the image whole.
      if (OfferToWaiters(p)) {
        answer_.Set();
        return;
      }
      ApplyImageChunk(p);
      break;
    case cmd::kLearnRemote:
      HandleRemoteLearned(p);
      break;
    case cmd::kQueryRemote:
      if (p.size() >= kRemoteAnswerSize)
        model_.Update([&](DeviceState& s) { std::memcpy(s.remote.data(), &p[kRecordAnswerHeader], kRemoteAnswerCodes); });
      break;
    case cmd::kQueryDspVersion:
      model_.Update([&](DeviceState& s) { CopyReplyString(p, s.info.dspVersion.data(), s.info.dspVersion.size()); });
      break;
    case cmd::kQueryModule:
      model_.Update([&](DeviceState& s) { CopyReplyString(p, s.info.module.data(), s.info.module.size()); });
      break;
    case cmd::kQueryMcuVersion:
      model_.Update([&](DeviceState& s) { CopyReplyString(p, s.info.mcuVersion.data(), s.info.mcuVersion.size()); });
      break;
    case cmd::kQueryVersion:
      if (p.size() >= 3) {
        model_.Update([&](DeviceState& s) {
          s.info.version = p[2];
          s.capability.bytes.fill(0);
          if (p.size() >= 9) {
            const size_t n = std::min<size_t>(s.capability.bytes.size(), p.size() - 4);
            std::memcpy(s.capability.bytes.data(), &p[4], n);
          }
        });
      }
      break;
    case cmd::kEqTableUpdate:
      HandleEqTableUpdate(p);
      break;
    case cmd::kQueryMachineSettings:
      if (p.size() >= kMachineSettingsAnswerSize) {
        model_.Update([&](DeviceState& s) {
          std::memcpy(s.machine.data(), &p[kRecordAnswerHeader], s.machine.size());
          s.machineEdit = s.machine;
        });
      }
      break;
    default:
      break;  // 0x31, 0x32 and unknown codes only release the sender
  }
  OfferToWaiters(p);
  if (MayAnswerARequest(code)) answer_.Set();
}

void Dispatcher::ApplyImageChunk(std::span<const uint8_t> p) {
  if (p.size() < kReplyHeader) return;
  const int offset = GetBE16(&p[2]);
  if (offset >= kImageSize) return;
  const auto data = BlockData(p);
  const size_t n = std::min<size_t>(data.size(), static_cast<size_t>(kImageSize - offset));
  model_.Update([&](DeviceState& s) { std::memcpy(&s.image[static_cast<size_t>(offset)], data.data(), n); });
}

void Dispatcher::Attach(ReplyWaiter& waiter) {
  std::lock_guard lock(waitersMutex_);
  waiters_.push_back(&waiter);
}

void Dispatcher::Detach(ReplyWaiter& waiter) {
  std::lock_guard lock(waitersMutex_);
  std::erase(waiters_, &waiter);
}

bool Dispatcher::OfferToWaiters(std::span<const uint8_t> p) {
  std::lock_guard lock(waitersMutex_);
  for (ReplyWaiter* w : waiters_) w->Offer(p);
  return !waiters_.empty();
}

void Dispatcher::LinkClosed() {
  std::lock_guard lock(waitersMutex_);
  for (ReplyWaiter* w : waiters_) w->LinkClosed();
}

void Dispatcher::HandleErrorReport(std::span<const uint8_t> p) {
  if (p.size() < 5 || p[2] == 0) return;
  if (errorShown_.exchange(true)) return;  // once per session
  char text[96];
  std::snprintf(text, sizeof text, "参数错误,代码0x:%02X,指令1:0x%02X,指令2:0x%02X ", p[2], p[3], p[4]);
  events_.ErrorReport(text);
}

void Dispatcher::HandleRemoteLearned(std::span<const uint8_t> p) {
  if (p.size() < 5) return;
  // A report for any other function (a late one from an earlier learn, or one nobody asked for)
  // would overwrite a key the user did not press now, and be shown as the key being learned.
  const bool taken = model_.Update([&](DeviceState& s) {
    if (s.remoteLearning == 0 || p[3] != s.remoteLearning || p[3] >= s.remote.size()) return false;
    s.remoteLearning = 0;
    s.remote[0] = p[2];
    s.remote[p[3]] = p[4];
    return true;
  });
  if (taken) events_.RemoteKeyLearned(p[4]);
}

void Dispatcher::HandleEqTableUpdate(std::span<const uint8_t> p) {
  if (p.size() < kReplyHeader) return;
  const int offset = GetBE16(&p[2]);
  const auto data = BlockData(p);
  int changedOffset = offset;
  size_t changed = 0;
  model_.Update([&](DeviceState& s) {
    auto copyInto = [&](int limit) {
      changed = std::min<size_t>(data.size(), static_cast<size_t>(limit - offset));
      std::memcpy(&s.eqTable[static_cast<size_t>(offset)], data.data(), changed);
    };
    if (offset < kEqAreaSize) {
      if (data.size() >= 2 && data[0] == 0xFF && data[1] == 0xFF) {
        std::memset(s.eqTable.data(), 0, kEqAreaSize);  // the device cleared every band
        changedOffset = 0;
        changed = kEqAreaSize;
      } else {
        copyInto(kEqAreaSize);
      }
    } else if (offset == kSoundFieldLevelsOffset) {
      copyInto(kSoundFieldLevelsOffset + kSoundFieldLevelsSize);
    } else if (offset == kRoomRecordOffset) {
      copyInto(kRoomRecordOffset + kRoomRecordSize);
      s.derived.room = DecodeRoomRecord(&s.eqTable[kRoomRecordOffset]);
    } else if (offset == kLevelFeatureOffset) {
      copyInto(kLevelFeatureOffset + 4);
    }
  });
  if (changed > 0) events_.EqTableChanged(changedOffset, static_cast<int>(changed));
}

}  // namespace nr
