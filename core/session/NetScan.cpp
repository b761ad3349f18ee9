#include "session/NetScan.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <mutex>
#include <thread>

#include "link/Socket.h"
#include "session/Connection.h"

namespace nr {
namespace {

uint32_t Mask(int prefix) { return prefix == 0 ? 0 : ~uint32_t{0} << (32 - prefix); }

std::string AddressText(uint32_t address) { return Ipv4Text(address); }

uint32_t AddressValue(const std::string& text) { return ParseIpv4(text).value_or(0); }

bool Stopped(const ScanOptions& options) { return options.stop && options.stop(); }

// Connects to every address of the batch at once (non-blocking connects) and returns those that
// accepted within the time-out. The sockets are closed again: the identification opens a
// connection of its own.
std::vector<std::string> AcceptingAddresses(std::span<const std::string> batch, const ScanOptions& options) {
  std::vector<SocketHandle> sockets;
  std::vector<std::string> pending;
  for (const std::string& address : batch) {
    const std::optional<uint32_t> value = ParseIpv4(address);
    const SocketHandle socket = value ? StartConnect(*value, options.port) : kNoSocket;
    if (socket == kNoSocket) continue;
    sockets.push_back(socket);
    pending.push_back(address);
  }
  const std::vector<bool> accepted = FinishConnects(sockets, options.connectTimeout);
  std::vector<std::string> found;
  for (size_t i = 0; i < pending.size(); ++i)
    if (accepted[i]) found.push_back(pending[i]);
  return found;
}

// Listens for the one event a scan needs: the device saying it serves someone else.
class ScanEvents : public LinkEvents {
 public:
  void HostBusy() override { busy = true; }
  std::atomic<bool> busy{false};
};

ScanHit Identify(const std::string& address, const ScanOptions& options) {
  ScanHit hit;
  hit.address = address;
  ScanEvents events;
  LinkConfig config;
  config.answerTimeout = options.answerTimeout;
  config.connectTimeout = std::max(options.connectTimeout, std::chrono::milliseconds(1000));
  Connection connection(events, nullptr, nullptr, config);
  Link& link = connection.GetLink();
  link.SetNetwork(true);
  link.SetNetTarget(address, options.port);
  if (link.NetConnect() != 1) {
    hit.problem = "accepted, then refused the connection";
    return hit;
  }
  const TransferResult result = connection.Sync().Identify();
  const DeviceInfo info = connection.Model().Read([](const DeviceState& s) { return s.info; });
  if (events.busy) {
    hit.busy = true;
  } else if (result.ok() || result.failure == TransferFailure::kOtherVersion) {
    hit.identified = true;
    hit.module = info.ModuleName();
    hit.protocolVersion = info.version;
  } else {
    hit.problem = "accepted the connection but did not identify itself";
  }
  link.Close(true);  // the goodbye, so the device is free for the next client at once
  return hit;
}

}  // namespace

std::optional<Ipv4Subnet> ParseSubnet(std::string_view text, std::string& error) {
  const size_t slash = text.find('/');
  const std::string address(text.substr(0, slash));
  const std::optional<uint32_t> value = ParseIpv4(address);
  if (!value) {
    error = "'" + address + "' is not an IPv4 address";
    return std::nullopt;
  }
  int prefix = 32;
  if (slash != std::string_view::npos) {
    const std::string_view digits = text.substr(slash + 1);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), prefix);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || prefix < 0 || prefix > 32) {
      error = "the prefix length after '/' is a number 0 .. 32, not '" + std::string(digits) + "'";
      return std::nullopt;
    }
  }
  if (prefix < kWidestScanPrefix) {
    error = "a /" + std::to_string(prefix) + " holds " + std::to_string(uint64_t{1} << (32 - prefix)) +
            " addresses; a scan covers at most a /" + std::to_string(kWidestScanPrefix) + " (1024)";
    return std::nullopt;
  }
  return Ipv4Subnet{*value & Mask(prefix), prefix};
}

std::string FormatSubnet(const Ipv4Subnet& subnet) {
  return AddressText(subnet.network) + "/" + std::to_string(subnet.prefix);
}

std::vector<std::string> SubnetAddresses(const Ipv4Subnet& subnet) {
  const uint64_t size = uint64_t{1} << (32 - subnet.prefix);
  uint64_t first = subnet.network, last = subnet.network + size - 1;
  if (subnet.prefix <= 30) {
    ++first;
    --last;
  }
  std::vector<std::string> addresses;
  for (uint64_t a = first; a <= last; ++a) addresses.push_back(AddressText(static_cast<uint32_t>(a)));
  return addresses;
}

std::vector<Ipv4Subnet> LocalSubnets() {
  std::vector<Ipv4Subnet> subnets;
  for (const Ipv4Interface& i : LocalIpv4Interfaces()) {
    int prefix = 0;
    while (prefix < 32 && (i.mask & (uint32_t{1} << (31 - prefix)))) ++prefix;
    prefix = std::max(prefix, kWidestScanPrefix);
    const Ipv4Subnet subnet{i.address & Mask(prefix), prefix};
    if (std::find(subnets.begin(), subnets.end(), subnet) == subnets.end()) subnets.push_back(subnet);
  }
  return subnets;
}

std::vector<ScanHit> ScanAddresses(const std::vector<std::string>& addresses, const ScanOptions& options) {
  std::vector<std::string> accepted;
  const size_t step = static_cast<size_t>(std::max(1, options.parallelConnects));
  for (size_t start = 0; start < addresses.size() && !Stopped(options); start += step) {
    const size_t count = std::min(step, addresses.size() - start);
    const std::vector<std::string> found = AcceptingAddresses(std::span(addresses).subspan(start, count), options);
    accepted.insert(accepted.end(), found.begin(), found.end());
    if (options.progress) options.progress(static_cast<int>(start + count), static_cast<int>(addresses.size()));
  }

  // Identifications run a few at a time: each holds a connection with its threads.
  std::vector<ScanHit> hits(accepted.size());
  std::atomic<size_t> next{0};
  const auto worker = [&] {
    for (size_t i; (i = next++) < accepted.size();) {
      if (Stopped(options)) {
        hits[i].address = accepted[i];
        hits[i].problem = "not asked: the scan was stopped";
        continue;
      }
      hits[i] = Identify(accepted[i], options);
    }
  };
  std::vector<std::thread> workers;
  const size_t threads = std::min(accepted.size(), static_cast<size_t>(std::max(1, options.parallelIdentifications)));
  for (size_t t = 0; t < threads; ++t) workers.emplace_back(worker);
  for (std::thread& t : workers) t.join();
  std::sort(hits.begin(), hits.end(),
            [](const ScanHit& a, const ScanHit& b) { return AddressValue(a.address) < AddressValue(b.address); });
  return hits;
}

std::vector<ScanHit> ScanSubnet(const Ipv4Subnet& subnet, const ScanOptions& options) {
  return ScanAddresses(SubnetAddresses(subnet), options);
}

}  // namespace nr
