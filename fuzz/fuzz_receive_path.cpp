// Arbitrary bytes from a network peer: cut into chunks by the first bytes of the input, then
// reassembled into frames and dispatched into a device model. Nothing may crash or overrun.
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/Dispatcher.h"
#include "link/FrameCodec.h"

namespace {

struct Handler : nr::FrameHandler {
  nr::Dispatcher* dispatcher = nullptr;
  void OnPayload(std::span<const uint8_t> p) override { dispatcher->DispatchPacket(p); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  nr::DeviceModel model;
  nr::LinkEvents events;
  nr::AutoResetEvent answer;
  nr::Dispatcher dispatcher(model, events, answer);
  Handler handler;
  handler.dispatcher = &dispatcher;
  nr::RxReassembler rx;

  // The USB path hands whole reports to the dispatcher: try the input as one too.
  if (size <= nr::kUsbReportSize) dispatcher.DispatchPacket(std::span<const uint8_t>(data, size));

  size_t at = 0;
  uint8_t chunkSeed = size > 0 ? data[0] : 1;
  while (at < size) {
    const size_t chunk = std::min<size_t>(size - at, static_cast<size_t>(chunkSeed % 97) + 1);
    rx.Feed(std::span<const uint8_t>(data + at, chunk), handler);
    at += chunk;
    chunkSeed = static_cast<uint8_t>(chunkSeed * 31 + 7);
  }
  nr::DeviceState s = model.Snapshot();
  nr::ApplyImage(s);  // whatever the image now holds must decode without trouble
  return 0;
}
