// Sockets on Windows: Winsock, started once. The subnet scan's batches wait with select, which
// (unlike WSAPoll before Windows 10 2004) also reports a refused non-blocking connect.
#define FD_SETSIZE 1024  // a scan batch in one select; before winsock2.h
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "link/Socket.h"

namespace nr {
namespace {

SOCKET Native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

// Winsock for the life of the process, started by the first caller.
class Winsock {
 public:
  Winsock() {
    WSADATA data{};
    ready_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~Winsock() {
    if (ready_) ::WSACleanup();
  }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;

 private:
  bool ready_ = false;
};

std::string Utf8(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<size_t>(size - 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

void PrepareSockets() {
  static const Winsock winsock;  // constructed once, by whichever thread comes first
}

std::optional<uint32_t> ParseIpv4(const std::string& text) {
  PrepareSockets();
  in_addr a{};
  if (::inet_pton(AF_INET, text.c_str(), &a) != 1) return std::nullopt;
  return ntohl(a.s_addr);
}

bool IsIpv6Text(const std::string& text) {
  PrepareSockets();
  in6_addr a{};
  return ::inet_pton(AF_INET6, text.c_str(), &a) == 1;
}

std::string Ipv4Text(uint32_t address) {
  // Formatted here: inet_ntop needs a started Winsock, and the dotted form needs nothing.
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

void SetNoDelay(SocketHandle socket) {
  const BOOL one = TRUE;
  ::setsockopt(Native(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

int WaitReadable(SocketHandle socket, int timeoutMs) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Native(socket), &readable);
  timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int ready = ::select(0, &readable, nullptr, nullptr, &wait);
  if (ready == SOCKET_ERROR) return -1;
  return ready > 0 ? 1 : 0;
}

long SendSome(SocketHandle socket, std::span<const uint8_t> bytes) {
  const int size = static_cast<int>(std::min<size_t>(bytes.size(), 1 << 30));
  const int n = ::send(Native(socket), reinterpret_cast<const char*>(bytes.data()), size, 0);
  return n == SOCKET_ERROR ? -1 : n;
}

long ReceiveSome(SocketHandle socket, std::span<uint8_t> buffer) {
  const int size = static_cast<int>(std::min<size_t>(buffer.size(), 1 << 30));
  const int n = ::recv(Native(socket), reinterpret_cast<char*>(buffer.data()), size, 0);
  return n == SOCKET_ERROR ? -1 : n;
}

void ShutdownSocket(SocketHandle socket) { ::shutdown(Native(socket), SD_BOTH); }

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) ::closesocket(Native(socket));
}

SocketHandle StartConnect(uint32_t address, uint16_t port) {
  PrepareSockets();
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(address);
  const SOCKET s = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return kNoSocket;
  u_long nonBlocking = 1;
  if (::ioctlsocket(s, FIONBIO, &nonBlocking) == 0 &&
      (::connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 || ::WSAGetLastError() == WSAEWOULDBLOCK))
    return static_cast<SocketHandle>(s);
  ::closesocket(s);
  return kNoSocket;
}

std::vector<bool> FinishConnects(std::span<const SocketHandle> sockets, std::chrono::milliseconds timeout) {
  std::vector<bool> accepted(sockets.size(), false);
  std::vector<bool> open(sockets.size(), false);
  size_t left = 0;
  for (size_t i = 0; i < sockets.size(); ++i) left += (open[i] = sockets[i] != kNoSocket) ? 1 : 0;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (left > 0) {
    const auto wait = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    if (wait.count() <= 0) break;
    // select takes FD_SETSIZE sockets at most: the rest wait for the next round.
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    for (size_t i = 0, n = 0; i < sockets.size() && n < FD_SETSIZE; ++i) {
      if (!open[i]) continue;
      FD_SET(Native(sockets[i]), &writable);
      FD_SET(Native(sockets[i]), &failed);
      ++n;
    }
    timeval tv{static_cast<long>(wait.count() / 1000000), static_cast<long>(wait.count() % 1000000)};
    const int ready = ::select(0, nullptr, &writable, &failed, &tv);
    if (ready <= 0) break;
    for (size_t i = 0; i < sockets.size(); ++i) {
      if (!open[i]) continue;
      const bool ok = FD_ISSET(Native(sockets[i]), &writable) != 0;
      if (!ok && !FD_ISSET(Native(sockets[i]), &failed)) continue;
      accepted[i] = ok;
      ::closesocket(Native(sockets[i]));
      open[i] = false;
      --left;
    }
  }
  for (size_t i = 0; i < sockets.size(); ++i)
    if (open[i]) ::closesocket(Native(sockets[i]));
  return accepted;
}

std::vector<Ipv4Interface> LocalIpv4Interfaces() {
  std::vector<Ipv4Interface> found;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG rc = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    rc = ::GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (rc != NO_ERROR) return found;
  for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
    if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
    for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u; u = u->Next) {
      if (!u->Address.lpSockaddr || u->Address.lpSockaddr->sa_family != AF_INET) continue;
      const int prefix = std::min<int>(u->OnLinkPrefixLength, 32);
      const uint32_t mask = prefix == 0 ? 0 : ~uint32_t{0} << (32 - prefix);
      found.push_back({ntohl(reinterpret_cast<const sockaddr_in*>(u->Address.lpSockaddr)->sin_addr.s_addr), mask});
    }
  }
  return found;
}

int PortableSocketError(int systemCode) {
  switch (systemCode) {
    case WSAECONNREFUSED: return ECONNREFUSED;
    case WSAETIMEDOUT: return ETIMEDOUT;
    case WSAEHOSTUNREACH: return EHOSTUNREACH;
    case WSAENETUNREACH: return ENETUNREACH;
    case WSAECONNRESET: return ECONNRESET;
    case WSAECONNABORTED: return ECONNABORTED;
    case WSAEADDRNOTAVAIL: return EADDRNOTAVAIL;
    case WSAENETDOWN: return ENETDOWN;
    case WSAEACCES: return EACCES;
    case WSA_OPERATION_ABORTED: case WSAEINTR: return ECANCELED;
    default: return systemCode;
  }
}

std::string SocketErrorText(int code) {
  // The C library of Windows has no words for the socket errno values; these are Linux's.
  switch (code) {
    case ECONNREFUSED: return "Connection refused";
    case ETIMEDOUT: return "Connection timed out";
    case EHOSTUNREACH: return "No route to host";
    case ENETUNREACH: return "Network is unreachable";
    case ECONNRESET: return "Connection reset by peer";
    case ECONNABORTED: return "Software caused connection abort";
    case EADDRNOTAVAIL: return "Cannot assign requested address";
    case ENETDOWN: return "Network is down";
    case EACCES: return "Permission denied";
    case ECANCELED: return "Operation canceled";
    default: break;
  }
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out = n && text ? Utf8(text) : "error " + std::to_string(code);
  if (text) ::LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.')) out.pop_back();
  return out;
}

}  // namespace nr
