#pragma once
// Where every payload built on the PC goes: the link's single way out (SendPacket).
// The transports implement it; tests record what would have been sent.
#include <cstdint>
#include <span>

namespace nr {

class PacketSink {
 public:
  virtual ~PacketSink() = default;
  // Sends one payload (command code first, no network prefix). synchronous: wait for the
  // device's previous answer before writing. Returns the transport's result, 0 when dropped.
  virtual int SendPacket(std::span<const uint8_t> payload, bool synchronous) = 0;
};

// A sink for a model with no link at all: every packet is dropped, as when the cable is out.
class NullSink final : public PacketSink {
 public:
  int SendPacket(std::span<const uint8_t>, bool) override { return 0; }
};

}  // namespace nr
