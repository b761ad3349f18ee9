// SetParam runs on every slider step: it must not touch the heap. This program replaces the
// global allocation functions with counting ones, so it is kept apart from the other tests.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "eq/BandWrites.h"
#include "link/DeviceSession.h"

namespace {
std::atomic<long> g_allocations{0};  // test instrumentation only
}

void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace nr {
namespace {

// Accepts packets the way a transport does, without keeping them.
class CountingSink : public PacketSink {
 public:
  int SendPacket(std::span<const uint8_t> payload, bool) override {
    ++packets;
    return static_cast<int>(payload.size());
  }
  int packets = 0;
};

TEST(NoAllocation, SetParamAndBandWrites) {
  DeviceModel model;
  CountingSink sink;
  DeviceSession session(model, sink);
  session.SetParam(1, 0x0E, 1);  // first use builds the constant tables
  const long before = g_allocations.load();
  for (int v = 0; v <= 100; ++v) {
    session.SetParam(1, 0x0E, v);
    session.SetParam(1, 0x27, static_cast<float>(v));
  }
  SetEqBand(session, 7, 3, 1, 440, 3.0f, 2.0f);
  EXPECT_EQ(g_allocations.load() - before, 0);
  EXPECT_EQ(sink.packets, 1 + 202 + 2);
}

}  // namespace
}  // namespace nr
