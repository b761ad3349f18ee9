#pragma once
// How a payload travels: inside a 61-byte USB report, or in a checksummed frame on TCP; and how
// received TCP bytes are cut back into payloads.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "link/Trace.h"

namespace nr {

inline constexpr int kUsbReportSize = 61;
inline constexpr uint8_t kUsbReportId = 0x02;
inline constexpr uint8_t kNetPrefixDevice = 0x81;
inline constexpr uint8_t kNetPrefixZWave = 0x80;
inline constexpr uint8_t kFrameStart = 0x55;
inline constexpr int kNetBufferSize = 260;
inline constexpr std::string_view kHeartbeat = "$HB$";
inline constexpr std::string_view kHostBusy = "ISCONNECTED";

using UsbReport = std::array<uint8_t, kUsbReportSize>;

// Report identifier 0x02, the payload, zero padding. A payload over 60 bytes is cut to 60; the
// builders never make one.
UsbReport BuildUsbReport(std::span<const uint8_t> payload);

// 0x55, L = length + 1, the payload (channel prefix first), C = 0xFF ^ L ^ every payload byte.
struct NetFrame {
  std::array<uint8_t, kNetBufferSize> bytes{};
  size_t size = 0;
  std::span<const uint8_t> span() const { return {bytes.data(), size}; }
};
// prefixedPayload: at most 257 bytes (the channel prefix included); longer yields an empty frame.
NetFrame BuildNetFrame(std::span<const uint8_t> prefixedPayload);
// Same, with the channel prefix put in front of a plain payload.
NetFrame BuildNetFrame(uint8_t prefix, std::span<const uint8_t> payload);

class FrameHandler {
 public:
  virtual ~FrameHandler() = default;
  // A frame with a good checksum: its payload, channel prefix first, checksum not included.
  virtual void OnPayload(std::span<const uint8_t> payload) = 0;
  // A heartbeat found between frames (one at the start of a chunk is handled before reassembly).
  virtual void OnHeartbeat() {}
};

// Reassembles frames from TCP chunks. Owns its 260-byte buffer. A frame with a bad checksum is
// skipped by its length byte so framing stays in step. Between frames, a heartbeat that arrived
// glued to a frame is recognised and any other stray byte is skipped up to the next frame start,
// so one noise byte cannot hold up every answer behind it.
class RxReassembler {
 public:
  explicit RxReassembler(TraceSink* trace = nullptr) : trace_(trace) {}

  // Appends a chunk of any size, in pieces that fit the buffer, and dispatches every complete
  // frame. However the device's bytes are split into chunks or joined, no frame is lost.
  void Feed(std::span<const uint8_t> chunk, FrameHandler& handler);
  // Cuts the buffered bytes into frames; returns the number of good frames handed on.
  int ProcessRxBuf(FrameHandler& handler);

  size_t Buffered() const { return fill_; }
  size_t SkippedBytes() const { return skipped_; }
  void Clear() { fill_ = 0; }

 private:
  bool SkipToFrameStart(FrameHandler& handler);
  void Consume(size_t n);

  std::array<uint8_t, kNetBufferSize> buf_{};
  size_t fill_ = 0;
  size_t skipped_ = 0;
  TraceSink* trace_;
};

}  // namespace nr
