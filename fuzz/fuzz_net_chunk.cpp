// Arbitrary chunks as a TCP peer could send them, through the chunk rules (heartbeat echo,
// host-busy notice) into reassembly and the dispatcher. The first input byte sets how the rest
// is cut into chunks.
#include <cstddef>
#include <cstdint>
#include <span>

#include "link/Dispatcher.h"
#include "link/NetChunk.h"

namespace {

struct Listener : nr::NetChunkListener {
  nr::Dispatcher* dispatcher = nullptr;
  int echoes = 0;
  int busy = 0;
  void EchoHeartbeat() override { ++echoes; }
  void HostBusy() override { ++busy; }
  void OnPayload(std::span<const uint8_t> p) override { dispatcher->DispatchPacket(p); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  nr::DeviceModel model;
  nr::LinkEvents events;
  nr::AutoResetEvent answer;
  nr::Dispatcher dispatcher(model, events, answer);
  Listener listener;
  listener.dispatcher = &dispatcher;
  nr::RxReassembler rx;
  const size_t chunkSize = static_cast<size_t>(data[0]) + 1;
  for (size_t at = 1; at < size; at += chunkSize)
    nr::HandleNetChunk(std::span<const uint8_t>(data + at, std::min(chunkSize, size - at)), rx, listener);
  return 0;
}
