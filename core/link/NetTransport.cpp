// The network half of the link: connecting with a time-out, the receive thread (heartbeat echo,
// host-busy notice, frame reassembly), the send-queue writer, the silence watchdog and closing.
// Asio makes the connection; the connected socket is then driven directly (link/Socket.h) so
// each thread can wait with a time-out and notice a close promptly.
#include <asio.hpp>
#include <cerrno>
#include <cstring>
#include <vector>

#include "link/Answers.h"
#include "link/Commands.h"
#include "link/LinkInternals.h"
#include "link/NetChunk.h"
#include "link/Socket.h"

namespace nr {

Link::NetConnection::~NetConnection() {
  if (socket != kNoSocket) CloseSocket(socket);
}

class Link::NetListener : public NetChunkListener {
 public:
  NetListener(Link& link, NetConnection& net) : link_(link), net_(net) {}
  void EchoHeartbeat() override {
    link_.SendRaw(net_, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(kHeartbeat.data()), kHeartbeat.size()));
  }
  void HostBusy() override { link_.events_.HostBusy(); }
  // Routes a payload by its channel: device answers to the dispatcher, where they also pace the
  // send queue; Z-Wave traffic to the smart-home side, which is no answer to anything we sent.
  void OnPayload(std::span<const uint8_t> payload) override {
    const uint8_t channel = payload[0];
    if (channel == kNetPrefixZWave) {
      TraceBytes(link_.trace_, "NetRecv Z-Wave:", payload.subspan(1));
      link_.events_.ZWaveChannelPayload(payload.subspan(1));
      return;
    }
    if (channel != kNetPrefixDevice) {
      TraceBytes(link_.trace_, "NetRecv unknown channel, dropped:", payload);
      return;
    }
    if (payload.size() < 2 || MayAnswerARequest(payload[1])) {
      {
        std::lock_guard lock(link_.queueMutex_);
        link_.awaitingAnswer_ = false;
      }
      link_.queueCv_.notify_all();
    }
    link_.dispatcher_.DispatchPacket(payload);
  }

 private:
  Link& link_;
  NetConnection& net_;
};

namespace {

constexpr std::chrono::milliseconds kConnectStep{20};

// Connects within the time-out; returns the connected socket, or kNoSocket with the error code
// (0 when the name could not be resolved: that is no socket error). Every resolved address is
// tried in turn, so "localhost" works whether it means 127.0.0.1 or ::1.
SocketHandle ConnectSocket(const std::string& address, uint16_t port, std::chrono::milliseconds timeout,
                  const std::function<bool()>& stop, int& error) {
  PrepareSockets();
  asio::io_context io;
  asio::error_code ec;
  std::vector<asio::ip::tcp::endpoint> endpoints;
  const asio::ip::address ip = asio::ip::make_address(address, ec);
  if (!ec) {
    endpoints.emplace_back(ip, port);
  } else {
    asio::ip::tcp::resolver resolver(io);
    auto results = resolver.resolve(address, std::to_string(port), ec);
    if (ec || results.empty()) {
      error = 0;
      return kNoSocket;
    }
    for (const auto& r : results) endpoints.push_back(r.endpoint());
  }
  error = 0;
  for (const asio::ip::tcp::endpoint& endpoint : endpoints) {
    asio::ip::tcp::socket socket(io);
    bool done = false;
    asio::error_code result;
    socket.async_connect(endpoint, [&](const asio::error_code& e) {
      result = e;
      done = true;
    });
    // In short steps, so a stop is noticed at once.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool stopped = false;
    while (!done && std::chrono::steady_clock::now() < deadline) {
      if (stop && stop()) {
        stopped = true;
        break;
      }
      io.restart();
      io.run_for(std::min<std::chrono::steady_clock::duration>(kConnectStep, deadline - std::chrono::steady_clock::now()));
    }
    if (!done) {
      socket.close(ec);
      io.restart();
      io.poll();  // let the cancelled handler run before the socket goes away
      error = stopped ? ECANCELED : ETIMEDOUT;
      if (stopped) return kNoSocket;
      continue;
    }
    if (result) {
      error = PortableSocketError(result.value());
      continue;
    }
    const auto native = socket.release(ec);
    if (ec) {
      error = PortableSocketError(ec.value());
      continue;
    }
    const auto connected = static_cast<SocketHandle>(native);
    SetNoDelay(connected);  // small frames must not wait
    return connected;
  }
  return kNoSocket;
}

}  // namespace

void Link::SetNetTarget(std::string address, uint16_t port) {
  std::lock_guard lock(connMutex_);
  netAddress_ = std::move(address);
  netPort_ = port;
}

std::string Link::NetAddress() const {
  std::lock_guard lock(connMutex_);
  return netAddress_;
}

uint16_t Link::NetPort() const {
  std::lock_guard lock(connMutex_);
  return netPort_;
}

int Link::NetConnect(const std::function<bool()>& stop) {
  CloseUsbInternal(false);
  state_.network = true;
  std::shared_ptr<NetConnection> previous;
  {
    std::lock_guard lock(connMutex_);
    previous = net_;
  }
  if (previous) CloseNetConnection(previous, false);
  threads_.Join(false);
  {
    std::lock_guard lock(queueMutex_);
    queue_.Clear();
    awaitingAnswer_ = false;
    unanswered_.clear();  // a new connection answers for its own writes only
  }
  int error = 0;
  const SocketHandle socket = ConnectSocket(NetAddress(), NetPort(), config_.connectTimeout, stop, error);
  if (socket == kNoSocket) return error;

  auto net = std::make_shared<NetConnection>();
  net->socket = socket;
  net->lastReceiveMs = SteadyMillis();
  {
    std::lock_guard lock(connMutex_);
    net_ = net;
  }
  sendMode_ = SendMode::kQueued;
  answer_.Set();
  state_.readThreadEnd = false;
  state_.connected = true;
  threads_.Start([this, net] { NetReceiveLoop(net); });
  threads_.Start([this, net] { NetWriteLoop(net); });
  threads_.Start([this, net] { NetWatchdogLoop(net); });
  return 1;
}

int Link::SendRaw(NetConnection& net, std::span<const uint8_t> bytes) {
  std::lock_guard lock(net.sendMutex);
  size_t sent = 0;
  while (sent < bytes.size()) {
    const long n = SendSome(net.socket, bytes.subspan(sent));
    if (n <= 0) return -1;
    sent += static_cast<size_t>(n);
  }
  return static_cast<int>(sent);
}

int Link::NetSendNow(std::span<const uint8_t> prefixedPayload, bool synchronous) {
  std::shared_ptr<NetConnection> net;
  {
    std::lock_guard lock(connMutex_);
    net = net_;
  }
  if (!net || !state_.connected) return 0;
  const NetFrame frame = BuildNetFrame(prefixedPayload);
  if (frame.size == 0) return 0;
  if (synchronous && !answer_.Wait(config_.answerTimeout)) Trace(trace_, "NetSendSync WaitObject Time Out \r\n ");
  WaitOutGap();
  int sent;
  {
    std::lock_guard lock(writeLock_);
    sent = SendRaw(*net, frame.span());
  }
  if (!NetPayloadAnsweredAtOnce(prefixedPayload)) {
    StartGap();
    if (synchronous) answer_.Set();  // nothing will answer this one
  }
  return sent;
}

void Link::NetReceiveLoop(std::shared_ptr<NetConnection> net) {
  state_.readThreadEnd = false;
  RxReassembler rx(trace_);
  NetListener listener(*this, *net);
  std::array<uint8_t, kNetBufferSize> chunk{};
  bool failed = false;
  while (net->open) {
    const int ready = WaitReadable(net->socket, 100);
    if (ready == 0) continue;
    const long n = ready < 0 ? -1 : ReceiveSome(net->socket, chunk);
    if (n <= 0) {
      if (net->open) {
        Trace(trace_, "NetRecv Error \n");
        failed = true;
      }
      break;
    }
    net->lastReceiveMs = SteadyMillis();
    net->missCounter = 0;  // any traffic proves the peer alive
    HandleNetChunk(std::span<const uint8_t>(chunk.data(), static_cast<size_t>(n)), rx, listener);
  }
  if (failed) {
    state_.pollingAllowed = false;
    state_.readThreadEnd = true;
    answer_.Set();
    if (net->open) {
      CloseNetConnection(net, false);
      events_.ConnectionLost();
    }
  }
  Trace(trace_, "End thread: RecvThreadProc \n");
}

void Link::NetWriteLoop(std::shared_ptr<NetConnection> net) {
  while (net->open) {
    std::optional<SendQueue::Entry> entry;
    bool answered;
    {
      std::unique_lock lock(queueMutex_);
      if (awaitingAnswer_ &&
          !queueCv_.wait_for(lock, config_.answerTimeout, [&] { return !awaitingAnswer_ || !net->open; })) {
        // Given up on: the queue moves on, and whoever waits for the writes learns which one.
        Trace(trace_, "NetWriteThreadProc answer time out\n");
        NoteUnanswered(inFlight_.bytes().subspan(1));
        awaitingAnswer_ = false;
      }
      queueCv_.wait(lock, [&] { return !queue_.empty() || !net->open; });
      if (!net->open) break;
      entry = queue_.PopFront();
      inFlight_ = *entry;
      ++queueSends_;
      answered = NetPayloadAnsweredAtOnce(entry->bytes());
      awaitingAnswer_ = answered;
      writingUnanswered_ = !answered;
    }
    WaitOutGap();
    const NetFrame frame = BuildNetFrame(entry->bytes());
    if (frame.size) SendRaw(*net, frame.span());
    if (!answered) {
      StartGap();
      {
        std::lock_guard lock(queueMutex_);
        writingUnanswered_ = false;
      }
      queueCv_.notify_all();
    }
  }
  Trace(trace_, "End thread: NetWriteThreadProc \n");
}

void Link::NetWatchdogLoop(std::shared_ptr<NetConnection> net) {
  while (net->open) {
    if (SteadyMillis() - net->lastReceiveMs > config_.silenceLimit.count()) {
      if (++net->missCounter > config_.silenceTicks) {
        if (net->open) {
          CloseNetConnection(net, false);
          events_.HeartbeatLost();
        }
        break;
      }
    }
    std::unique_lock lock(net->wakeMutex);
    net->wake.wait_for(lock, std::chrono::milliseconds(100), [&] { return !net->open; });
  }
  Trace(trace_, "End thread: NetTimeoutThreadProc \n");
}

void Link::CloseNetConnection(const std::shared_ptr<NetConnection>& net, bool notify) {
  if (notify && net->open) {
    const uint8_t bye[] = {kNetPrefixDevice, cmd::kCloseSession};
    const NetFrame frame = BuildNetFrame(bye);
    WaitOutGap();
    SendRaw(*net, frame.span());
  }
  if (!net->open.exchange(false)) return;
  dispatcher_.LinkClosed();
  bool current;
  {
    std::lock_guard lock(connMutex_);
    current = net_ == net;
    if (current) net_.reset();
  }
  if (current) state_.connected = false;
  model_.Update([](DeviceState& s) { s.status.Clear(); });
  ShutdownSocket(net->socket);  // wakes the receiver; the descriptor closes with its last user
  {
    std::lock_guard lock(queueMutex_);
    queue_.Clear();
    awaitingAnswer_ = false;
  }
  queueCv_.notify_all();
  {
    std::lock_guard lock(net->wakeMutex);
  }
  net->wake.notify_all();
}

void Link::NetClose(bool notify) {
  std::shared_ptr<NetConnection> net;
  {
    std::lock_guard lock(connMutex_);
    net = net_;
  }
  if (net) CloseNetConnection(net, notify);
}

}  // namespace nr
