#pragma once
// The smart home's way to the device through the link: the tunnel for Serial API frames and the
// device channel for the smart-home memory commands.
#include "link/Link.h"
#include "smarthome/SmartHome.h"

namespace nr {

// The link may be constructed after the port (its owner builds the smart home first), so the
// port keeps its address and uses it only once messages flow.
class LinkPort final : public ZWavePort {
 public:
  explicit LinkPort(Link* link) : link_(link) {}

  int SendFrame(std::span<const uint8_t> frame) override { return link_->SendZWaveFrame(frame); }
  int SendCommand(std::span<const uint8_t> payload) override { return link_->SendPacket(payload, true); }
  bool Connected() const override { return link_->IsConnected() && !link_->State().readThreadEnd; }
  bool WaitIdle(std::chrono::milliseconds timeout) override { return link_->WaitUntilIdle(timeout); }

 private:
  Link* link_;
};

}  // namespace nr
