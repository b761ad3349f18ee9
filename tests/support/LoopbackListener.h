#pragma once
// Peers on the loopback interface that are no device: a listener that accepts and never says a
// word, and one whose backlog is full, which drops every further connection attempt so that a
// connect to it waits as one to a switched-off device does. Never an address outside loopback.
#include <cstdint>
#include <vector>

#include "support/TestSockets.h"

namespace nr::test {

class LoopbackListener {
 public:
  enum Kind { kSilent, kFullBacklog };

  // port 0: any free port.
  explicit LoopbackListener(Kind kind, uint16_t port = 0) {
    socket_ = ListenOnLoopback(port, kind == kFullBacklog ? 0 : 16, port_);
    if (socket_ != kNoSocket && kind == kFullBacklog) FillBacklog();
  }
  ~LoopbackListener() {
    for (SocketHandle s : fillers_) CloseSocket(s);
    if (socket_ != kNoSocket) CloseSocket(socket_);
  }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  bool Ok() const { return socket_ != kNoSocket; }
  uint16_t Port() const { return port_; }

 private:
  // Connects until a connection no longer completes: from then on the listener drops new ones.
  void FillBacklog() {
    for (int i = 0; i < 64; ++i) {
      const SocketHandle s = StartConnect(0x7F000001, port_);
      if (s == kNoSocket) return;
      fillers_.push_back(s);
      if (!ConnectCompletes(s, 200)) return;  // this one hangs: the backlog is full
    }
  }

  SocketHandle socket_ = kNoSocket;
  uint16_t port_ = 0;
  std::vector<SocketHandle> fillers_;
};

}  // namespace nr::test
