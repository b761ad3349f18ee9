#pragma once
// Applies each packet the device sends to the model and tells the application what it must hear.
// Runs on the receive thread of whichever link is open.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "link/AutoResetEvent.h"
#include "link/DeviceModel.h"
#include "link/LinkEvents.h"

namespace nr {

class ReplyWaiter;

class Dispatcher {
 public:
  Dispatcher(DeviceModel& model, LinkEvents& events, AutoResetEvent& answer)
      : model_(model), events_(events), answer_(answer) {}

  // One packet: byte 0 is the USB report identifier or the network channel prefix (ignored),
  // byte 1 the command code. packet.size() is what was actually received (61 for a USB report,
  // the frame's payload on the network), and nothing past it is ever read: a reply too short
  // for its fields changes nothing. Every packet releases exactly one synchronous sender.
  void DispatchPacket(std::span<const uint8_t> packet);

  bool ErrorReportShown() const { return errorShown_.load(); }

  // Transfers waiting for answers (see ReplyWaiter, which attaches itself). While one is
  // attached, image chunks go to the waiters only.
  void Attach(ReplyWaiter& waiter);
  void Detach(ReplyWaiter& waiter);
  // The link closed: waiters stop waiting for answers that cannot come.
  void LinkClosed();

 private:
  void HandleErrorReport(std::span<const uint8_t> p);
  void HandleRemoteLearned(std::span<const uint8_t> p);
  void HandleEqTableUpdate(std::span<const uint8_t> p);
  void ApplyImageChunk(std::span<const uint8_t> p);
  // Offers the packet to the attached waiters; false when none is attached.
  bool OfferToWaiters(std::span<const uint8_t> p);

  DeviceModel& model_;
  LinkEvents& events_;
  AutoResetEvent& answer_;
  std::atomic<bool> errorShown_{false};
  std::mutex waitersMutex_;
  std::vector<ReplyWaiter*> waiters_;
};

// The device's string replies: the field is cleared, then filled from byte 2 up to the first NUL,
// reading at most 58 bytes and keeping at most size - 1 characters.
void CopyReplyString(std::span<const uint8_t> packet, char* field, size_t fieldSize);

}  // namespace nr
