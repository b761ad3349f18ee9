// Why a typed text is no address, so the connection dialog can say why Connect is disabled.
#include <gtest/gtest.h>

#include "link/NetAddress.h"

namespace nr {
namespace {

TEST(AddressProblem, NamesThePartAtFault) {
  struct Case {
    const char* text;
    AddressProblem::Kind kind;
    const char* part;
  };
  const Case cases[] = {
      {"192.168.1.123", AddressProblem::kNone, ""},
      {" nr490.local:4000 ", AddressProblem::kNone, ""},
      {"", AddressProblem::kEmpty, ""},
      {"192.168.1.300", AddressProblem::kNumberTooLarge, "300"},
      {"192.168.1.300:30303", AddressProblem::kNumberTooLarge, "300"},
      {"1920.168.1.1", AddressProblem::kNumberTooLarge, "1920"},
      {"192.168.1", AddressProblem::kIncompleteIpv4, "192.168.1"},
      {"192.168..1", AddressProblem::kIncompleteIpv4, "192.168..1"},
      {"192.168.1.", AddressProblem::kIncompleteIpv4, "192.168.1."},
      {"192.168.1.5:", AddressProblem::kPortMissing, ""},
      {"192.168.1.5:70000", AddressProblem::kBadPort, "70000"},
      {"[fe80::1]:", AddressProblem::kPortMissing, ""},
      {"[fe80::1]:0", AddressProblem::kBadPort, "0"},
      {"[fe80::zz]", AddressProblem::kBadIpv6, "[fe80::zz]"},
      {"-studio", AddressProblem::kBadHostName, "-studio"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const AddressProblem problem = DiagnoseNetTarget(c.text);
    EXPECT_EQ(problem.kind, c.kind);
    EXPECT_EQ(problem.part, c.part);
    EXPECT_EQ(problem.kind == AddressProblem::kNone, ParseNetTarget(c.text).has_value()) << "agrees with the parser";
  }
}

}  // namespace
}  // namespace nr
