#pragma once
// Network device addresses as people type them: an IPv4 address, an IPv6 address (in brackets
// when a port follows), or a host name, each with an optional ":port".
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nr {

inline constexpr uint16_t kDefaultDevicePort = 30303;

struct NetTarget {
  std::string host;  // IPv6 without brackets
  uint16_t port = kDefaultDevicePort;
  bool operator==(const NetTarget&) const = default;
};

// "192.168.1.123", "192.168.1.123:4000", "[fe80::1]:4000", "fe80::1", "device.local:4000".
// Blanks around the text are ignored; anything else that is not one of these forms gives nothing.
std::optional<NetTarget> ParseNetTarget(std::string_view text, uint16_t defaultPort = kDefaultDevicePort);

// The text that reads back as the same target: "host:port", "[v6]:port"; without the port when it
// is the default and omitDefaultPort is set.
std::string FormatNetTarget(const NetTarget& target, bool omitDefaultPort = false);

// Whether text could still become a valid address by typing more (a prefix of one): "192.168.",
// "[fe80::", "device.local:". False for text that no further typing can mend.
bool CouldBecomeNetTarget(std::string_view text);

// Why a text is no address, for saying so where it is typed. `part` is the piece at fault: the
// number above 255, the port, the host name.
struct AddressProblem {
  enum Kind {
    kNone,           // the text is an address
    kEmpty,
    kNumberTooLarge,  // an IPv4 number above 255 ("192.168.1.300": part "300")
    kIncompleteIpv4,  // digits and dots, but not four numbers ("192.168.1", "192.168..1")
    kPortMissing,     // nothing after the colon
    kBadPort,         // a port that is no number from 1 to 65535 (part: what was typed)
    kBadIpv6,         // brackets or colons, but no IPv6 address
    kBadHostName,     // anything else (part: the host)
  };
  Kind kind = kNone;
  std::string part;
};
AddressProblem DiagnoseNetTarget(std::string_view text);

}  // namespace nr
