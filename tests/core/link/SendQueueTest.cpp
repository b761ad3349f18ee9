// The network send queue: one waiting entry per key, and mode commands that nothing overtakes.
#include <gtest/gtest.h>

#include "link/SendQueue.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Bytes;
using test::Hex;

std::vector<std::string> Drain(SendQueue& q) {
  std::vector<std::string> out;
  while (auto e = q.PopFront()) out.push_back(Hex(e->bytes()));
  return out;
}

TEST(SendQueue, ALaterValueTakesTheWaitingOnesPlace) {
  SendQueue q;
  q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0xAA});
  q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0F, 0x01, 0xBB});
  q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0xCC});
  EXPECT_EQ(Drain(q), (std::vector<std::string>{"81 09 00 01 0E 01 CC", "81 09 00 01 0F 01 BB"}));
  EXPECT_FALSE(q.Enqueue(Bytes(SendQueue::kMaxPayload + 1, 0x81)));
}

TEST(SendQueue, NothingQueuedAfterAModeCommandOvertakesIt) {
  // set, store 2, set the same parameter again, store 3: each store must see exactly the writes
  // before it, so the later value gets its own entry behind the store.
  SendQueue q;
  q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0x10});
  q.Enqueue(Bytes{0x81, 0x04, 0x01});
  q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0x20});
  q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0x21});  // still coalesces behind the store
  q.Enqueue(Bytes{0x81, 0x04, 0x01});                          // a second store is a store of its own
  q.Enqueue(Bytes{0x81, 0x05, 0x02});
  EXPECT_EQ(Drain(q), (std::vector<std::string>{"81 09 00 01 0E 01 10", "81 04 01", "81 09 00 01 0E 01 21",
                                                "81 04 01", "81 05 02"}));
  // Only the device channel's mode commands are barriers.
  q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0x30});
  q.Enqueue(Bytes{0x80, 0x04, 0x01});
  q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0x31});
  EXPECT_EQ(Drain(q), (std::vector<std::string>{"81 09 00 01 0E 01 31", "80 04 01"}));
}

// Frames to the Z-Wave controller are messages, not values: two switch commands of the same
// length (same first five bytes) and two acknowledgements must all go, in order, and a device
// write of the same first bytes still merges only with its own kind.
TEST(SendQueue, ZWaveFramesAreNeverMerged) {
  SendQueue q;
  q.Enqueue(Bytes{0x80, 0x01, 0x0A, 0x00, 0x13, 0x05, 0xFF});
  q.Enqueue(Bytes{0x80, 0x06});
  q.Enqueue(Bytes{0x80, 0x01, 0x0A, 0x00, 0x13, 0x06, 0x00});
  q.Enqueue(Bytes{0x80, 0x06});
  q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0x10});
  q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0x11});
  EXPECT_EQ(Drain(q), (std::vector<std::string>{"80 01 0A 00 13 05 FF", "80 06", "80 01 0A 00 13 06 00", "80 06",
                                                "81 09 00 01 0E 01 11"}));
  // A flood of frames stops at a bound; device writes still take their place.
  size_t taken = 0;
  for (int i = 0; i < 2000; ++i) taken += q.Enqueue(Bytes{0x80, 0x06}) ? 1 : 0;
  EXPECT_EQ(taken, SendQueue::kMaxUnmergedEntries);
  EXPECT_TRUE(q.Enqueue(Bytes{0x81, 0x09, 0x00, 0x01, 0x0E, 0x01, 0x12}));
}

}  // namespace
}  // namespace nr
