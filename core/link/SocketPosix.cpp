// Sockets on Linux and other POSIX systems: the BSD calls as they are.
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/Socket.h"

namespace nr {

void PrepareSockets() {}

std::optional<uint32_t> ParseIpv4(const std::string& text) {
  in_addr a{};
  if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return std::nullopt;
  return ntohl(a.s_addr);
}

bool IsIpv6Text(const std::string& text) {
  in6_addr a{};
  return ::inet_pton(AF_INET6, text.c_str(), &a) == 1;
}

std::string Ipv4Text(uint32_t address) {
  in_addr a{};
  a.s_addr = htonl(address);
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &a, text, sizeof text);
  return text;
}

void SetNoDelay(SocketHandle socket) {
  const int one = 1;
  ::setsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int WaitReadable(SocketHandle socket, int timeoutMs) {
  pollfd p{static_cast<int>(socket), POLLIN, 0};
  const int ready = ::poll(&p, 1, timeoutMs);
  if (ready < 0) return errno == EINTR ? 0 : -1;
  return ready > 0 ? 1 : 0;
}

long SendSome(SocketHandle socket, std::span<const uint8_t> bytes) {
  for (;;) {
    const ssize_t n = ::send(static_cast<int>(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

long ReceiveSome(SocketHandle socket, std::span<uint8_t> buffer) {
  for (;;) {
    const ssize_t n = ::recv(static_cast<int>(socket), buffer.data(), buffer.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

void ShutdownSocket(SocketHandle socket) { ::shutdown(static_cast<int>(socket), SHUT_RDWR); }

void CloseSocket(SocketHandle socket) {
  if (socket >= 0) ::close(static_cast<int>(socket));
}

SocketHandle StartConnect(uint32_t address, uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(address);
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 || errno == EINPROGRESS) return fd;
  ::close(fd);
  return kNoSocket;
}

std::vector<bool> FinishConnects(std::span<const SocketHandle> sockets, std::chrono::milliseconds timeout) {
  std::vector<bool> accepted(sockets.size(), false);
  std::vector<pollfd> fds;
  for (const SocketHandle s : sockets) fds.push_back(pollfd{static_cast<int>(s), POLLOUT, 0});
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  size_t open = 0;
  for (const pollfd& p : fds) open += p.fd >= 0 ? 1 : 0;
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
      accepted[i] = ::getsockopt(fds[i].fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
      ::close(fds[i].fd);
      fds[i].fd = -1;  // poll skips negative descriptors
      --open;
    }
  }
  for (const pollfd& p : fds)
    if (p.fd >= 0) ::close(p.fd);
  return accepted;
}

std::vector<Ipv4Interface> LocalIpv4Interfaces() {
  std::vector<Ipv4Interface> found;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return found;
  for (const ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || !i->ifa_netmask || i->ifa_addr->sa_family != AF_INET) continue;
    if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
    found.push_back({ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr),
                     ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr)});
  }
  ::freeifaddrs(list);
  return found;
}

int PortableSocketError(int systemCode) { return systemCode; }

std::string SocketErrorText(int code) { return std::strerror(code); }

}  // namespace nr
