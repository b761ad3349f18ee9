#pragma once
// The few socket calls the link, the subnet scan and the address checks make, the same on every
// system. The system's half lives in SocketPosix.cpp or SocketWindows.cpp (name lookup, the same
// everywhere, in Socket.cpp); Windows sets up Winsock once, inside, before the first call needs it.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace nr {

// A socket as the system knows it (a descriptor, or a Winsock SOCKET).
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

// Sockets are ready to use (Winsock started; on Linux there is nothing to do). Every function
// below calls it; code that hands sockets to another library (Asio) calls it first itself.
void PrepareSockets();

// Dotted IPv4 text to the address in host byte order; nullopt when the text is none.
std::optional<uint32_t> ParseIpv4(const std::string& text);
bool IsIpv6Text(const std::string& text);  // without a zone
std::string Ipv4Text(uint32_t address);

// The numeric addresses of a host (a numeric address is its own), so that name-lookup failures
// get their own message instead of a socket error number that means something else, and a name
// with several addresses (localhost: ::1 and 127.0.0.1) can be tried at each. false with the
// resolver's words in error.
bool ResolveHost(const std::string& host, std::vector<std::string>& addresses, std::string& error);

// A connected socket taken over from Asio: small frames go out at once.
void SetNoDelay(SocketHandle socket);
// Waits up to timeoutMs for something to read (or the peer closing): 1 when there is, 0 when
// the time ran out or a signal came, -1 when the socket failed.
int WaitReadable(SocketHandle socket, int timeoutMs);
// Sends what it can (never raising SIGPIPE), retrying interruptions: the count, or -1.
long SendSome(SocketHandle socket, std::span<const uint8_t> bytes);
// Receives what has come, retrying interruptions: the count, 0 when the peer closed, -1 on failure.
long ReceiveSome(SocketHandle socket, std::span<uint8_t> buffer);
// Stops both directions, waking a thread that waits on the socket; the handle stays open.
void ShutdownSocket(SocketHandle socket);
void CloseSocket(SocketHandle socket);

// Non-blocking connects for the subnet scan: started all at once, then waited for together.
// StartConnect gives kNoSocket when no socket could be made or the address refused at once.
SocketHandle StartConnect(uint32_t address, uint16_t port);
// Which of the started connects were accepted within the time-out; closes every socket.
std::vector<bool> FinishConnects(std::span<const SocketHandle> sockets, std::chrono::milliseconds timeout);

// The PC's IPv4 interfaces that are up, loopback left out.
struct Ipv4Interface {
  uint32_t address = 0;  // host byte order
  uint32_t mask = 0;
};
std::vector<Ipv4Interface> LocalIpv4Interfaces();

// A connect's error code as the rest of the core reads it: the errno values ECONNREFUSED,
// ETIMEDOUT, EHOSTUNREACH, ENETUNREACH, ... (Winsock's own numbers are turned into them).
int PortableSocketError(int systemCode);
// Words for such a code ("Connection refused").
std::string SocketErrorText(int code);

}  // namespace nr
