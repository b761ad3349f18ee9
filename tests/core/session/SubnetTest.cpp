#include <gtest/gtest.h>

#include "session/NetScan.h"

namespace nr {
namespace {

TEST(Subnet, ParsesCidrAndListsItsHostAddresses) {
  struct Case {
    const char* text;
    const char* network;
    size_t count;
    const char* first;
    const char* last;
  };
  const Case cases[] = {
      {"192.168.1.7/24", "192.168.1.0/24", 254, "192.168.1.1", "192.168.1.254"},
      {"10.0.4.9/22", "10.0.4.0/22", 1022, "10.0.4.1", "10.0.7.254"},
      {"127.0.0.0/30", "127.0.0.0/30", 2, "127.0.0.1", "127.0.0.2"},
      {"10.1.1.1/31", "10.1.1.0/31", 2, "10.1.1.0", "10.1.1.1"},
      {"10.1.1.1", "10.1.1.1/32", 1, "10.1.1.1", "10.1.1.1"},
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<Ipv4Subnet> subnet = ParseSubnet(c.text, error);
    ASSERT_TRUE(subnet) << c.text << ": " << error;
    EXPECT_EQ(FormatSubnet(*subnet), c.network);
    const std::vector<std::string> addresses = SubnetAddresses(*subnet);
    ASSERT_EQ(addresses.size(), c.count) << c.text;
    EXPECT_EQ(addresses.front(), c.first);
    EXPECT_EQ(addresses.back(), c.last);
  }
}

TEST(Subnet, RefusesWhatIsNoSubnetOrTooWideToScan) {
  const std::pair<const char*, const char*> cases[] = {
      {"10.0.0.0/21", "a /21 holds 2048 addresses; a scan covers at most a /22 (1024)"},
      {"10.0.0.0/0", "a /0 holds 4294967296 addresses; a scan covers at most a /22 (1024)"},
      {"10.0.0.300/24", "'10.0.0.300' is not an IPv4 address"},
      {"fe80::1/120", "'fe80::1' is not an IPv4 address"},
      {"10.0.0.0/", "the prefix length after '/' is a number 0 .. 32, not ''"},
      {"10.0.0.0/33", "the prefix length after '/' is a number 0 .. 32, not '33'"},
      {"10.0.0.0/2x", "the prefix length after '/' is a number 0 .. 32, not '2x'"},
  };
  for (const auto& [text, reason] : cases) {
    std::string error;
    EXPECT_FALSE(ParseSubnet(text, error)) << text;
    EXPECT_EQ(error, reason);
  }
}

TEST(Subnet, LocalSubnetsAreScannable) {
  for (const Ipv4Subnet& subnet : LocalSubnets()) {
    EXPECT_GE(subnet.prefix, kWidestScanPrefix);
    std::string error;
    EXPECT_EQ(ParseSubnet(FormatSubnet(subnet), error), subnet) << error;
  }
}

}  // namespace
}  // namespace nr
