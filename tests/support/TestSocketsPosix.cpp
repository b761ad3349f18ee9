#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/TestSockets.h"

namespace nr::test {
namespace {

sockaddr_in Loopback(uint16_t port, uint32_t address = INADDR_LOOPBACK) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(address);
  addr.sin_port = htons(port);
  return addr;
}

}  // namespace

SocketHandle ListenOnLoopback(uint16_t port, int backlog, uint16_t& bound, uint32_t address) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return kNoSocket;
  const int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr = Loopback(port, address);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, backlog) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  socklen_t length = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  bound = ntohs(addr.sin_port);
  return fd;
}

SocketHandle AcceptWithin(SocketHandle listener, int timeoutMs) {
  pollfd p{static_cast<int>(listener), POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) != 1) return kNoSocket;
  const int fd = ::accept(static_cast<int>(listener), nullptr, nullptr);
  return fd < 0 ? kNoSocket : fd;
}

SocketHandle ConnectToLoopback(uint16_t port, int receiveBuffer) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return kNoSocket;
  if (receiveBuffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  const sockaddr_in addr = Loopback(port);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return kNoSocket;
  }
  return fd;
}

bool ConnectCompletes(SocketHandle socket, int timeoutMs) {
  pollfd p{static_cast<int>(socket), POLLOUT, 0};
  return ::poll(&p, 1, timeoutMs) > 0;
}

}  // namespace nr::test
