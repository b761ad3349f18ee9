// The network connection dialog against real sockets on the loopback interface.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <cerrno>

#include "gui/shell/DialogFixture.h"
#include "shell/CNetConnectDlg.h"
#include "shell/DialogTexts.h"

namespace nr::gui::test {
namespace {

using DialogNetConnect = DialogTest;

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
    EXPECT_EQ(dlg.Address(), "192.168.1.123");
    EXPECT_EQ(dlg.Port(), 30303);
  }
  settings_.SetNetTarget("10.0.0.7", 4000);
  {
    CNetConnectDlg dlg(ctx_);
    EXPECT_EQ(dlg.Address(), "10.0.0.7");
    EXPECT_EQ(dlg.Port(), 4000);
  }
  settings_.SetNetTarget("10.0.0.300", 0);  // damaged settings
  {
    CNetConnectDlg dlg(ctx_);
    EXPECT_EQ(dlg.Address(), "192.168.1.123");
    EXPECT_EQ(dlg.Port(), 30303);
  }
}

TEST_F(DialogNetConnect, RefusedConnectionReportsTheErrorAndStaysOpen) {
  ctx_.SetLanguage(1);
  settings_.SetNetTarget("127.0.0.1", ClosedPort());
  CNetConnectDlg dlg(ctx_);
  QSignalSpy connected(&dlg, &CNetConnectDlg::connected);
  dlg.show();
  dlg.ConnectButton()->click();
  EXPECT_EQ(dlg.StatusText(), QString("Connect failed. Error %1").arg(ECONNREFUSED));
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(connected.count(), 0);
  EXPECT_FALSE(GetLink().IsConnected());
  EXPECT_TRUE(GetLink().IsNetwork()) << "the link stays set to the network after a failure";
  SaveShot(&dlg, "netconnect_en_refused");

  ctx_.SetLanguage(0);
  EXPECT_EQ(dlg.StatusText(), QString("错误%1，请确认IP地址和端口号正确!").arg(ECONNREFUSED));
  SaveShot(&dlg, "netconnect_zh_refused");
}

TEST_F(DialogNetConnect, SuccessfulConnectionStoresTheTargetAndCloses) {
  QTcpServer device;
  ASSERT_TRUE(device.listen(QHostAddress::LocalHost, 0));
  settings_.SetNetTarget("", static_cast<int>(device.serverPort()));
  ctx_.SetHostBusyMark(true);
  CNetConnectDlg dlg(ctx_);
  ASSERT_TRUE(dlg.AddressEdit()->SetAddress("127.0.0.1"));
  QSignalSpy connected(&dlg, &CNetConnectDlg::connected);
  dlg.show();
  dlg.ConnectButton()->click();

  EXPECT_EQ(connected.count(), 1);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_TRUE(GetLink().IsConnected());
  EXPECT_TRUE(GetLink().IsNetwork());
  EXPECT_FALSE(ctx_.HostBusyMark());
  EXPECT_EQ(settings_.IpAddress(), "127.0.0.1");
  EXPECT_EQ(settings_.IpPort(), device.serverPort());
  EXPECT_TRUE(dlg.StatusText().isEmpty());
}

TEST_F(DialogNetConnect, IncompleteAddressIsNotDialled) {
  CNetConnectDlg dlg(ctx_);
  dlg.AddressEdit()->Field(2)->clear();
  dlg.ConnectButton()->click();
  EXPECT_EQ(dlg.StatusText(), "请输入完整的IP地址!");
  EXPECT_FALSE(GetLink().IsNetwork()) << "nothing was attempted";
}

TEST_F(DialogNetConnect, AddressFieldsAdvanceLikeAnAddressControl) {
  CNetConnectDlg dlg(ctx_);
  dlg.show();
  dlg.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
  Ipv4AddressEdit* edit = dlg.AddressEdit();
  edit->Clear();
  edit->Field(0)->setFocus();
  // Keys go where the focus is, as they would from a keyboard.
  auto type = [](const QString& keys) {
    for (QChar c : keys) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
  };
  type("10.1.");
  EXPECT_EQ(QApplication::focusWidget(), edit->Field(2)) << "a dot moves on";
  type("200");
  EXPECT_EQ(QApplication::focusWidget(), edit->Field(3)) << "a third digit moves on";
  type("37");
  EXPECT_EQ(dlg.Address(), "10.1.200.37");

  QTest::keyClicks(edit->Field(3), "9");
  EXPECT_EQ(edit->Field(3)->text(), "37") << "a field never exceeds 255";
  edit->Field(3)->setCursorPosition(0);
  QTest::keyClick(edit->Field(3), Qt::Key_Backspace);
  EXPECT_EQ(QApplication::focusWidget(), edit->Field(2)) << "backspace at the start goes back";
  EXPECT_FALSE(edit->SetAddress("1.2.3"));
  EXPECT_FALSE(edit->SetAddress("1.2.3.04"));
  EXPECT_EQ(dlg.Address(), "10.1.200.37");
}

TEST_F(DialogNetConnect, TextsComeFromTheLanguageTable) {
  CNetConnectDlg dlg(ctx_);
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

  ctx_.SetLanguage(1);
  EXPECT_EQ(dlg.windowTitle(), "Connect IP");
  EXPECT_EQ(text(CNetConnectDlg::kConnectId), "Connect");
  EXPECT_EQ(text(CNetConnectDlg::kCancelId), "Cancel");
  EXPECT_EQ(text(CNetConnectDlg::kAddressLabelId), "Host IP:");
  SaveShot(&dlg, "netconnect_en");

  qobject_cast<QPushButton*>(FindControl(&dlg, CNetConnectDlg::kCancelId))->click();
  EXPECT_FALSE(dlg.isVisible()) << "cancel hides; the dialog is kept for the next time";
}

}  // namespace
}  // namespace nr::gui::test
