// Asio orders handler memory with standalone fences, which ThreadSanitizer cannot model, and GCC
// warns about each one. The fences sit beside asio's own locks, which the sanitizer does see, so
// the warning says nothing about this code. It must be silenced before the first header.
#if defined(__SANITIZE_THREAD__) && defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wtsan"
#endif

#include "emu/NetServer.h"

#include <asio.hpp>
#include <atomic>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

#include "emu/Garbage.h"
#include "emu/InboundStream.h"
#include "emu/ReplyFaults.h"
#include "link/Commands.h"
#include "link/FrameCodec.h"

namespace nr::emu {
namespace {

using asio::ip::tcp;
using ErrorCode = std::error_code;

// Housekeeping period of a session: delayed answers, learned keys, heartbeat, fault deadlines.
constexpr Millis kTick{20};
// The PC recognises the heartbeat only at the start of a received chunk, so it is sent only
// after the line has been quiet for a moment; under constant traffic it waits at most this long.
constexpr Millis kHeartbeatQuietGap{40};
constexpr Millis kHeartbeatMaxDefer{2000};

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

}  // namespace

class NetServer::Impl {
 public:
  Impl(DeviceCore& core, EmulatorOptions options)
      : core_(core), options_(std::move(options)), acceptor_(io_) {}

  ~Impl() { Stop(); }

  bool Start(std::string* error);
  void Stop();

  DeviceCore& core_;
  const EmulatorOptions options_;
  std::atomic<uint16_t> port_{0};
  std::string address_;
  std::atomic<bool> connected_{false};
  std::atomic<int> served_{0};
  std::atomic<int> turnedAway_{0};
  std::atomic<int> letGo_{0};

 private:
  class Session;

  void Accept();
  void Serve(tcp::socket socket);
  void TurnAway(tcp::socket socket);
  void Shutdown();
  void OnSessionClosed(Session* session);

  // Declared before the acceptor, sessions and sockets, which belong to it and must go first.
  asio::io_context io_;
  tcp::acceptor acceptor_;
  std::thread thread_;
  std::mutex lifecycle_;
  bool started_ = false;

  // Owned by the server thread.
  bool stopping_ = false;
  std::shared_ptr<Session> session_;
  std::list<std::shared_ptr<tcp::socket>> busySockets_;
};

// One served client. Lives on the server thread only.
class NetServer::Impl::Session : public std::enable_shared_from_this<Session>, private FrameHandler {
 public:
  Session(Impl& server, tcp::socket socket)
      : server_(server),
        socket_(std::move(socket)),
        timer_(socket_.get_executor()),
        answerTimer_(socket_.get_executor()),
        inbound_(server.options_.trace),
        start_(Clock::now()),
        faults_(server.options_, start_),
        replyFaults_(server.options_),
        id_(server.core_.OpenSession()),
        garbage_(static_cast<uint32_t>(id_)),
        nextHeartbeat_(start_ + server.options_.heartbeatInterval),
        lastWrite_(start_),
        lastHeard_(start_) {}

  void Start() {
    ErrorCode ec;
    socket_.set_option(tcp::no_delay(true), ec);
    Read();
    ArmTimer();
  }

  void Close() {
    if (closed_) return;
    auto self = shared_from_this();
    closed_ = true;
    ErrorCode ec;
    socket_.shutdown(tcp::socket::shutdown_both, ec);
    socket_.close(ec);
    timer_.cancel();
    answerTimer_.cancel();
    server_.core_.CloseSession(id_);
    server_.OnSessionClosed(this);
  }

 private:
  TraceSink* trace() const { return server_.options_.trace; }

  void Read() {
    socket_.async_read_some(asio::buffer(readBuffer_), [this, self = shared_from_this()](ErrorCode ec, size_t n) {
      if (closed_) return;
      if (ec) {
        Close();
        return;
      }
      lastHeard_ = Clock::now();
      inbound_.Feed(std::span<const uint8_t>(readBuffer_.data(), n), *this);
      if (!closed_) Read();
    });
  }

  // One good frame from the PC: channel prefix first.
  void OnPayload(std::span<const uint8_t> payload) override {
    if (closed_) return;
    const Clock::time_point now = Clock::now();
    TraceBytes(trace(), "emu <- ", payload);
    const uint8_t channel = payload[0];
    const std::span<const uint8_t> body = payload.subspan(1);
    // A silent device still takes the bytes off the wire but does nothing with them.
    if ((channel != kNetPrefixDevice && channel != kNetPrefixZWave) || faults_.Silent(now)) {
      server_.core_.Record(channel, body, now);
      return;
    }
    // The Z-Wave channel goes to the controller, whose answers come back as replies 12.
    const bool zwave = channel == kNetPrefixZWave;
    CoreResult result = zwave ? server_.core_.HandleZWave(body, id_, now) : server_.core_.Handle(body, id_, now);
    if (!zwave) replyFaults_.Apply(body, result.replies);
    const uint8_t code = zwave ? cmd::kZWaveFrame : (body.empty() ? 0 : body[0]);
    if (!body.empty() && faults_.Answers(code))
      for (Bytes& reply : result.replies) outbox_.push_back({faults_.DueTime(now), std::move(reply)});
    if (result.endSession) {
      Close();
      return;
    }
    Flush(now);
  }

  void ArmTimer() {
    timer_.expires_after(kTick);
    timer_.async_wait([this, self = shared_from_this()](ErrorCode ec) {
      if (ec || closed_) return;
      Tick();
      if (!closed_) ArmTimer();
    });
  }

  void Tick() {
    const Clock::time_point now = Clock::now();
    if (faults_.Dropped(now)) {
      Close();
      return;
    }
    if (now - lastHeard_ > server_.options_.clientWatchdog) {
      const auto silent = std::chrono::duration_cast<Millis>(now - lastHeard_).count();
      LetGo("the client has sent nothing for " + std::to_string(silent) + " ms");
      return;
    }
    for (Bytes& report : server_.core_.TakeDue(id_, now))
      if (!faults_.Silent(now) && faults_.Answers(report[0]))
        outbox_.push_back({faults_.DueTime(now), std::move(report)});
    Flush(now);
    Heartbeat(now);
  }

  // Sends the answers whose time has come, in the order they were made, and wakes up exactly
  // when the next one is due (the latency is the same for all, so the first is due first).
  void Flush(Clock::time_point now) {
    const bool silent = faults_.Silent(now);
    while (!closed_ && !outbox_.empty() && outbox_.front().first <= now) {
      if (!silent) SendReply(outbox_.front().second);
      outbox_.pop_front();
    }
    if (outbox_.empty() || answerTimerArmed_) return;
    answerTimerArmed_ = true;
    answerTimer_.expires_at(outbox_.front().first);
    answerTimer_.async_wait([this, self = shared_from_this()](ErrorCode ec) {
      answerTimerArmed_ = false;
      if (ec || closed_) return;
      Flush(Clock::now());
    });
  }

  void Heartbeat(Clock::time_point now) {
    if (faults_.Silent(now) || now < nextHeartbeat_) return;
    const bool quiet = !writing_ && writes_.empty() && now - lastWrite_ >= kHeartbeatQuietGap;
    if (!quiet && now - nextHeartbeat_ < kHeartbeatMaxDefer) return;
    Send(ToBytes(kHeartbeat));
    nextHeartbeat_ = now + server_.options_.heartbeatInterval;
  }

  void SendReply(const Bytes& reply) {
    if (server_.options_.garbage) {
      if (auto junk = garbage_.Next()) Send(std::move(*junk));
    }
    TraceBytes(trace(), "emu -> ", reply);
    const NetFrame frame = BuildNetFrame(kNetPrefixDevice, reply);
    Send(Bytes(frame.bytes.begin(), frame.bytes.begin() + static_cast<long>(frame.size)));
  }

  // Queues bytes for the socket; each queued item is written whole, one after the other. A
  // client that does not read cannot make the queue grow without end: it is let go instead.
  void Send(Bytes bytes) {
    if (closed_) return;
    if (unreadBytes_ + bytes.size() > server_.options_.maxUnreadBytes) {
      LetGo("the client has left " + std::to_string(unreadBytes_) + " bytes of answers unread");
      return;
    }
    unreadBytes_ += bytes.size();
    writes_.push_back(std::move(bytes));
    if (!writing_) WriteNext();
  }

  void LetGo(const std::string& why) {
    Trace(server_.options_.notices, "nremu: ended the session: " + why + "\n");
    ++server_.letGo_;
    Close();
  }

  void WriteNext() {
    writing_ = true;
    asio::async_write(socket_, asio::buffer(writes_.front()), [this, self = shared_from_this()](ErrorCode ec, size_t) {
      writing_ = false;
      lastWrite_ = Clock::now();
      if (closed_) return;
      if (ec) {
        Close();
        return;
      }
      unreadBytes_ -= writes_.front().size();
      writes_.pop_front();
      if (!writes_.empty()) WriteNext();
    });
  }

  Impl& server_;
  tcp::socket socket_;
  asio::steady_timer timer_;        // housekeeping tick
  asio::steady_timer answerTimer_;  // the next delayed answer
  bool answerTimerArmed_ = false;
  std::array<uint8_t, 512> readBuffer_{};
  InboundStream inbound_;
  const Clock::time_point start_;
  const SessionFaults faults_;
  ReplyFaults replyFaults_;
  const DeviceCore::SessionId id_;
  GarbageFrames garbage_;
  std::deque<std::pair<Clock::time_point, Bytes>> outbox_;  // answers waiting out the latency
  std::deque<Bytes> writes_;                                // bytes on their way to the socket
  size_t unreadBytes_ = 0;                                  // the bytes in writes_
  bool writing_ = false;
  bool closed_ = false;
  Clock::time_point nextHeartbeat_;
  Clock::time_point lastWrite_;
  Clock::time_point lastHeard_;  // the last bytes from the client
};

bool NetServer::Impl::Start(std::string* error) {
  std::lock_guard lock(lifecycle_);
  const auto fail = [&](const std::string& why) {
    if (error) *error = why;
    ErrorCode ignored;
    acceptor_.close(ignored);
    return false;
  };
  if (started_) return fail("the server was started before");
  ErrorCode ec;
  const asio::ip::address address = asio::ip::make_address(options_.bindAddress, ec);
  if (ec) return fail("not an IP address: " + options_.bindAddress);
  const tcp::endpoint endpoint(address, options_.port);
  acceptor_.open(endpoint.protocol(), ec);
  if (!ec) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
  if (!ec) acceptor_.bind(endpoint, ec);
  if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) return fail("cannot listen on " + options_.bindAddress + ":" + std::to_string(options_.port) + ": " +
                      ec.message());
  const tcp::endpoint bound = acceptor_.local_endpoint(ec);
  port_ = bound.port();
  address_ = bound.address().to_string();
  started_ = true;
  Accept();
  thread_ = std::thread([this] { io_.run(); });
  return true;
}

void NetServer::Impl::Stop() {
  std::lock_guard lock(lifecycle_);
  if (!thread_.joinable()) return;
  // Closing everything cancels every pending operation; once their handlers have run the
  // context has no work left and the thread ends by itself.
  asio::post(io_, [this] { Shutdown(); });
  thread_.join();
}

void NetServer::Impl::Accept() {
  acceptor_.async_accept([this](ErrorCode ec, tcp::socket socket) {
    if (stopping_ || ec == asio::error::operation_aborted) return;
    if (!ec) {
      if (session_)
        TurnAway(std::move(socket));
      else
        Serve(std::move(socket));
    }
    Accept();
  });
}

void NetServer::Impl::Serve(tcp::socket socket) {
  session_ = std::make_shared<Session>(*this, std::move(socket));
  ++served_;
  connected_ = true;
  session_->Start();
}

// The device serves one PC at a time; another one is told so and let go.
void NetServer::Impl::TurnAway(tcp::socket socket) {
  ++turnedAway_;
  auto s = std::make_shared<tcp::socket>(std::move(socket));
  busySockets_.push_back(s);
  asio::async_write(*s, asio::buffer(kHostBusy.data(), kHostBusy.size()), [this, s](ErrorCode, size_t) {
    ErrorCode ignored;
    s->shutdown(tcp::socket::shutdown_both, ignored);
    s->close(ignored);
    busySockets_.remove(s);
  });
}

void NetServer::Impl::Shutdown() {
  stopping_ = true;
  ErrorCode ignored;
  acceptor_.close(ignored);
  if (session_) session_->Close();
  for (auto& s : busySockets_) s->close(ignored);
}

void NetServer::Impl::OnSessionClosed(Session* session) {
  if (session_.get() != session) return;
  session_.reset();
  connected_ = false;
}

NetServer::NetServer(DeviceCore& core, EmulatorOptions options)
    : impl_(std::make_unique<Impl>(core, std::move(options))) {}

NetServer::~NetServer() = default;

bool NetServer::Start(std::string* error) { return impl_->Start(error); }
void NetServer::Stop() { impl_->Stop(); }
uint16_t NetServer::Port() const { return impl_->port_; }
std::string NetServer::Address() const { return impl_->address_; }
bool NetServer::ClientConnected() const { return impl_->connected_; }
int NetServer::ClientsServed() const { return impl_->served_; }
int NetServer::ClientsTurnedAway() const { return impl_->turnedAway_; }
int NetServer::ClientsLetGo() const { return impl_->letGo_; }

}  // namespace nr::emu
