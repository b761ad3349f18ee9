// Telling the device's answer to a transfer's request from everything else that arrives: right,
// wrong, late duplicates and packets the device sends on its own; and image chunks that never
// reach the model while a transfer owns them.
#include <gtest/gtest.h>

#include <chrono>

#include "link/Dispatcher.h"
#include "link/ReplyWaiter.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Bytes;
using Outcome = ReplyWaiter::Outcome;
constexpr std::chrono::milliseconds kNow{0};

// A network image chunk answer: prefix, 0x30, offset, length byte, then `carried` data bytes.
Bytes Chunk(int offset, int length, int carried, uint8_t fill = 0xAB) {
  Bytes p{0x81, 0x30, static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset), static_cast<uint8_t>(length)};
  p.resize(p.size() + static_cast<size_t>(carried), fill);
  return p;
}

ReplyWaiter::Expectation ChunkExpected(int chunk) {
  ReplyWaiter::Expectation e;
  e.code = 0x30;
  e.offset = 56 * chunk;
  e.length = 56;
  e.minSize = kChunkAnswerHeader + 56;
  return e;
}

class ReplyWaiterTest : public ::testing::Test {
 protected:
  DeviceModel model;
  LinkEvents events;
  AutoResetEvent answer{false};
  Dispatcher dispatcher{model, events, answer};
};

TEST_F(ReplyWaiterTest, AChunkMustComeBackAsAskedFor) {
  struct Case {
    const char* what;
    Bytes packet;
    Outcome outcome;
  };
  const std::vector<Case> cases = {
      {"right", Chunk(672, 56, 56), Outcome::kAnswered},
      {"another offset", Chunk(673, 56, 56), Outcome::kWrongAnswer},
      {"a chunk not asked for yet", Chunk(728, 56, 56), Outcome::kWrongAnswer},
      {"fewer bytes than its length says", Chunk(672, 56, 40), Outcome::kWrongAnswer},
      {"another length", Chunk(672, 48, 48), Outcome::kWrongAnswer},
      {"another code", Bytes{0x81, 0x31}, Outcome::kWrongAnswer},
      {"an error report", Bytes{0x81, 0x0A, 0x05, 0x30, 0x02}, Outcome::kWrongAnswer},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReplyWaiter waiter(dispatcher);
    waiter.Expect(ChunkExpected(12));
    dispatcher.DispatchPacket(c.packet);
    EXPECT_EQ(waiter.Wait(kNow), c.outcome);
    EXPECT_TRUE(answer.Wait(kNow)) << "every packet still paces synchronous senders";
  }
  ReplyWaiter waiter(dispatcher);
  waiter.Expect(ChunkExpected(12));
  EXPECT_EQ(waiter.Wait(kNow), Outcome::kNoAnswer);
}

TEST_F(ReplyWaiterTest, PacketsTheDeviceSendsOnItsOwnAndLateDuplicatesLetTheWaitGoOn) {
  ReplyWaiter waiter(dispatcher);
  waiter.Expect(ChunkExpected(11));
  dispatcher.DispatchPacket(Chunk(616, 56, 56));
  ASSERT_EQ(waiter.Wait(kNow), Outcome::kAnswered);

  waiter.Expect(ChunkExpected(12));
  for (const Bytes& p : std::vector<Bytes>{
           {0x81, 0x05},                          // a mode notice
           {0x81, 0x60, 0x80, 0x03, 0x47},        // a learned key
           {0x81, 0x86, 0x00, 0x00, 0x01, 0x00},  // an EQ push
           {0x81, 0x09},                          // parameters changed
           Chunk(616, 56, 56),                    // chunk 11 once more, late
       })
    dispatcher.DispatchPacket(p);
  EXPECT_EQ(waiter.Wait(kNow), Outcome::kNoAnswer);
  waiter.Expect(ChunkExpected(12));
  dispatcher.DispatchPacket(Chunk(672, 56, 56, 0x5A));
  ASSERT_EQ(waiter.Wait(kNow), Outcome::kAnswered);
  EXPECT_EQ(waiter.Answer().size(), 61u);
  EXPECT_EQ(waiter.Answer()[60], 0x5A);

  // "Any answer" takes the first packet that is not one the device sends on its own.
  ReplyWaiter::Expectation any;
  waiter.Expect(any);
  dispatcher.DispatchPacket(Bytes{0x81, 0x06});
  dispatcher.DispatchPacket(Bytes{0x81, 0x09});
  EXPECT_EQ(waiter.Wait(kNow), Outcome::kAnswered);
  EXPECT_EQ(waiter.Answer()[1], 0x09);
}

TEST_F(ReplyWaiterTest, ChunksStayWithTheTransferAndAClosedLinkEndsTheWait) {
  const ParamImage before = model.Snapshot().image;
  {
    ReplyWaiter waiter(dispatcher);
    waiter.Expect(ChunkExpected(0));
    dispatcher.DispatchPacket(Chunk(0, 56, 56));
    EXPECT_EQ(waiter.Wait(kNow), Outcome::kAnswered);
    dispatcher.DispatchPacket(Chunk(56, 56, 56));  // not even asked for: still not the model's
    EXPECT_EQ(model.Snapshot().image, before);

    waiter.Expect(ChunkExpected(1));
    dispatcher.LinkClosed();
    EXPECT_EQ(waiter.Wait(std::chrono::seconds(5)), Outcome::kLinkClosed);
    waiter.Expect(ChunkExpected(1));
    EXPECT_EQ(waiter.Wait(kNow), Outcome::kLinkClosed);
  }
  // Without a transfer, a chunk is applied as it comes.
  dispatcher.DispatchPacket(Chunk(0, 56, 56));
  EXPECT_EQ(model.Snapshot().image[0], 0xAB);
}

}  // namespace
}  // namespace nr
