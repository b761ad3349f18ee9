#pragma once
// Finding devices on a network: every address of a subnet is tried with a short connect
// time-out, and each one that accepts is asked for its identification as a connection would ask.
// Used by `nrctl scan` and by the connection dialog's Scan button (on a worker thread: a scan
// takes seconds).
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/NetAddress.h"

namespace nr {

// An IPv4 subnet; the network address in host byte order, its host bits zero.
struct Ipv4Subnet {
  uint32_t network = 0;
  int prefix = 32;
  bool operator==(const Ipv4Subnet&) const = default;
};

// The widest subnet a scan tries (1024 addresses).
inline constexpr int kWidestScanPrefix = 22;

// "192.168.1.0/24" (host bits may be set: "192.168.1.7/24" is the same subnet) or a bare address
// (/32). Subnets wider than /22 are refused. nullopt with the reason in error.
std::optional<Ipv4Subnet> ParseSubnet(std::string_view text, std::string& error);
std::string FormatSubnet(const Ipv4Subnet& subnet);

// The addresses a scan tries, in order: every host address; the network and broadcast
// addresses of a /30 or wider are left out.
std::vector<std::string> SubnetAddresses(const Ipv4Subnet& subnet);

// The PC's own IPv4 subnets (interfaces that are up, loopback left out); a wider subnet is
// narrowed to the /22 around the PC's address.
std::vector<Ipv4Subnet> LocalSubnets();

struct ScanOptions {
  uint16_t port = kDefaultDevicePort;
  std::chrono::milliseconds connectTimeout{300};
  std::chrono::milliseconds answerTimeout{1000};  // per identification request
  int parallelConnects = 128;
  int parallelIdentifications = 8;
  // Asked between steps; true ends the scan early with what was found so far.
  std::function<bool()> stop;
  // Addresses tried so far and in all, after each batch of connects.
  std::function<void(int done, int total)> progress;
};

struct ScanHit {
  std::string address;
  bool identified = false;  // it answered the identification: module and version hold its answer
  bool busy = false;        // a device serving another client: it cannot be identified now
  std::string module;
  int protocolVersion = 0;
  std::string problem;      // why a peer that accepted is no device we know (empty when identified)
};

// Tries each address in turn with the options' port. Returns every address that accepted a
// connection, in address order; devices have identified or busy set.
std::vector<ScanHit> ScanAddresses(const std::vector<std::string>& addresses, const ScanOptions& options);
std::vector<ScanHit> ScanSubnet(const Ipv4Subnet& subnet, const ScanOptions& options);

}  // namespace nr
