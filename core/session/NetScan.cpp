#include "session/NetScan.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <mutex>
#include <thread>

#include "session/Connection.h"

namespace nr {
namespace {

uint32_t Mask(int prefix) { return prefix == 0 ? 0 : ~uint32_t{0} << (32 - prefix); }

std::string AddressText(uint32_t address) {
  in_addr a{};
  a.s_addr = htonl(address);
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

uint32_t AddressValue(const std::string& text) {
  in_addr a{};
  return ::inet_pton(AF_INET, text.c_str(), &a) == 1 ? ntohl(a.s_addr) : 0;
}

bool Stopped(const ScanOptions& options) { return options.stop && options.stop(); }

// Starts a non-blocking connect; -1 when no socket could be made or the address refused at once.
int StartConnect(const std::string& address, uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1) return -1;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 || errno == EINPROGRESS) return fd;
  ::close(fd);
  return -1;
}

// Connects to every address of the batch at once and returns those that accepted within the
// time-out. The sockets are closed again: the identification opens a connection of its own.
std::vector<std::string> AcceptingAddresses(std::span<const std::string> batch, const ScanOptions& options) {
  std::vector<pollfd> fds;
  std::vector<std::string> pending;
  for (const std::string& address : batch) {
    const int fd = StartConnect(address, options.port);
    if (fd < 0) continue;
    fds.push_back(pollfd{fd, POLLOUT, 0});
    pending.push_back(address);
  }
  std::vector<std::string> accepted;
  const auto deadline = std::chrono::steady_clock::now() + options.connectTimeout;
  size_t open = fds.size();
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    for (size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      int error = 0;
      socklen_t length = sizeof error;
      if (::getsockopt(fds[i].fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) accepted.push_back(pending[i]);
      ::close(fds[i].fd);
      fds[i].fd = -1;  // poll skips negative descriptors
      --open;
    }
  }
  for (const pollfd& p : fds)
    if (p.fd >= 0) ::close(p.fd);
  return accepted;
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
  in_addr a{};
  if (::inet_pton(AF_INET, address.c_str(), &a) != 1) {
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
  return Ipv4Subnet{ntohl(a.s_addr) & Mask(prefix), prefix};
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
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return subnets;
  for (const ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || !i->ifa_netmask || i->ifa_addr->sa_family != AF_INET) continue;
    if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
    const uint32_t address = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    const uint32_t mask = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr);
    int prefix = 0;
    while (prefix < 32 && (mask & (uint32_t{1} << (31 - prefix)))) ++prefix;
    prefix = std::max(prefix, kWidestScanPrefix);
    const Ipv4Subnet subnet{address & Mask(prefix), prefix};
    if (std::find(subnets.begin(), subnets.end(), subnet) == subnets.end()) subnets.push_back(subnet);
  }
  ::freeifaddrs(list);
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
