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
  EXPECT_EQ(Hex(BuildStopAdding()), "01 04 00 4A 05 B4");
  EXPECT_EQ(Hex(BuildStopRemoving()), "01 04 00 4B 05 B5");
  // Aborting: a send with the send-data abort (no parameters), adding and removing with their
  // stop without a callback; nothing else has an abort.
  EXPECT_EQ(Hex(BuildAbort(0x13)), "01 03 00 16 EA");
  EXPECT_EQ(Hex(BuildAbort(0x4A)), "01 05 00 4A 05 00 B5");
  EXPECT_EQ(Hex(BuildAbort(0x4B)), "01 05 00 4B 05 00 B4");
  EXPECT_TRUE(BuildAbort(0x42).empty());
  EXPECT_TRUE(BuildOperationFrame(0x99, 0, 0).empty());
  // Learning key slot 5 sends the plug value C5, transmitting it 85; both use the key callback.
  EXPECT_EQ(Hex(BuildOperationFrame(0x13, 7, 0xC0 + 5)), Hex(BuildSetPlug(7, 0xC5)));
  EXPECT_EQ(Hex(BuildSetPlug(7, 0xC5)), "01 0A 00 13 07 03 20 01 C5 25 44 67");
  EXPECT_EQ(Hex(BuildSetPlug(7, 0x80 + 5)), "01 0A 00 13 07 03 20 01 85 25 44 27");
  EXPECT_EQ(BuildSetPlug(7, 0xFF)[10], 0x43);
}

TEST(ZWaveFrames, ReceivedFramesAreCheckedBeforeTheyAreRead) {
  const std::vector<uint8_t> callback = BuildSerialFrame(0x00, 0x13, std::vector<uint8_t>{0x43, 0x00});
  const auto parsed = ParseSerialFrame(callback);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->function, 0x13);
  EXPECT_EQ(Hex(parsed->parameters), "43 00");

  std::vector<uint8_t> bad = callback;
  bad.back() ^= 1;  // checksum
  EXPECT_FALSE(ParseSerialFrame(bad));
  bad = callback;
  bad[0] = 0x06;  // not a frame start
  EXPECT_FALSE(ParseSerialFrame(bad));
  bad = callback;
  bad[1] = 0x40;  // LEN beyond the bytes
  EXPECT_FALSE(ParseSerialFrame(bad));
  EXPECT_FALSE(ParseSerialFrame(std::vector<uint8_t>{0x01, 0x02, 0x00, 0x13, 0xEE}));  // LEN too small
  // Trailing padding after the checksum (a USB report) does not matter.
  std::vector<uint8_t> padded = callback;
  padded.resize(40, 0);
  EXPECT_TRUE(ParseSerialFrame(padded));
}

}  // namespace
}  // namespace nr
