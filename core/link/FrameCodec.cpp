#include "link/FrameCodec.h"

#include <algorithm>
#include <cstring>

namespace nr {

UsbReport BuildUsbReport(std::span<const uint8_t> payload) {
  UsbReport report{};
  report[0] = kUsbReportId;
  const size_t n = std::min<size_t>(payload.size(), kUsbReportSize - 1);
  std::memcpy(&report[1], payload.data(), n);
  return report;
}

NetFrame BuildNetFrame(std::span<const uint8_t> prefixedPayload) {
  NetFrame frame;
  const size_t n = prefixedPayload.size();
  if (n == 0 || n > kNetBufferSize - 3) return frame;
  frame.bytes[0] = kFrameStart;
  frame.bytes[1] = static_cast<uint8_t>(n + 1);
  std::memcpy(&frame.bytes[2], prefixedPayload.data(), n);
  uint8_t c = 0xFF;
  for (size_t i = 1; i <= n + 1; ++i) c ^= frame.bytes[i];
  frame.bytes[n + 2] = c;
  frame.size = n + 3;
  return frame;
}

NetFrame BuildNetFrame(uint8_t prefix, std::span<const uint8_t> payload) {
  std::array<uint8_t, kNetBufferSize> prefixed{};
  if (payload.size() > kNetBufferSize - 4) return NetFrame{};
  prefixed[0] = prefix;
  std::memcpy(&prefixed[1], payload.data(), payload.size());
  return BuildNetFrame(std::span<const uint8_t>(prefixed.data(), payload.size() + 1));
}

void RxReassembler::Feed(std::span<const uint8_t> chunk, FrameHandler& handler) {
  // In pieces that fit: every frame is at most 257 bytes, so once the buffer has been cut into
  // frames there is always room for more, and a burst of answers loses none of them.
  while (!chunk.empty()) {
    const size_t room = kNetBufferSize - fill_;
    if (room == 0) {
      fill_ = 0;  // cannot happen after ProcessRxBuf; never loop without progress
      continue;
    }
    const size_t n = std::min(room, chunk.size());
    std::memcpy(&buf_[fill_], chunk.data(), n);
    fill_ += n;
    chunk = chunk.subspan(n);
    ProcessRxBuf(handler);
  }
}

// Drops what cannot start a frame from the front of the buffer. Returns false when the buffer
// holds only the beginning of a heartbeat, which the next chunk may complete.
bool RxReassembler::SkipToFrameStart(FrameHandler& handler) {
  while (fill_ > 0 && buf_[0] != kFrameStart) {
    const size_t n = std::min(fill_, kHeartbeat.size());
    if (std::memcmp(buf_.data(), kHeartbeat.data(), n) == 0) {
      if (n < kHeartbeat.size()) return false;
      handler.OnHeartbeat();
      Consume(kHeartbeat.size());
      continue;
    }
    size_t junk = 1;
    while (junk < fill_ && buf_[junk] != kFrameStart && buf_[junk] != static_cast<uint8_t>(kHeartbeat[0])) ++junk;
    skipped_ += junk;
    Trace(trace_, "ProcessRxBuf skipped bytes outside a frame\n");
    Consume(junk);
  }
  return true;
}

void RxReassembler::Consume(size_t n) {
  std::memmove(buf_.data(), &buf_[n], fill_ - n);
  fill_ -= n;
}

int RxReassembler::ProcessRxBuf(FrameHandler& handler) {
  int dispatched = 0;
  while (SkipToFrameStart(handler) && fill_ >= 2) {
    const size_t length = buf_[1];
    const size_t need = length + 2;
    if (fill_ < need) break;  // the frame is not complete yet
    uint8_t c = 0xFF;
    for (size_t i = 1; i <= length; ++i) c ^= buf_[i];
    if (c != buf_[length + 1]) {
      Trace(trace_, "ProcessRxBuf Checksum error\n ");
    } else if (length >= 2) {
      // Payload: bytes 2..L (L - 1 bytes); a frame with L below 2 carries no command and is
      // consumed without being handed on.
      handler.OnPayload(std::span<const uint8_t>(&buf_[2], length - 1));
      ++dispatched;
    }
    Consume(need);
  }
  return dispatched;
}

}  // namespace nr
