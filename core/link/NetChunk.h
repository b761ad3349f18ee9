#pragma once
// What the PC does with one chunk received on the TCP connection: answer the device's heartbeat,
// notice that the device is busy with another client, or feed the bytes to frame reassembly.
#include <cstdint>
#include <span>

#include "link/FrameCodec.h"

namespace nr {

class NetChunkListener : public FrameHandler {
 public:
  virtual void EchoHeartbeat() = 0;  // send "$HB$" back
  virtual void HostBusy() = 0;       // the device serves another client
  void OnHeartbeat() override { EchoHeartbeat(); }
};

// Applies the chunk rules: "$HB$" at the start of a chunk is echoed and skipped; "ISCONNECTED"
// as the first 11 bytes of a chunk reports a busy host and drops the chunk; anything else goes to
// the reassembler, whose complete frames reach listener.OnPayload.
void HandleNetChunk(std::span<const uint8_t> chunk, RxReassembler& rx, NetChunkListener& listener);

}  // namespace nr
