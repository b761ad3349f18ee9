#include <winsock2.h>
#include <ws2tcpip.h>

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

bool Wait(SOCKET s, bool write, int timeoutMs) {
  fd_set set, failed;
  FD_ZERO(&set);
  FD_ZERO(&failed);
  FD_SET(s, &set);
  FD_SET(s, &failed);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return ::select(0, write ? nullptr : &set, write ? &set : nullptr, &failed, &tv) > 0 && FD_ISSET(s, &set);
}

}  // namespace

SocketHandle ListenOnLoopback(uint16_t port, int backlog, uint16_t& bound, uint32_t address) {
  PrepareSockets();
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kNoSocket;
  sockaddr_in addr = Loopback(port, address);
  if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(s, backlog) != 0) {
    ::closesocket(s);
    return kNoSocket;
  }
  int length = sizeof addr;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &length);
  bound = ntohs(addr.sin_port);
  return static_cast<SocketHandle>(s);
}

SocketHandle AcceptWithin(SocketHandle listener, int timeoutMs) {
  if (!Wait(static_cast<SOCKET>(listener), false, timeoutMs)) return kNoSocket;
  const SOCKET s = ::accept(static_cast<SOCKET>(listener), nullptr, nullptr);
  return s == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(s);
}

SocketHandle ConnectToLoopback(uint16_t port, int receiveBuffer) {
  PrepareSockets();
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kNoSocket;
  if (receiveBuffer > 0)
    ::setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
  const sockaddr_in addr = Loopback(port);
  if (::connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    ::closesocket(s);
    return kNoSocket;
  }
  return static_cast<SocketHandle>(s);
}

bool ConnectCompletes(SocketHandle socket, int timeoutMs) { return Wait(static_cast<SOCKET>(socket), true, timeoutMs); }

}  // namespace nr::test
