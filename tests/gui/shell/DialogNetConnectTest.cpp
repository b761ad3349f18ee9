// The network connection dialog against real sockets on the loopback interface.
#include <QLabel>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <cerrno>

#include "emu/Emulator.h"
#include "gui/shell/DialogFixture.h"
#include "shell/CNetConnectDlg.h"
#include "shell/CSyncDlg.h"
#include "shell/DialogTexts.h"
#include "shell/LinkNoticeBar.h"
#include "shell/QtLinkEvents.h"
#include "support/LoopbackListener.h"

namespace nr::gui::test {
namespace {

// The dialog with the connection controller the main view gives it.
class DialogNetConnect : public DialogTest {
 protected:
  DialogNetConnect() {
    connector_.probe.connectTimeout = std::chrono::milliseconds(2000);
    connector_.probe.silenceLimit = std::chrono::milliseconds(300);
  }
  // The attempt the dialog started has ended.
  bool AttemptEnds(CNetConnectDlg& dlg) { return WaitFor([&] { return !dlg.Connecting(); }, 10000); }

  QtLinkEvents qtEvents_;
  SyncDialogOwner sync_{ctx_, nullptr};
  LinkNoticeBar notice_;
  ConnectionController connector_{ctx_, qtEvents_, sync_, notice_};
};

// A loopback port nobody listens on.
quint16 ClosedPort() {
  QTcpServer server;
  EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  const quint16 port = server.serverPort();
  server.close();
  return port;
}

TEST_F(DialogNetConnect, OpensOnTheStoredTargetOrTheFactoryAddress) {
  {
    CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
    dlg.SetConnector(&connector_);
    EXPECT_EQ(dlg.AddressBox()->currentText(), "192.168.1.123");
    EXPECT_EQ(dlg.Address(), "192.168.1.123");
    EXPECT_EQ(dlg.Port(), 30303);
  }
  settings_.SetNetTarget("10.0.0.7", 4000);
  {
    CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
    dlg.SetConnector(&connector_);
    EXPECT_EQ(dlg.AddressBox()->currentText(), "10.0.0.7:4000");
    EXPECT_EQ(dlg.Port(), 4000);
  }
  settings_.SetNetTarget("fe80::1", 30303);
  {
    CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
    dlg.SetConnector(&connector_);
    EXPECT_EQ(dlg.AddressBox()->currentText(), "fe80::1");
  }
  settings_.SetNetTarget("10.0.0.300", 0);  // damaged settings
  {
    CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
    dlg.SetConnector(&connector_);
    EXPECT_EQ(dlg.Address(), "192.168.1.123");
    EXPECT_EQ(dlg.Port(), 30303);
  }
}

TEST(DeviceAddress, ParsesWhatPeopleType) {
  struct Case {
    const char* text;
    const char* host;  // nullptr: refused
    int port;
  };
  const Case cases[] = {
      {"127.0.0.1", "127.0.0.1", 30303},
      {" 192.168.1.123:4000 ", "192.168.1.123", 4000},
      {"[fe80::1]:30304", "fe80::1", 30304},
      {"[::1]", "::1", 30303},
      {"fe80::1", "fe80::1", 30303},
      {"fe80::1%eth0", "fe80::1%eth0", 30303},
      {"nr490.local", "nr490.local", 30303},
      {"studio-dsp:5000", "studio-dsp", 5000},
      {"localhost:1", "localhost", 1},
      {"127.168.0.0.1", nullptr, 0},   // what the old four-field box made of 127.0.0.1
      {"256.1.1.1", nullptr, 0},
      {"10.0.0", nullptr, 0},
      {"host:0", nullptr, 0},
      {"host:65536", nullptr, 0},
      {"host:port", nullptr, 0},
      {"fe80::1:30303x", nullptr, 0},
      {"[fe80::1]30303", nullptr, 0},
      {"-bad.example", nullptr, 0},
      {"two words", nullptr, 0},
      {"", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<NetTarget> t = ParseNetTarget(c.text);
    ASSERT_EQ(t.has_value(), c.host != nullptr);
    if (!t) continue;
    EXPECT_EQ(t->host, c.host);
    EXPECT_EQ(t->port, c.port);
    EXPECT_EQ(ParseNetTarget(FormatNetTarget(*t)), t) << "the stored form reads back";
  }
  EXPECT_EQ(FormatNetTarget({"fe80::1", 4000}), "[fe80::1]:4000");
  EXPECT_EQ(FormatNetTarget({"10.0.0.7", 30303}, true), "10.0.0.7");
}

TEST_F(DialogNetConnect, TheAddressLineIsCheckedAsItIsTyped) {
  CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
  dlg.show();
  QComboBox* box = dlg.AddressBox();
  box->lineEdit()->clear();
  box->lineEdit()->setFocus();
  // Typed the usual way, one key after the other: nothing jumps, nothing is mangled.
  QTest::keyClicks(box->lineEdit(), "127.0.0.1");
  EXPECT_EQ(box->currentText(), "127.0.0.1");
  EXPECT_TRUE(dlg.ConnectButton()->isEnabled());
  QTest::keyClicks(box->lineEdit(), ":");
  EXPECT_FALSE(dlg.ConnectButton()->isEnabled()) << "a port is still to come";
  QTest::keyClicks(box->lineEdit(), "99999");
  EXPECT_EQ(box->currentText(), "127.0.0.1:9999") << "a port past 65535 cannot be typed";
  QTest::keyClicks(box->lineEdit(), " /@");
  EXPECT_EQ(box->currentText(), "127.0.0.1:9999") << "characters no address has are not taken";
  EXPECT_EQ(dlg.Port(), 9999);

  box->lineEdit()->clear();
  QTest::keyClicks(box->lineEdit(), "[fe80::1]:30304");
  EXPECT_EQ(dlg.Address(), "fe80::1");
  EXPECT_EQ(dlg.Port(), 30304);
  SaveShot(&dlg, "netconnect_zh_ipv6");

  // A text that is not a whole address is never dialled.
  box->lineEdit()->setText("192.168.");
  EXPECT_FALSE(dlg.TryConnect());
  EXPECT_FALSE(dlg.StatusText().isEmpty());
  EXPECT_FALSE(GetLink().IsNetwork()) << "nothing was attempted";
}

TEST_F(DialogNetConnect, ARefusedConnectionIsSaidInWordsAndTheDialogStaysOpen) {
  ctx_.SetLanguage(Language::English);
  const quint16 port = ClosedPort();
  settings_.SetNetTarget("127.0.0.1", port);
  CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
  QSignalSpy connected(&dlg, &CNetConnectDlg::connected);
  dlg.show();
  dlg.ConnectButton()->click();
  ASSERT_TRUE(AttemptEnds(dlg));
  EXPECT_EQ(dlg.StatusText(), QString("Nothing answers at 127.0.0.1:%1 (connection refused).").arg(port));
  EXPECT_FALSE(dlg.StatusText().contains(QString::number(ECONNREFUSED))) << "no error numbers";
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(connected.count(), 0);
  EXPECT_FALSE(GetLink().IsConnected());
  EXPECT_FALSE(GetLink().IsNetwork()) << "a failed attempt leaves the link as it was";
  SaveShot(&dlg, "netconnect_en_refused");

  ctx_.SetLanguage(Language::Chinese);
  EXPECT_EQ(dlg.StatusText(), QString::fromUtf8("127.0.0.1:%1 没有应答（连接被拒绝）。").arg(port));
  SaveShot(&dlg, "netconnect_zh_refused");
}

// While the new address is tried the open link stays; a host that accepts and never speaks is
// named as such, and Cancel stops an attempt that waits.
TEST_F(DialogNetConnect, TheOpenLinkStaysWhileAnAttemptFailsOrIsStopped) {
  ConnectToPeer();
  const uint16_t peerPort = peer_.serverPort();
  ctx_.SetLanguage(Language::English);
  nr::test::LoopbackListener silent(nr::test::LoopbackListener::kSilent);
  CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
  dlg.show();
  dlg.SetAddressText(QString("127.0.0.1:%1").arg(silent.Port()));
  dlg.ConnectButton()->click();
  EXPECT_TRUE(dlg.Connecting());
  EXPECT_FALSE(dlg.ConnectButton()->isEnabled());
  EXPECT_EQ(dlg.StatusText(), QString("Connecting to 127.0.0.1:%1... (Cancel stops it)").arg(silent.Port()));
  ASSERT_TRUE(AttemptEnds(dlg));
  EXPECT_EQ(dlg.StatusText(), QString("127.0.0.1:%1 accepted the connection but sent nothing for 0.3 s.").arg(silent.Port()));
  EXPECT_TRUE(GetLink().IsConnected()) << "the link that was open stays open";
  EXPECT_EQ(GetLink().NetPort(), peerPort);
  SaveShot(&dlg, "netconnect_en_silent");

  nr::test::LoopbackListener deaf(nr::test::LoopbackListener::kFullBacklog);
  connector_.probe.connectTimeout = std::chrono::hours(1);
  dlg.SetAddressText(QString("127.0.0.1:%1").arg(deaf.Port()));
  dlg.ConnectButton()->click();
  ASSERT_TRUE(dlg.Connecting());
  dlg.CancelButton()->click();
  ASSERT_TRUE(AttemptEnds(dlg)) << "an hour's connect time-out otherwise";
  EXPECT_TRUE(dlg.isVisible()) << "Cancel stopped the attempt; the dialog stays for another try";
  EXPECT_EQ(dlg.StatusText(), QString("Connecting to 127.0.0.1:%1 was stopped.").arg(deaf.Port()));
  EXPECT_TRUE(GetLink().IsConnected());
  EXPECT_TRUE(dlg.ConnectButton()->isEnabled());
}

TEST_F(DialogNetConnect, AnInvalidAddressSaysWhyConnectIsDisabled) {
  CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
  dlg.show();
  QComboBox* box = dlg.AddressBox();
  box->lineEdit()->clear();
  QTest::keyClicks(box->lineEdit(), "192.168.1.300");
  EXPECT_EQ(box->currentText(), "192.168.1.300") << "what was typed stays, so the reason can be read";
  EXPECT_FALSE(dlg.ConnectButton()->isEnabled());
  EXPECT_EQ(dlg.StatusText(), QString::fromUtf8("“连接”不可用：192.168.1.300 不是有效的地址（300 大于 255）。"));
  ctx_.SetLanguage(Language::English);
  EXPECT_EQ(dlg.StatusText(), "Connect is unavailable: 192.168.1.300 is not an address (300 is above 255).");
  SaveShot(&dlg, "netconnect_en_invalid");

  QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
  EXPECT_TRUE(dlg.ConnectButton()->isEnabled());
  EXPECT_TRUE(dlg.StatusText().isEmpty()) << "mended, nothing is left to say";
}

TEST_F(DialogNetConnect, SuccessfulConnectionStoresTheTargetAndCloses) {
  emu::EmulatorOptions options;
  options.port = 0;
  emu::Emulator device(options);
  ASSERT_TRUE(device.Start());
  ctx_.SetHostBusyMark(true);
  CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
  dlg.SetAddressText(QString("127.0.0.1:%1").arg(device.Port()));
  QSignalSpy connected(&dlg, &CNetConnectDlg::connected);
  dlg.show();
  dlg.ConnectButton()->click();
  EXPECT_FALSE(ctx_.HostBusyMark());
  ASSERT_TRUE(AttemptEnds(dlg));

  EXPECT_EQ(connected.count(), 1);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_TRUE(GetLink().IsConnected());
  EXPECT_TRUE(GetLink().IsNetwork());
  EXPECT_EQ(settings_.IpAddress(), "127.0.0.1");
  EXPECT_EQ(settings_.IpPort(), device.Port());
  EXPECT_TRUE(dlg.StatusText().isEmpty());

  // The address is offered again, first, in the drop-down.
  const QString typed = QString("127.0.0.1:%1").arg(device.Port());
  EXPECT_EQ(settings_.RecentAddresses().value(0), typed);
  dlg.LoadTarget();
  EXPECT_EQ(dlg.AddressBox()->itemText(0), typed);
  EXPECT_EQ(dlg.AddressBox()->currentText(), typed);
  GetLink().Close(true);
  device.Stop();
}

TEST_F(DialogNetConnect, UsbAndDemoButtonsSayWhenNothingAnswers) {
  ctx_.SetLanguage(Language::English);
  CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
  dlg.show();
  EXPECT_FALSE(dlg.DisconnectButton()->isEnabled()) << "nothing to disconnect";
  dlg.UsbButton()->click();  // no USB backend here: nothing is plugged in
  ASSERT_TRUE(AttemptEnds(dlg));
  EXPECT_EQ(dlg.StatusText(), "No USB device found. Check the cable.");
  EXPECT_TRUE(dlg.isVisible());
  dlg.DemoButton()->click();  // nobody can start one here
  EXPECT_EQ(dlg.StatusText(), "The demo device could not start.");

  emu::EmulatorOptions options;
  options.port = 0;
  emu::Emulator demo(options);
  ASSERT_TRUE(demo.Start());
  int demoAsked = 0;
  ctx_.SetDemoStarter([&]() -> std::optional<NetTarget> {
    ++demoAsked;
    return NetTarget{"127.0.0.1", demo.Port()};
  });
  dlg.DemoButton()->click();
  ASSERT_TRUE(AttemptEnds(dlg));
  EXPECT_EQ(demoAsked, 1);
  EXPECT_FALSE(dlg.isVisible()) << "connected: the dialog closes";
  for (QPushButton* b : {dlg.ConnectButton(), dlg.UsbButton(), dlg.DemoButton(), dlg.DisconnectButton()})
    EXPECT_FALSE(b->toolTip().isEmpty()) << b->text().toStdString();
  GetLink().Close(true);
  demo.Stop();
}

TEST_F(DialogNetConnect, TextsComeFromTheLanguageTable) {
  CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
  auto text = [&](int id) {
    QWidget* w = FindControl(&dlg, id);
    if (auto* b = qobject_cast<QPushButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    return QString();
  };
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), "网络连接");
  EXPECT_EQ(text(CNetConnectDlg::kConnectId), "尝试连接");
  EXPECT_EQ(text(CNetConnectDlg::kCancelId), "取消");
  EXPECT_EQ(text(CNetConnectDlg::kAddressLabelId), "机器IP地址");
  SaveShot(&dlg, "netconnect_zh");

  ctx_.SetLanguage(Language::English);
  EXPECT_EQ(dlg.windowTitle(), "Connect IP");
  EXPECT_EQ(text(CNetConnectDlg::kConnectId), "Connect");
  EXPECT_EQ(text(CNetConnectDlg::kCancelId), "Cancel");
  EXPECT_EQ(text(CNetConnectDlg::kAddressLabelId), "Host IP:");
  SaveShot(&dlg, "netconnect_en");

  qobject_cast<QPushButton*>(FindControl(&dlg, CNetConnectDlg::kCancelId))->click();
  EXPECT_FALSE(dlg.isVisible()) << "cancel hides; the dialog is kept for the next time";
}

TEST_F(DialogNetConnect, ScanFindsTheDeviceOnTheSubnetAndFillsInItsAddress) {
  emu::EmulatorOptions options;
  options.port = 0;
  emu::Emulator device(options);
  ASSERT_TRUE(device.Start());
  CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
  dlg.show();
  dlg.scanSubnets = [] { return std::vector<Ipv4Subnet>{}; };
  dlg.ScanButton()->click();
  EXPECT_FALSE(dlg.Scanning());
  EXPECT_EQ(dlg.StatusText(), QString::fromUtf8("本机没有可扫描的网络（只有回环接口）。"));

  // The port to look on is the one in the address line; the subnet here is the loopback /30.
  dlg.SetAddressText(QStringLiteral("10.1.2.3:%1").arg(device.Port()));
  dlg.scanSubnets = [] {
    std::string error;
    return std::vector<Ipv4Subnet>{*ParseSubnet("127.0.0.0/30", error)};
  };
  dlg.scanOptions.connectTimeout = std::chrono::milliseconds(300);
  QSignalSpy finished(&dlg, &CNetConnectDlg::scanFinished);
  dlg.ScanButton()->click();
  EXPECT_TRUE(dlg.Scanning());
  EXPECT_EQ(dlg.ScanButton()->text(), QString::fromUtf8("停止"));
  ASSERT_TRUE(finished.wait(10000));
  const QString found = QStringLiteral("127.0.0.1:%1").arg(device.Port());
  EXPECT_EQ(dlg.AddressBox()->currentText(), found);
  EXPECT_EQ(dlg.AddressBox()->itemText(0), found) << "offered in the list as well";
  EXPECT_TRUE(dlg.StatusText().contains(found)) << dlg.StatusText().toStdString();
  EXPECT_FALSE(dlg.StatusText().contains("127.0.0.2")) << "nothing else answers there";
  EXPECT_EQ(dlg.ScanButton()->text(), QString::fromUtf8("扫描"));
  SaveShot(&dlg, "netconnect_scan_zh");
  ctx_.SetLanguage(Language::English);
  EXPECT_TRUE(dlg.StatusText().startsWith("Found: " + found)) << dlg.StatusText().toStdString();
  SaveShot(&dlg, "netconnect_scan_en");
  EXPECT_TRUE(dlg.TryConnect()) << "the address found connects";
  ASSERT_TRUE(AttemptEnds(dlg));
  EXPECT_TRUE(GetLink().IsConnected());
  GetLink().Close(true);
  device.Stop();
}

// The scan runs on a thread of the dialog's: closing the dialog stops it, and a dialog destroyed
// mid-scan waits for it, so nothing calls back into a window that is gone.
TEST_F(DialogNetConnect, ClosingOrDestroyingTheDialogEndsAScanCleanly) {
  QTcpServer silent;  // accepts, never answers an identification
  ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
  const auto configure = [&](CNetConnectDlg& dlg) {
    dlg.SetAddressText(QStringLiteral("10.1.2.3:%1").arg(silent.serverPort()));
    dlg.scanSubnets = [] {
      std::string error;
      return std::vector<Ipv4Subnet>{*ParseSubnet("127.0.0.0/30", error)};
    };
    dlg.scanOptions.answerTimeout = std::chrono::milliseconds(300);
  };

  CNetConnectDlg dlg(ctx_);
  dlg.SetConnector(&connector_);
  configure(dlg);
  dlg.show();
  QSignalSpy finished(&dlg, &CNetConnectDlg::scanFinished);
  dlg.ScanButton()->click();
  ASSERT_TRUE(dlg.Scanning());
  dlg.hide();
  ASSERT_TRUE(finished.wait(5000));
  EXPECT_FALSE(dlg.Scanning());
  ctx_.SetLanguage(Language::English);
  EXPECT_EQ(dlg.StatusText(), "The scan was stopped.");
  EXPECT_EQ(dlg.ScanButton()->text(), "Scan");

  auto* doomed = new CNetConnectDlg(ctx_);
  configure(*doomed);
  doomed->ScanButton()->click();
  ASSERT_TRUE(doomed->Scanning());
  delete doomed;  // joins the scan; its progress and result must not reach the deleted window
  WaitFor([] { return false; }, 400);
}

}  // namespace
}  // namespace nr::gui::test
