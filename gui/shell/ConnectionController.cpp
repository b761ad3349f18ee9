#include "shell/ConnectionController.h"

#include <system_error>

#include "shell/AppContext.h"
#include "shell/CInfoDlg.h"
#include "shell/CSyncDlg.h"
#include "shell/LinkNoticeBar.h"
#include "shell/QtLinkEvents.h"
#include "shell/TrayBalloon.h"

namespace nr::gui {
namespace {

constexpr TextPair kInformation{"信息", "Information"};
constexpr TextPair kConnecting{"正在连接 %1……", "Connecting to %1..."};
constexpr TextPair kUsbTarget{"USB设备", "the USB device"};

QString Seconds(std::chrono::milliseconds time) {
  return QString::number(static_cast<double>(time.count()) / 1000.0, 'g', 3);
}

}  // namespace

ConnectionController::ConnectionController(AppContext& ctx, QtLinkEvents& events, SyncDialogOwner& sync,
                                           LinkNoticeBar& notice, QObject* parent)
    : QObject(parent), ctx_(ctx), events_(events), sync_(sync), notice_(notice) {
  connectTimer_.setSingleShot(true);
  connectTimer_.setInterval(250);
  devicePoll_.setInterval(1000);
  statusTimer_.setInterval(500);
  announceTimer_.setInterval(100);
  connect(&connectTimer_, &QTimer::timeout, this, [this] {
    // A device plugged in before the start is not an arrival: the start-up attempt is its turn.
    if (ctx_.GetLink().IsNetwork()) {
      ConnectNetwork(NetTarget{ctx_.GetLink().NetAddress(), ctx_.GetLink().NetPort()}, Origin::kStartup);
    } else {
      usbPresent_ = ctx_.GetLink().UsbDevicePresent();
      if (usbPresent_) ConnectUsb(Origin::kStartup);
    }
    devicePoll_.start();
  });
  connect(&devicePoll_, &QTimer::timeout, this, &ConnectionController::PollUsbDevice);
  connect(&statusTimer_, &QTimer::timeout, this, [this] {
    if (ctx_.PeakPolling()) ctx_.Conn().Modes().PollStatus();
  });
  connect(&announceTimer_, &QTimer::timeout, this, [this] { AnnounceIfIdentified(false); });
  connect(&events_, &QtLinkEvents::transferFinished, this, [this] {
    if (announceTimer_.isActive()) AnnounceIfIdentified(true);
  });
  connect(&events_, &QtLinkEvents::heartbeatLost, this, &ConnectionController::OnHeartbeatLost);
  connect(&events_, &QtLinkEvents::hostBusy, this, &ConnectionController::OnHostBusy);
  connect(&events_, &QtLinkEvents::connectionLost, this, &ConnectionController::OnConnectionLost);
  connect(&events_, &QtLinkEvents::usbReadFailed, this, [this] {
    if (!Busy() && ctx_.GetLink().CheckUsbRemoval()) DeviceRemoved();
  });
  connect(&notice_, &LinkNoticeBar::reconnectClicked, this, [this] { Reconnect(Origin::kNotice); });
  connect(&notice_, &LinkNoticeBar::stopClicked, this, &ConnectionController::Stop);
}

ConnectionController::~ConnectionController() {
  stop_ = true;
  Join();
}

void ConnectionController::Join() {
  if (worker_.joinable()) worker_.join();
}

// ---- Attempts ----

bool ConnectionController::ConnectNetwork(const NetTarget& target, Origin origin) {
  return Start(Attempt{Way::kNetwork, target, origin});
}

bool ConnectionController::ConnectUsb(Origin origin) {
  Link& link = ctx_.GetLink();
  if (link.IsConnected() && !link.IsNetwork()) return true;
  return Start(Attempt{Way::kUsb, {}, origin});
}

bool ConnectionController::ConnectDemo(Origin origin) {
  if (Busy()) return false;
  const std::optional<NetTarget> demo = ctx_.StartDemoDevice();
  if (!demo) return false;
  return Start(Attempt{Way::kDemo, *demo, origin});
}

bool ConnectionController::Reconnect(Origin origin) {
  Link& link = ctx_.GetLink();
  if (link.IsConnected()) return true;
  if (!link.IsNetwork()) return ConnectUsb(origin);
  const NetTarget target{link.NetAddress(), link.NetPort()};
  if (target == ctx_.DemoTarget()) return ConnectDemo(origin);
  return ConnectNetwork(target, origin);
}

bool ConnectionController::Start(const Attempt& asked) {
  if (Busy()) return false;
  Attempt attempt = asked;
  attempt.presetOpen = ctx_.Document().IsOpen();
  stop_ = false;
  ctx_.SetHostBusyMark(false);
  attemptTarget_ = attempt.way == Way::kUsb ? QStringLiteral("USB") : QString::fromStdString(FormatNetTarget(attempt.target));
  const bool usb = attempt.way == Way::kUsb;
  const QString target = attemptTarget_;
  const LinkNoticeBar::TextFn text = [usb, target](gui::Language language) {
    return kConnecting.Get(language).arg(usb ? kUsbTarget.Get(language) : target);
  };
  if (attempt.origin == Origin::kNotice) notice_.ShowProgress(text, ctx_.Language());
  worker_ = std::thread([this, attempt] {
    const ConnectResult result = Run(attempt);
    // The controller joins this thread before it goes, so it is there to take the result.
    QMetaObject::invokeMethod(this, [this, attempt, result] { Finish(attempt, result); }, Qt::QueuedConnection);
  });
  emit attemptStarted(text(ctx_.Language()));
  return true;
}

ConnectResult ConnectionController::Run(const Attempt& attempt) {
  ConnectResult result = Open(attempt);
  if (!result.ok()) return result;
  // The read starts as the link opens, so nobody sees the link open and the device unread. A
  // reconnection must not silently replace edits made while the link was down, nor a preset
  // being edited.
  Synchronizer& sync = ctx_.Conn().Sync();
  if (attempt.presetOpen)
    sync.HoldReadIfItDiffers();
  else
    sync.HoldReadIfItReplacesEdits();
  sync.StartBulkRead();
  return result;
}

ConnectResult ConnectionController::Open(const Attempt& attempt) {
  Link& link = ctx_.GetLink();
  const auto stop = [this] { return stop_.load(); };
  ConnectResult result;
  if (attempt.way == Way::kUsb) {
    if (!link.UsbDevicePresent()) {
      result.failure = ConnectFailure::kNoUsbDevice;  // the link that is open stays open
      return result;
    }
    if (stop()) {
      result.failure = ConnectFailure::kStopped;
      return result;
    }
    if (link.IsConnected()) link.Close(true);
    link.SetNetwork(false);
    if (link.ConnectLink() != 1) result.failure = ConnectFailure::kUsbNotOpened;
    return result;
  }
  // The device is tried and identified on a connection of its own; only then does the open
  // link make way for it.
  result = ProbeNetDevice(attempt.target, probe, stop);
  if (!result.ok()) return result;
  if (stop()) {
    result.failure = ConnectFailure::kStopped;
    return result;
  }
  if (link.IsConnected()) link.Close(true);
  link.SetNetwork(true);
  link.SetNetTarget(attempt.target.host, attempt.target.port);
  const int code = link.NetConnect(stop);
  result.failure = FailureOfConnectCode(code);
  if (result.failure == ConnectFailure::kUnreachable) result.systemError = code;
  if (result.failure == ConnectFailure::kNoAnswer) result.waited = link.Config().connectTimeout;
  return result;
}

void ConnectionController::Finish(const Attempt& attempt, const ConnectResult& result) {
  Join();
  attemptTarget_.clear();
  lastResult_ = result;
  if (result.ok()) {
    usbPresent_ = usbPresent_ || attempt.way == Way::kUsb;
    if (attempt.origin == Origin::kArrival)
      for (QWidget* dialog : ctx_.OpenDialogs()) dialog->close();
    Opened(attempt.way == Way::kUsb ? (attempt.origin == Origin::kStartup ? 5000 : 4000) : 5000);
  } else if (attempt.origin == Origin::kNotice ||
             (attempt.origin == Origin::kStartup && attempt.way != Way::kUsb && result.failure != ConnectFailure::kStopped)) {
    // A click that seems to do nothing leaves the user guessing: the notice says what happened,
    // and stays for another try.
    notice_.ShowText([result](gui::Language language) { return Describe(result, language); }, ctx_.Language());
  }
  emit finished(result, attempt.origin);
}

void ConnectionController::Stop() { stop_ = true; }

void ConnectionController::Disconnect() {
  Stop();
  Join();  // a stopped attempt ends within a few milliseconds
  Link& link = ctx_.GetLink();
  if (!link.IsConnected()) return;
  StopPolling();
  sync_.Close();
  notice_.hide();
  link.Close(true);  // a USB device stays plugged in: it waits to be plugged again or asked for
  emit linkClosed();
}

// ---- The open link ----

void ConnectionController::Opened(int balloonMs) {
  notice_.hide();
  // "Connected" is said once the device has answered its identification, not when a socket
  // opened to something that may never answer.
  announceMs_ = balloonMs;
  announceTimer_.start();
  sync_.Show();  // the read started as the link opened
  statusTimer_.start();
  emit linkOpened();
}

void ConnectionController::ArmReadHold() {
  if (ctx_.Document().IsOpen())
    ctx_.Conn().Sync().HoldReadIfItDiffers();
  else
    ctx_.Conn().Sync().HoldReadIfItReplacesEdits();
}

void ConnectionController::AnnounceIfIdentified(bool transferEnded) {
  const Synchronizer::Stage stage = ctx_.Conn().Sync().CurrentStage();
  if (stage.kind != TransferKind::kRead || !stage.identified) {
    if (transferEnded) announceTimer_.stop();  // never identified: the failure says enough
    return;
  }
  announceTimer_.stop();
  TrayBalloon::Of(ctx_).Show(ctx_.T(kInformation), ctx_.T({"设备已连接，同步中……", "Device connected!"}), announceMs_);
}

void ConnectionController::StopPolling() { statusTimer_.stop(); }

void ConnectionController::StartConnecting() { connectTimer_.start(); }

void ConnectionController::StartOffline() {
  usbPresent_ = ctx_.GetLink().UsbDevicePresent();  // one plugged in already waits to be asked for
  devicePoll_.start();
}

void ConnectionController::PollUsbDevice() {
  if (Busy()) return;  // the attempt looks at the USB device itself
  Link& link = ctx_.GetLink();
  if (link.IsConnected() && !link.IsNetwork()) {
    if (link.CheckUsbRemoval()) DeviceRemoved();
    return;
  }
  // Only a real arrival (absent, then present) connects. A device that is merely still plugged
  // in (refused for its protocol version, or disconnected by the user) waits until it is
  // plugged in again or the user asks.
  const bool present = link.UsbDevicePresent();
  const bool arrived = present && !usbPresent_;
  usbPresent_ = present;
  if (arrived && !link.IsConnected()) ConnectUsb(Origin::kArrival);
}

void ConnectionController::DeviceRemoved() {
  usbPresent_ = false;
  StopPolling();
  sync_.Close();
  TrayBalloon::Of(ctx_).Show(ctx_.T(kInformation), ctx_.T({"设备已断开!", "Device Disconnected!"}), 5000);
  notice_.ShowNotice({"USB设备已断开，插回后会自动重新连接。",
                      "The USB device was disconnected; it connects again when it is plugged back in."},
                     ctx_.Language());
  emit linkClosed();
}

void ConnectionController::OnHeartbeatLost() {
  StopPolling();
  sync_.Close();
  // One notice, where the user looks, that leaves the next click alone.
  notice_.ShowNotice({"主机超时，网络断开! 设备没有响应，网络连接已断开。",
                      "Host timeout,Disconnected! The device stopped answering; the network connection was closed."},
                     ctx_.Language());
  emit linkClosed();
}

void ConnectionController::OnConnectionLost() {
  StopPolling();
  sync_.Close();
  notice_.ShowNotice({"与设备的网络连接已断开。", "The network connection to the device was lost."}, ctx_.Language());
  emit linkClosed();
}

void ConnectionController::OnHostBusy() {
  sync_.Close();
  ctx_.SetHostBusyMark(true);
  CInfoDlg::Of(ctx_).ShowTip(ctx_.T({"主机已连接其他设备，请先断开!", "Host is connected!"}), 3000);
}

// ---- Words ----

QString ConnectionController::Describe(const ConnectResult& r, gui::Language language) {
  const auto T = [language](const TextPair& pair) { return pair.Get(language); };
  const QString target = QString::fromStdString(r.target);
  switch (r.failure) {
    case ConnectFailure::kNone:
      return T({"已连接 %1。", "Connected to %1."}).arg(r.target.empty() ? QStringLiteral("USB") : target);
    case ConnectFailure::kUnresolved:
      return T({"找不到主机 %1（名称无法解析）。", "The host %1 could not be found (its name does not resolve)."})
          .arg(target);
    case ConnectFailure::kRefused:
      return T({"%1 没有应答（连接被拒绝）。", "Nothing answers at %1 (connection refused)."}).arg(target);
    case ConnectFailure::kNoAnswer:
      return T({"%1 没有应答：连接请求 %2 秒内没有回音。", "Nothing answers at %1: the connection request got no reply for %2 s."})
          .arg(target, Seconds(r.waited));
    case ConnectFailure::kUnreachable:
      return T({"无法到达 %1（%2）。", "%1 cannot be reached (%2)."})
          .arg(target, QString::fromStdString(std::system_category().message(r.systemError)));
    case ConnectFailure::kSilent:
      return T({"%1 接受了连接，但 %2 秒内什么也没有发送。", "%1 accepted the connection but sent nothing for %2 s."})
          .arg(target, Seconds(r.waited));
    case ConnectFailure::kBusy:
      return T({"%1 上的设备正在为另一台电脑服务，请先在那台电脑上断开。",
                "The device at %1 is serving another PC; disconnect it there first."})
          .arg(target);
    case ConnectFailure::kOtherVersion: {
      // The device's own words for it first, as support staff know them, then what they mean.
      const QString words = T({"设备使用通信协议 %1；本版本需要 %2。", "The device speaks protocol %1; this version needs %2."})
                                .arg(r.protocolVersion)
                                .arg(kCommunicationVersion);
      return r.mismatch.empty() ? words : QString::fromStdString(r.mismatch) + QLatin1Char(' ') + words;
    }
    case ConnectFailure::kNotIdentified:
      return T({"%1 有应答，但没有完成设备识别。", "%1 answered but did not finish identifying itself."}).arg(target);
    case ConnectFailure::kLost:
      return T({"识别设备时与 %1 的连接断开了。", "The connection to %1 closed while the device was being identified."})
          .arg(target);
    case ConnectFailure::kStopped:
      return T({"已停止连接 %1。", "Connecting to %1 was stopped."}).arg(r.target.empty() ? QStringLiteral("USB") : target);
    case ConnectFailure::kNoUsbDevice:
      return T({"没有找到USB设备，请检查连接线。", "No USB device found. Check the cable."});
    case ConnectFailure::kUsbNotOpened:
      return T({"找到了USB设备，但无法打开它（可能被其他程序占用，或没有权限）。",
                "The USB device is there but could not be opened (another program uses it, or no permission)."});
  }
  return {};
}

}  // namespace nr::gui
