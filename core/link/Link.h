#pragma once
// The single link between the PC and one device, over USB (HID reports) or TCP (framed payloads):
// connecting, the reader and writer threads, pacing of synchronous sends by the device's answers,
// the coalescing send queue of the network, and closing on request, on removal or on silence.
// SendPacket is the one way out for every payload.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/AutoResetEvent.h"
#include "link/Bytes.h"
#include "link/DeviceModel.h"
#include "link/Dispatcher.h"
#include "link/HidBackend.h"
#include "link/LinkEvents.h"
#include "link/PacketSink.h"
#include "link/SendQueue.h"
#include "link/Trace.h"
#include "link/WorkerThreads.h"

namespace nr {

struct LinkConfig {
  std::chrono::milliseconds answerTimeout{2000};  // longest wait for the previous answer
  std::chrono::milliseconds unansweredGap{20};    // after a packet not answered at once, before the next
  std::chrono::milliseconds connectTimeout{5000};  // a TCP connect never hangs longer
  std::chrono::milliseconds readerExitWait{1000};
  std::chrono::milliseconds silenceLimit{3000};    // heartbeat watchdog
  int silenceTicks = 5;                            // ticks of 100 ms past the limit before closing
};

// The link state the transports share. Flags are read and written from several threads.
struct LinkState {
  std::atomic<bool> network{false};        // the link is (or will be) TCP
  std::atomic<bool> connected{false};
  std::atomic<bool> readThreadEnd{false};  // a read failed: writes are refused until reconnect
  std::atomic<bool> pollingAllowed{true};  // status polling may run
};

enum class SendMode { kQueued, kDirect };

class Link : public PacketSink {
 public:
  Link(DeviceModel& model, LinkEvents& events, HidBackend* hid, TraceSink* trace = nullptr, LinkConfig config = {});
  ~Link() override;
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  LinkState& State() { return state_; }
  const LinkState& State() const { return state_; }
  bool IsConnected() const { return state_.connected; }
  bool IsNetwork() const { return state_.network; }
  void SetNetwork(bool network) { state_.network = network; }
  bool PollingAllowed() const { return state_.pollingAllowed; }
  void SetPollingAllowed(bool allowed) { state_.pollingAllowed = allowed; }
  AutoResetEvent& AnswerEvent() { return answer_; }
  Dispatcher& GetDispatcher() { return dispatcher_; }
  TraceSink* Tracer() const { return trace_; }
  const LinkConfig& Config() const { return config_; }

  // Opens the link of the current kind: the network target, or our USB device. USB returns 1 on
  // success and 0 otherwise; the network returns what NetConnect returns.
  int ConnectLink();

  // USB.
  bool FindDevice();
  bool UsbDevicePresent();    // arrival poll: is our device plugged in?
  bool CheckUsbRemoval();     // closes the USB link when its device is no longer present
  void CloseUsb(bool notify);  // notify: tell the device with 0x8A first
  bool CloseUsbOnRemoval();
  std::string UsbPath() const;

  // Network.
  void SetNetTarget(std::string address, uint16_t port);
  std::string NetAddress() const;
  uint16_t NetPort() const;
  // 1 on success, the socket error code when the connection is refused or times out, else 0
  // (a name that does not resolve). stop is asked every few milliseconds while the connection is
  // being made; true gives up at once with ECANCELED.
  int NetConnect(const std::function<bool()>& stop = {});
  void NetClose(bool notify);
  void SetSendMode(SendMode mode) { sendMode_ = mode; }
  SendMode GetSendMode() const { return sendMode_; }
  size_t QueuedPackets() const;

  // Closes whichever link is open.
  void Close(bool notify);

  // Payload without channel prefix. Routing: USB synchronous waits for the answer event then
  // writes, asynchronous writes at once; network queued mode queues (coalescing by key), direct
  // mode sends framed, synchronous ones after the answer event. Dropped (0) when no link is open.
  // A packet the device does not answer at once (AnsweredAtOnce) is waited for by nothing: the
  // next packet goes after unansweredGap instead.
  int SendPacket(std::span<const uint8_t> payload, bool synchronous) override;
  // A Z-Wave serial frame: channel 0x80 on the network, command 0x12 on USB; never waits.
  int SendZWaveFrame(std::span<const uint8_t> frame);

  // Waits until the send queue is empty and the last packet has been answered (or, for one
  // nothing answers, sent), at most timeout.
  bool WaitUntilIdle(std::chrono::milliseconds timeout);

  // Waits until every packet sent so far has had its answer, or has waited out the answer
  // time-out and been listed as unanswered. There is no total limit: the queue moves on by at
  // least one packet per answer time-out. False when the link closed meanwhile.
  bool Drain();
  // The packets (without channel prefix) whose answer never came, oldest first; taking them
  // empties the list. The list keeps the last kUnansweredKept.
  static constexpr size_t kUnansweredKept = 16;
  std::vector<Payload> TakeUnanswered();

 private:
  struct UsbConnection;
  struct NetConnection;
  class NetListener;

  int WriteUsb(std::span<const uint8_t> payload, bool synchronous);
  void UsbReaderLoop(std::shared_ptr<UsbConnection> usb);
  std::shared_ptr<HidDevice> OpenIfOurs(const HidDeviceEntry& entry);
  void CloseUsbInternal(bool notify);

  // Network routing of a payload with its channel prefix: queued, or framed and sent directly.
  int SendNetwork(uint8_t prefix, std::span<const uint8_t> payload, bool synchronous);
  int NetSendNow(std::span<const uint8_t> prefixedPayload, bool synchronous);
  void NetReceiveLoop(std::shared_ptr<NetConnection> net);
  void NetWriteLoop(std::shared_ptr<NetConnection> net);
  void NetWatchdogLoop(std::shared_ptr<NetConnection> net);
  void CloseNetConnection(const std::shared_ptr<NetConnection>& net, bool notify);
  int SendRaw(NetConnection& net, std::span<const uint8_t> bytes);

  // Callers hold queueMutex_.
  void NoteUnanswered(std::span<const uint8_t> payload);
  void NoteLastSynchronousUnanswered();
  bool QueueIdle() const { return queue_.empty() && !awaitingAnswer_ && !writingUnanswered_; }

  // The gap after a packet the device does not answer at once: StartGap after writing it, and
  // WaitOutGap before writing the next packet, whichever way that one goes.
  void StartGap();
  void WaitOutGap() const;

  DeviceModel& model_;
  LinkEvents& events_;
  HidBackend* hid_;
  TraceSink* trace_;
  LinkConfig config_;
  LinkState state_;
  AutoResetEvent answer_{true};
  Dispatcher dispatcher_;
  std::mutex writeLock_;  // around USB writes and their traces, the read trace, synchronous net sends
  std::atomic<SendMode> sendMode_{SendMode::kQueued};

  mutable std::mutex connMutex_;  // guards the two connection pointers and the target
  std::shared_ptr<UsbConnection> usb_;
  std::shared_ptr<NetConnection> net_;
  std::string netAddress_ = "192.168.1.123";
  uint16_t netPort_ = 30303;

  // The send queue and the writer's awaiting-answer flag share one lock and one condition.
  mutable std::mutex queueMutex_;
  std::condition_variable queueCv_;
  SendQueue queue_;
  bool awaitingAnswer_ = false;
  bool writingUnanswered_ = false;  // the writer holds a packet nothing answers and has not sent it yet
  SendQueue::Entry inFlight_;   // the queued packet whose answer the writer waits for
  uint64_t queueSends_ = 0;     // packets the writer has sent
  Payload lastSynchronous_;     // the last USB packet sent after waiting for an answer
  std::deque<Payload> unanswered_;
  std::atomic<std::chrono::steady_clock::rep> gapEnds_{0};  // no packet leaves before this time

  WorkerThreads threads_;  // declared last: joined before anything they use goes away
};

}  // namespace nr
