// Copy and paste of a whole EQ set.
#include "eq/EqSetCopy.h"

#include <gtest/gtest.h>

#include "eq/BandWrites.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

class EqSetCopy : public ::testing::Test {
 protected:
  size_t RecordsSent() const {
    size_t n = 0;
    for (const auto& p : sink.Payloads()) n += !p.empty() && p[0] == 0x85;
    return n;
  }
  DeviceModel model;
  test::RecordingSink sink;
  DeviceSession session{model, sink};
};

TEST_F(EqSetCopy, AnEditAfterTheCopyDoesNotReachThePastedSet) {
  SetEqBand(session, 0, 3, 1, 500, 4.0f, 2.0f);
  CopiedEqSet copied;
  ASSERT_TRUE(copied.Copy(model.Snapshot(), 0));
  SetEqBand(session, 0, 3, 1, 900, -6.0f, 1.0f);  // edited after the copy
  sink.Clear();
  ASSERT_TRUE(copied.Paste(session, 1));
  const DeviceState s = model.Snapshot();
  EXPECT_EQ(s.Band(1, 3).freq, 500);
  EXPECT_NEAR(s.Band(1, 3).gainDb, 4.0f, 0.05f);
  EXPECT_EQ(s.Band(0, 3).freq, 900) << "the copied set keeps its own edit";
  EXPECT_EQ(RecordsSent(), 15u) << "every band of the pasted set is sent again";
  // A second paste pastes the same copy.
  SetEqBand(session, 2, 0, 1, 2000, 1.0f, 1.0f);
  ASSERT_TRUE(copied.Paste(session, 2));
  EXPECT_EQ(model.Snapshot().Band(2, 3).freq, 500);
}

TEST_F(EqSetCopy, NothingCopiedOrASetOutsideChangesNothing) {
  CopiedEqSet copied;
  const DeviceState before = model.Snapshot();
  EXPECT_FALSE(copied.Paste(session, 0));
  EXPECT_FALSE(copied.Copy(before, 24));
  EXPECT_TRUE(copied.Empty());
  ASSERT_TRUE(copied.Copy(before, 6));
  EXPECT_FALSE(copied.Paste(session, -1));
  EXPECT_FALSE(copied.Copy(before, -1));
  EXPECT_EQ(copied.Source(), 6) << "a refused copy keeps the earlier one";
  EXPECT_TRUE(sink.Payloads().empty());
  EXPECT_EQ(model.Snapshot().eqTable, before.eqTable);
}

TEST_F(EqSetCopy, ACopyMovesNoMoreThanBothSetsTake) {
  EXPECT_EQ(EqCopyRecords(0, 6), 10);   // mic A into music: the music set's ten
  EXPECT_EQ(EqCopyRecords(6, 0), 10);
  EXPECT_EQ(EqCopyRecords(8, 9), 13);   // a channel brings its crossover partners
  EXPECT_EQ(EqCopyRecords(0, 15), 5);   // the record EQ has five bands
  EXPECT_EQ(EqCopyRecords(15, 16), 5);
  // Echo A (seven bands) into mic B leaves mic B's bands 7.. as they were.
  SetEqBand(session, 1, 9, 1, 3333, 2.0f, 1.0f);
  SetEqBand(session, 2, 6, 1, 4444, 2.0f, 1.0f);
  ASSERT_EQ(GQ_CopyEQ(session, 2, 1), 1);
  EXPECT_EQ(model.Snapshot().Band(1, 6).freq, 4444);
  EXPECT_EQ(model.Snapshot().Band(1, 9).freq, 3333);
}

}  // namespace
}  // namespace nr
