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

}  // namespace
}  // namespace nr
