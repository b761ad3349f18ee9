#pragma once
// The socket calls the tests make besides those of link/Socket.h: a loopback listener, accept with
// a time-out, a blocking loopback client. TestSocketsPosix.cpp and TestSocketsWindows.cpp.
#include <cstdint>

#include "link/Socket.h"

namespace nr::test {

// Listens on 127.0.0.1:port, or another loopback address (host byte order), (0: any free port) with the given backlog; the port it got in bound.
SocketHandle ListenOnLoopback(uint16_t port, int backlog, uint16_t& bound, uint32_t address = 0x7F000001);
// The next connection within timeoutMs, or kNoSocket.
SocketHandle AcceptWithin(SocketHandle listener, int timeoutMs);
// A blocking connect to 127.0.0.1:port, with a receive buffer of that size when it is not 0.
SocketHandle ConnectToLoopback(uint16_t port, int receiveBuffer = 0);
// Whether a connect StartConnect began completes within timeoutMs.
bool ConnectCompletes(SocketHandle socket, int timeoutMs);

}  // namespace nr::test
