// Hot paths of the link: a slider step (SetParam with its payload) and the receive path.
#include <benchmark/benchmark.h>

#include <vector>

#include "link/DeviceSession.h"
#include "link/Dispatcher.h"
#include "link/FrameCodec.h"

namespace {

class DiscardSink : public nr::PacketSink {
 public:
  int SendPacket(std::span<const uint8_t> payload, bool) override {
    benchmark::DoNotOptimize(payload.data());
    return static_cast<int>(payload.size());
  }
};

void BM_SetParam(benchmark::State& state) {
  nr::DeviceModel model;
  DiscardSink sink;
  nr::DeviceSession session(model, sink);
  int v = 0;
  for (auto _ : state) {
    session.SetParam(1, 0x0E, v);
    v = (v + 1) % 100;
  }
}
BENCHMARK(BM_SetParam);

// A stream of 0x30 image replies, as a bulk read receives them, cut into 1400-byte chunks.
void BM_ProcessRxBuf(benchmark::State& state) {
  std::vector<uint8_t> stream;
  uint8_t payload[61] = {nr::kNetPrefixDevice, 0x30, 0x00, 0x00, 56};
  for (int chunk = 0; chunk < 70; ++chunk) {
    payload[2] = static_cast<uint8_t>((chunk * 56) >> 8);
    payload[3] = static_cast<uint8_t>(chunk * 56);
    const nr::NetFrame f = nr::BuildNetFrame(std::span<const uint8_t>(payload, sizeof payload));
    stream.insert(stream.end(), f.bytes.begin(), f.bytes.begin() + static_cast<long>(f.size));
  }
  nr::DeviceModel model;
  nr::LinkEvents events;
  nr::AutoResetEvent answer;
  nr::Dispatcher dispatcher(model, events, answer);
  struct Handler : nr::FrameHandler {
    nr::Dispatcher* d;
    void OnPayload(std::span<const uint8_t> p) override { d->DispatchPacket(p); }
  } handler;
  handler.d = &dispatcher;
  nr::RxReassembler rx;
  constexpr size_t kChunk = 200;
  for (auto _ : state) {
    for (size_t at = 0; at < stream.size(); at += kChunk) {
      const size_t n = std::min(kChunk, stream.size() - at);
      rx.Feed(std::span<const uint8_t>(&stream[at], n), handler);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_ProcessRxBuf);

void BM_FrameOnly(benchmark::State& state) {
  std::vector<uint8_t> stream;
  uint8_t payload[61] = {nr::kNetPrefixDevice, 0x0E};
  for (int i = 0; i < 64; ++i) {
    const nr::NetFrame f = nr::BuildNetFrame(std::span<const uint8_t>(payload, sizeof payload));
    stream.insert(stream.end(), f.bytes.begin(), f.bytes.begin() + static_cast<long>(f.size));
  }
  struct Count : nr::FrameHandler {
    long n = 0;
    void OnPayload(std::span<const uint8_t>) override { ++n; }
  } handler;
  nr::RxReassembler rx;
  for (auto _ : state) {
    for (size_t at = 0; at < stream.size(); at += 250) {
      rx.Feed(std::span<const uint8_t>(&stream[at], std::min<size_t>(250, stream.size() - at)), handler);
    }
  }
  benchmark::DoNotOptimize(handler.n);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(stream.size()));
}
BENCHMARK(BM_FrameOnly);

}  // namespace
