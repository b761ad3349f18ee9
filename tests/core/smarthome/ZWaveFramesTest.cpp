#include <gtest/gtest.h>

#include "smarthome/ZWaveFrames.h"
#include "support/RecordingSink.h"

namespace nr {
namespace {

using test::Hex;

TEST(ZWaveFrames, SerialApiRequestsWithChecksums) {
  EXPECT_EQ(Hex(BuildGetInitData()), "01 03 00 02 FE");
  EXPECT_EQ(Hex(BuildSetDefault()), "01 04 00 42 02 BB");
  EXPECT_EQ(Hex(BuildSetPlug(5, 0xFF)), "01 0A 00 13 05 03 20 01 FF 25 43 " +
                                           Hex(std::vector<uint8_t>{static_cast<uint8_t>(
                                               0xFF ^ 0x0A ^ 0x13 ^ 0x05 ^ 0x03 ^ 0x20 ^ 0x01 ^ 0xFF ^ 0x25 ^ 0x43)}));
  EXPECT_EQ(BuildSetPlug(5, 0xC3)[10], 0x44);  // an infrared key uses its own callback
  EXPECT_EQ(Hex(BuildStartAdding()), "01 05 00 4A 01 30 81");
  EXPECT_EQ(Hex(BuildAbort(0x4A)), "01 05 00 4A 05 00 B5");
  EXPECT_TRUE(BuildOperationFrame(0x99, 0, 0).empty());
}

}  // namespace
}  // namespace nr
