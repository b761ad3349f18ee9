// Whatever the controller (or anything pretending to be it) sends through the device must be
// either handled or ignored: no read past the bytes, no node outside 1..232, no record or scene
// outside the smart-home memory. The input is cut into replies: a kind byte (Z-Wave frame, bare
// channel payload, memory chunk), a length, and that many bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "smarthome/SmartHome.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

class NullPort final : public nr::ZWavePort {
 public:
  int SendFrame(std::span<const uint8_t>) override { return 0; }
  int SendCommand(std::span<const uint8_t>) override { return 0; }
  bool Connected() const override { return false; }
  bool WaitIdle(std::chrono::milliseconds) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace nr;
  NullPort port;
  LinkEvents events;
  SmartHomeTimings timings;
  timings.ackPause = std::chrono::milliseconds(0);
  SmartHome smart(port, events, nullptr, timings);
  std::span<const uint8_t> input(data, size);
  while (input.size() >= 2) {
    const uint8_t kind = input[0];
    const size_t length = std::min<size_t>(input[1], input.size() - 2);
    const std::span<const uint8_t> reply = input.subspan(2, length);
    switch (kind % 3) {
      case 0: smart.HandleFrame(reply); break;
      case 1: smart.HandleChannelPayload(reply); break;
      default: smart.HandleMemory(reply); break;
    }
    input = input.subspan(2 + length);
  }
  for (const PlugInfo& plug : smart.Plugs()) {
    Check(plug.node >= kFirstPlugNode && plug.node <= kMaxNode);
    Check(plug.record.name.size() <= static_cast<size_t>(kPlugNameUnits));
  }
  uint64_t cursor = 0;
  while (const auto report = smart.NextReport(cursor, std::chrono::milliseconds(0))) Check(report->function != 0);
  return 0;
}
