#pragma once
// Cuts the byte stream the PC sends into frames. Besides frames the PC sends the heartbeat echo
// "$HB$" as bare bytes, from another thread, so it can land between any two frames; the device
// side therefore looks for it at every frame boundary, not only at the start of a chunk, and
// skips stray bytes there instead of letting them block the stream.
#include <cstdint>
#include <span>
#include <vector>

#include "link/FrameCodec.h"

namespace nr::emu {

class InboundStream {
 public:
  explicit InboundStream(TraceSink* trace = nullptr) : rx_(trace) {}

  struct Counts {
    int frames = 0;      // good frames handed on
    int heartbeats = 0;  // "$HB$" echoes consumed
    int skipped = 0;     // stray bytes dropped at frame boundaries
  };

  // Appends a chunk and hands every complete good frame's payload (channel prefix first) to
  // the handler; frames with a bad checksum are dropped. Incomplete data stays buffered.
  Counts Feed(std::span<const uint8_t> chunk, FrameHandler& handler);

  size_t Buffered() const { return pending_.size(); }

 private:
  std::vector<uint8_t> pending_;
  RxReassembler rx_;
};

}  // namespace nr::emu
