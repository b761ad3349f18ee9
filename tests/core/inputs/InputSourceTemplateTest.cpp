#include <gtest/gtest.h>

#include "inputs/InputSourceTemplate.h"

namespace nr {
namespace {

TEST(InputSourceTemplate, CapabilityFirstThenTheModel) {
  SourceCapability none;
  EXPECT_EQ(InputSourceTemplate(none, "NR490"), 530);
  EXPECT_EQ(InputSourceTemplate(none, "F880"), 538);
  EXPECT_EQ(InputSourceTemplate(none, "CR8.2"), 536);
  EXPECT_EQ(InputSourceTemplate(none, "nr490"), 512);  // names are compared exactly
  EXPECT_EQ(InputSourceTemplate(none, ""), 512);
  SourceCapability valid;
  valid.bytes = {0x55, 0x0F, 0, 1, 0, 0};
  EXPECT_EQ(InputSourceTemplate(valid, "NR490"), 543);
  valid.bytes[0] = 0x54;
  EXPECT_EQ(InputSourceTemplate(valid, "ML07"), 541);
}

}  // namespace
}  // namespace nr
