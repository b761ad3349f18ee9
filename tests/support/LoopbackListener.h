#pragma once
// Peers on the loopback interface that are no device: a listener that accepts and never says a
// word, and one whose backlog is full, which drops every further connection attempt so that a
// connect to it waits as one to a switched-off device does. Never an address outside loopback.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace nr::test {

class LoopbackListener {
 public:
  enum Kind { kSilent, kFullBacklog };

  // port 0: any free port.
  explicit LoopbackListener(Kind kind, uint16_t port = 0) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd_, kind == kFullBacklog ? 0 : 16) != 0) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    socklen_t length = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length);
    port_ = ntohs(addr.sin_port);
    if (kind == kFullBacklog) FillBacklog(addr);
  }
  ~LoopbackListener() {
    for (int fd : fillers_) ::close(fd);
    if (fd_ >= 0) ::close(fd_);
  }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  bool Ok() const { return fd_ >= 0; }
  uint16_t Port() const { return port_; }

 private:
  // Connects until a connection no longer completes: from then on the listener drops new ones.
  void FillBacklog(const sockaddr_in& addr) {
    for (int i = 0; i < 64; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      fillers_.push_back(fd);
      ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, 200) == 0) return;  // this one hangs: the backlog is full
    }
  }

  int fd_ = -1;
  uint16_t port_ = 0;
  std::vector<int> fillers_;
};

}  // namespace nr::test
