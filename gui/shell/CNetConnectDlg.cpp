#include "shell/CNetConnectDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/AppContext.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

constexpr TextPair kBadAddress{"请输入有效的地址，例如 192.168.1.123 或 192.168.1.123:30303",
                               "Enter a valid address, such as 192.168.1.123 or 192.168.1.123:30303"};
constexpr TextPair kConnectDisabled{"“连接”不可用：%1", "Connect is unavailable: %1"};
constexpr TextPair kEmptyAddress{"请输入设备的地址。", "enter the device's address."};
constexpr TextPair kNumberTooLarge{"%1 不是有效的地址（%2 大于 255）。", "%1 is not an address (%2 is above 255)."};
constexpr TextPair kIncompleteIpv4{"IPv4 地址需要四个 0 到 255 的数，用点隔开。",
                                   "an IPv4 address needs four numbers from 0 to 255, separated by dots."};
constexpr TextPair kPortMissing{"冒号后面缺少端口号。", "the port number after the colon is missing."};
constexpr TextPair kBadPort{"端口 %1 不在 1 到 65535 之间。", "port %1 is not between 1 and 65535."};
constexpr TextPair kBadIpv6{"%1 不是有效的 IPv6 地址。", "%1 is not an IPv6 address."};
constexpr TextPair kBadHostName{"%1 不是有效的主机名。", "%1 is not a host name."};
constexpr TextPair kNoConnector{"这里无法连接。", "Nothing here can connect."};
constexpr TextPair kOtherAttempt{"另一次连接正在进行，请等它结束，或先停止它。",
                                 "Another connection attempt is running; wait for it to end, or stop it first."};
constexpr TextPair kNoDemo{"演示设备无法启动。", "The demo device could not start."};
constexpr TextPair kConnecting{"正在连接 %1……（“取消”停止连接）", "Connecting to %1... (Cancel stops it)"};
constexpr TextPair kHint{"例如 192.168.1.123、192.168.1.123:30303、[fe80::1]:30303 或 nr490.local（默认端口 30303）",
                         "e.g. 192.168.1.123, 192.168.1.123:30303, [fe80::1]:30303 or nr490.local (port 30303 "
                         "unless given)"};
constexpr TextPair kUsb{"USB设备", "USB device"};
constexpr TextPair kDemo{"演示设备", "Demo device"};
constexpr TextPair kDisconnect{"断开连接", "Disconnect"};
constexpr TextPair kAddressTip{"设备的IP地址（IPv4或IPv6）或主机名，可加“:端口”；下拉列表中是最近连接过的地址",
                               "The device's IPv4 or IPv6 address or host name, optionally with \":port\"; "
                               "the list holds the addresses connected to recently"};
constexpr TextPair kConnectTip{"连接到上面的网络地址", "Connect to the network address above"};
constexpr TextPair kUsbTip{"连接插在USB口上的设备", "Connect the processor plugged into a USB port"};
constexpr TextPair kDemoTip{"连接内置的模拟设备，无需硬件即可试用全部功能",
                            "Connect the built-in emulated processor: try everything without hardware"};
constexpr TextPair kScan{"扫描", "Scan"};
constexpr TextPair kStopScan{"停止", "Stop"};
constexpr TextPair kScanTip{"在本机所连的网段中查找设备（端口取自地址栏，默认 30303），找到后填入地址",
                            "Look for devices on this PC's own networks (on the port in the address line, 30303 "
                            "unless typed) and fill in the address of one found"};
constexpr TextPair kScanning{"正在扫描 %1：%2 / %3 个地址……", "Scanning %1: %2 of %3 addresses..."};
constexpr TextPair kNoNetwork{"本机没有可扫描的网络（只有回环接口）。", "This PC has no network to scan (loopback only)."};
constexpr TextPair kFoundNone{"在 %1 上没有找到设备。", "No device answered on %1."};
constexpr TextPair kStopped{"扫描已停止。", "The scan was stopped."};
constexpr TextPair kFound{"找到：%1", "Found: %1"};
constexpr TextPair kFoundDevice{"%1（%2，协议 %3）", "%1 (%2, protocol %3)"};
constexpr TextPair kFoundBusy{"%1（正在为其他电脑服务）", "%1 (serving another PC)"};
constexpr TextPair kDisconnectTip{"断开当前的连接；USB设备要重新插入或在这里再次连接",
                                  "Close the present link; a USB device then waits until it is plugged in "
                                  "again or connected here"};

QString Tr(const AppContext& ctx, const TextPair& pair) { return pair.Get(ctx.Language()); }

}  // namespace

QValidator::State DeviceAddressValidator::validate(QString& input, int& pos) const {
  // Blanks belong to no address: a pasted address loses those around it, a typed one is ignored.
  const QString trimmed = input.trimmed();
  if (trimmed != input) {
    pos = std::clamp(pos - static_cast<int>(input.indexOf(trimmed)), 0, static_cast<int>(trimmed.size()));
    input = trimmed;
  }
  const std::string text = input.toStdString();
  if (ParseNetTarget(text)) return Acceptable;
  return CouldBecomeNetTarget(text) ? Intermediate : Invalid;
}

CNetConnectDlg::CNetConnectDlg(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(240, 250, 255));
  setPalette(pal);
  setAutoFillBackground(true);

  // The Chinese texts are the dialog's own; the language table relabels them.
  setWindowTitle(QString::fromUtf8("网络连接"));
  addressLabel_ = WithId(new QLabel(QString::fromUtf8("机器IP地址"), this), kAddressLabelId);
  address_ = WithId(new QComboBox(this), kAddressId);
  address_->setEditable(true);
  address_->setInsertPolicy(QComboBox::NoInsert);
  address_->setValidator(new DeviceAddressValidator(address_));
  address_->setMinimumWidth(address_->fontMetrics().horizontalAdvance("[fe80::1234:5678:9abc:def0]:30303") + 40);
  addressLabel_->setBuddy(address_);
  hint_ = new QLabel(this);
  hint_->setWordWrap(true);
  hint_->setTextFormat(Qt::PlainText);
  QPalette grey = hint_->palette();
  grey.setColor(QPalette::WindowText, QColor(100, 110, 120));
  hint_->setPalette(grey);
  status_ = WithId(new QLabel(this), kStatusId);
  status_->setWordWrap(true);
  status_->setTextFormat(Qt::PlainText);
  QPalette red = status_->palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  status_->setPalette(red);
  status_->setMinimumHeight(status_->fontMetrics().height() * 2);

  connect_ = WithId(new QPushButton(QString::fromUtf8("尝试连接"), this), kConnectId);
  connect_->setDefault(true);
  cancel_ = WithId(new QPushButton(QString::fromUtf8("取消"), this), kCancelId);
  usb_ = new QPushButton(this);
  demo_ = new QPushButton(this);
  disconnect_ = new QPushButton(this);
  scan_ = new QPushButton(this);
  for (QPushButton* b : {cancel_, usb_, demo_, disconnect_, scan_}) b->setAutoDefault(false);
  connect(scan_, &QPushButton::clicked, this, &CNetConnectDlg::ToggleScan);
  connect(connect_, &QPushButton::clicked, this, [this] { TryConnect(); });
  connect(cancel_, &QPushButton::clicked, this, &CNetConnectDlg::OnCancel);
  connect(usb_, &QPushButton::clicked, this, [this] { TryUsb(); });
  connect(demo_, &QPushButton::clicked, this, [this] { TryDemo(); });
  connect(disconnect_, &QPushButton::clicked, this, [this] {
    if (connector_) connector_->Disconnect();
    complaint_ = Complaint::kNone;
    ShowStatus();
    disconnect_->setEnabled(ctx_.Connected());
  });
  connect(address_, &QComboBox::editTextChanged, this, &CNetConnectDlg::OnAddressEdited);

  // The hint sits under the line it explains.
  auto* addressRows = new QGridLayout;
  addressRows->setHorizontalSpacing(10);
  addressRows->setVerticalSpacing(4);
  addressRows->addWidget(addressLabel_, 0, 0);
  addressRows->addWidget(address_, 0, 1);
  addressRows->addWidget(scan_, 0, 2);
  addressRows->addWidget(hint_, 1, 1, 1, 2);
  addressRows->setColumnStretch(1, 1);
  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(usb_);
  buttons->addWidget(demo_);
  buttons->addWidget(disconnect_);
  buttons->addStretch();
  buttons->addSpacing(24);
  buttons->addWidget(connect_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 18, 20, 14);
  layout->setSpacing(8);
  layout->addLayout(addressRows);
  layout->addWidget(status_);
  layout->addWidget(rule);
  layout->addLayout(buttons);

  LoadTarget();
  ApplyTexts();
  connect(&ctx_, &AppContext::languageChanged, this, &CNetConnectDlg::ApplyTexts);
}

CNetConnectDlg::~CNetConnectDlg() {
  StopScan();
  if (scanner_.joinable()) scanner_.join();
}

void CNetConnectDlg::LoadTarget() {
  AppSettings& settings = ctx_.Settings();
  const QStringList recent = settings.RecentAddresses();
  address_->clear();
  address_->addItems(recent);
  // A stored target the line cannot take is treated like no target at all.
  std::optional<NetTarget> stored = ParseNetTarget(settings.IpAddress().toStdString());
  const int port = settings.IpPort();
  if (stored && port > 0 && port <= 65535) stored->port = static_cast<uint16_t>(port);
  SetAddressText(stored ? QString::fromStdString(FormatNetTarget(*stored, true)) : QString(kDefaultAddress));
}

void CNetConnectDlg::SetAddressText(const QString& text) {
  address_->setEditText(text);
  OnAddressEdited();
}

std::optional<NetTarget> CNetConnectDlg::Target() const { return ParseNetTarget(address_->currentText().toStdString()); }

QString CNetConnectDlg::Address() const {
  const std::optional<NetTarget> target = Target();
  return target ? QString::fromStdString(target->host) : QString();
}

int CNetConnectDlg::Port() const {
  const std::optional<NetTarget> target = Target();
  return target ? target->port : kDefaultPort;
}

void CNetConnectDlg::OnAddressEdited() {
  const bool valid = Target().has_value();
  connect_->setEnabled(valid && !connecting_);
  // A disabled Connect says why, where the user looks.
  if (!valid && complaint_ != Complaint::kConnecting) {
    complaint_ = Complaint::kBadAddress;
    ShowStatus();
  } else if (valid && complaint_ == Complaint::kBadAddress) {
    complaint_ = Complaint::kNone;
    ShowStatus();
  }
}

QString CNetConnectDlg::AddressProblemText() const {
  const AddressProblem problem = DiagnoseNetTarget(address_->currentText().toStdString());
  const QString text = address_->currentText().trimmed();
  const QString part = QString::fromStdString(problem.part);
  QString why;
  switch (problem.kind) {
    case AddressProblem::kNone:
      return QString();
    case AddressProblem::kEmpty:
      why = Tr(ctx_, kEmptyAddress);
      break;
    case AddressProblem::kNumberTooLarge:
      why = Tr(ctx_, kNumberTooLarge).arg(text, part);
      break;
    case AddressProblem::kIncompleteIpv4:
      why = Tr(ctx_, kIncompleteIpv4);
      break;
    case AddressProblem::kPortMissing:
      why = Tr(ctx_, kPortMissing);
      break;
    case AddressProblem::kBadPort:
      why = Tr(ctx_, kBadPort).arg(part);
      break;
    case AddressProblem::kBadIpv6:
      why = Tr(ctx_, kBadIpv6).arg(part);
      break;
    case AddressProblem::kBadHostName:
      why = Tr(ctx_, kBadHostName).arg(part);
      break;
  }
  return Tr(ctx_, kConnectDisabled).arg(why);
}

void CNetConnectDlg::SetConnector(ConnectionController* connector) {
  if (connector_) disconnect(connector_, nullptr, this, nullptr);
  connector_ = connector;
  if (connector_) connect(connector_, &ConnectionController::finished, this, &CNetConnectDlg::OnAttemptFinished);
}

void CNetConnectDlg::OnCancel() {
  if (connecting_ && connector_) {
    connector_->Stop();  // the end comes as any attempt's end: "stopped", the dialog stays
    return;
  }
  reject();
}

bool CNetConnectDlg::TryConnect() {
  const std::optional<NetTarget> target = Target();
  if (!target) {
    complaint_ = Complaint::kBadAddress;
    ShowStatus();
    return false;
  }
  attempting_ = QString::fromStdString(FormatNetTarget(*target));
  return Started(connector_ && connector_->ConnectNetwork(*target, ConnectionController::Origin::kDialog),
                 Complaint::kError);
}

bool CNetConnectDlg::TryUsb() {
  attempting_ = QStringLiteral("USB");
  return Started(connector_ && connector_->ConnectUsb(ConnectionController::Origin::kDialog), Complaint::kError);
}

bool CNetConnectDlg::TryDemo() {
  attempting_ = Tr(ctx_, kDemo);
  return Started(connector_ && connector_->ConnectDemo(ConnectionController::Origin::kDialog), Complaint::kNoDemo);
}

bool CNetConnectDlg::Started(bool started, Complaint otherwise) {
  if (!started) {
    lastFailure_.reset();
    complaint_ = otherwise;
    ShowStatus();
    return false;
  }
  connecting_ = true;
  complaint_ = Complaint::kConnecting;
  connect_->setEnabled(false);
  ShowStatus();
  return true;
}

void CNetConnectDlg::OnAttemptFinished(const ConnectResult& result, ConnectionController::Origin origin) {
  if (origin != ConnectionController::Origin::kDialog) return;
  connecting_ = false;
  OnAddressEdited();
  if (result.ok()) {
    if (const std::optional<NetTarget> target = ParseNetTarget(result.target); target && !result.target.empty() &&
                                                                              ctx_.GetLink().IsNetwork() &&
                                                                              ctx_.DemoTarget() != target) {
      AppSettings& settings = ctx_.Settings();
      settings.SetNetTarget(QString::fromStdString(target->host), target->port);
      settings.AddRecentAddress(QString::fromStdString(FormatNetTarget(*target, true)));
    }
    complaint_ = Complaint::kNone;
    ShowStatus();
    accept();
    emit connected();
    return;
  }
  lastFailure_ = result;
  complaint_ = Complaint::kError;
  ShowStatus();
}

void CNetConnectDlg::ApplyTexts() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  hint_->setText(Tr(ctx_, kHint));
  usb_->setText(Tr(ctx_, kUsb));
  demo_->setText(Tr(ctx_, kDemo));
  disconnect_->setText(Tr(ctx_, kDisconnect));
  address_->setToolTip(Tr(ctx_, kAddressTip));
  connect_->setToolTip(Tr(ctx_, kConnectTip));
  usb_->setToolTip(Tr(ctx_, kUsbTip));
  demo_->setToolTip(Tr(ctx_, kDemoTip));
  disconnect_->setToolTip(Tr(ctx_, kDisconnectTip));
  scan_->setText(Tr(ctx_, Scanning() ? kStopScan : kScan));
  scan_->setToolTip(Tr(ctx_, kScanTip));
  ShowStatus();
}

QString CNetConnectDlg::StatusText() const { return status_->text(); }

void CNetConnectDlg::showEvent(QShowEvent* event) {
  disconnect_->setEnabled(ctx_.Connected());
  QDialog::showEvent(event);
}

void CNetConnectDlg::hideEvent(QHideEvent* event) {
  StopScan();  // what it found so far still comes in
  QDialog::hideEvent(event);
}

// ---- scanning ------------------------------------------------------------------------------------

void CNetConnectDlg::ToggleScan() {
  if (Scanning()) {
    StopScan();
    return;
  }
  complaint_ = Complaint::kScan;
  const std::vector<Ipv4Subnet> subnets = scanSubnets ? scanSubnets() : std::vector<Ipv4Subnet>{};
  if (subnets.empty()) {
    scanReport_ = ScanReport{};
    ShowStatus();
    return;
  }
  ScanOptions options = scanOptions;
  options.port = static_cast<uint16_t>(Port());
  options.stop = [this] { return stopScan_.load(); };
  stopScan_ = false;
  scanReport_ = ScanReport{};
  scanReport_.phase = ScanReport::kRunning;
  scanReport_.port = options.port;
  scan_->setText(Tr(ctx_, kStopScan));
  ShowStatus();
  scanner_ = std::thread([this, subnets, options]() mutable {
    std::vector<ScanHit> hits;
    QStringList names;
    for (const Ipv4Subnet& subnet : subnets) {
      if (stopScan_) break;
      const QString name = QString::fromStdString(FormatSubnet(subnet));
      names << name;
      options.progress = [this, name](int done, int total) {
        QMetaObject::invokeMethod(this, [this, name, done, total] { ScanProgress(name, done, total); }, Qt::QueuedConnection);
      };
      std::vector<ScanHit> found = ScanSubnet(subnet, options);
      hits.insert(hits.end(), found.begin(), found.end());
    }
    const bool stopped = stopScan_;
    // The dialog joins this thread before it goes, so it is there to take the result.
    QMetaObject::invokeMethod(this, [this, hits, names, stopped] { ScanDone(hits, names, stopped); }, Qt::QueuedConnection);
  });
}

void CNetConnectDlg::StopScan() { stopScan_ = true; }

void CNetConnectDlg::ScanProgress(const QString& subnet, int done, int total) {
  if (scanReport_.phase != ScanReport::kRunning) return;
  scanReport_.subnet = subnet;
  scanReport_.done = done;
  scanReport_.total = total;
  if (complaint_ == Complaint::kScan) ShowStatus();
}

void CNetConnectDlg::ScanDone(const std::vector<ScanHit>& hits, const QStringList& subnets, bool stopped) {
  if (scanner_.joinable()) scanner_.join();
  scan_->setText(Tr(ctx_, kScan));
  scanReport_.phase = ScanReport::kDone;
  scanReport_.subnets = subnets;
  scanReport_.stopped = stopped;
  scanReport_.devices.clear();
  std::optional<QString> first;
  for (const ScanHit& hit : hits) {
    if (!hit.identified && !hit.busy) continue;  // something else answered on that port
    scanReport_.devices.push_back(hit);
    const QString address = QString::fromStdString(FormatNetTarget(NetTarget{hit.address, scanReport_.port}, true));
    if (address_->findText(address) < 0) address_->insertItem(0, address);
    if (!first && hit.identified) first = address;
  }
  if (first) SetAddressText(*first);
  complaint_ = Complaint::kScan;
  ShowStatus();
  emit scanFinished();
}

QString CNetConnectDlg::ScanText() const {
  const ScanReport& r = scanReport_;
  switch (r.phase) {
    case ScanReport::kNoNetwork:
      return Tr(ctx_, kNoNetwork);
    case ScanReport::kRunning:
      return r.total > 0 ? Tr(ctx_, kScanning).arg(r.subnet).arg(r.done).arg(r.total) : QString();
    case ScanReport::kDone:
      break;
  }
  QStringList found;
  for (const ScanHit& hit : r.devices) {
    const QString address = QString::fromStdString(FormatNetTarget(NetTarget{hit.address, r.port}, true));
    found << (hit.busy ? Tr(ctx_, kFoundBusy).arg(address)
                       : Tr(ctx_, kFoundDevice).arg(address, QString::fromStdString(hit.module)).arg(hit.protocolVersion));
  }
  if (!found.isEmpty()) return Tr(ctx_, kFound).arg(found.join(QStringLiteral("; ")));
  return r.stopped ? Tr(ctx_, kStopped) : Tr(ctx_, kFoundNone).arg(r.subnets.join(QStringLiteral(", ")));
}

void CNetConnectDlg::ShowStatus() {
  // A scan's news are no complaint.
  QPalette pal = status_->palette();
  const bool news = complaint_ == Complaint::kScan || complaint_ == Complaint::kConnecting;
  pal.setColor(QPalette::WindowText, news ? QColor(20, 70, 140) : QColor(255, 0, 0));
  status_->setPalette(pal);
  switch (complaint_) {
    case Complaint::kNone:
      status_->clear();
      break;
    case Complaint::kConnecting:
      status_->setText(Tr(ctx_, kConnecting).arg(attempting_));
      break;
    case Complaint::kError:
      status_->setText(lastFailure_ ? ConnectionController::Describe(*lastFailure_, ctx_.Language())
                       : connector_ && connector_->Busy() ? Tr(ctx_, kOtherAttempt)
                                                          : Tr(ctx_, kNoConnector));
      break;
    case Complaint::kBadAddress: {
      const QString why = AddressProblemText();
      status_->setText(why.isEmpty() ? Tr(ctx_, kBadAddress) : why);
      break;
    }
    case Complaint::kNoDemo:
      status_->setText(Tr(ctx_, kNoDemo));
      break;
    case Complaint::kScan:
      status_->setText(ScanText());
      break;
  }
}

}  // namespace nr::gui
