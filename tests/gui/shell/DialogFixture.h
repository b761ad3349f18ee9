#pragma once
// What the dialog tests share: a real device connection without USB, settings in a private INI
// file, an application context over both, a loopback peer for the network link, and screenshots
// into the folder named by NR_SCREENSHOTS.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "session/Connection.h"
#include "shell/AppContext.h"
#include "shell/AppSettings.h"
#include "support/Screenshots.h"

namespace nr::gui::test {

class DialogTest : public ::testing::Test {
 protected:
  static LinkConfig QuickLink() {
    LinkConfig config;
    config.connectTimeout = std::chrono::milliseconds(2000);
    return config;
  }

  DialogTest()
      : settings_(dir_.filePath("settings.ini")),
        connection_(events_, nullptr, nullptr, QuickLink()),
        ctx_(connection_, settings_) {}

  ~DialogTest() override {
    connection_.GetLink().Close(false);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  Link& GetLink() { return connection_.GetLink(); }

  // Opens the network link to a loopback listener; the test can read what the link sends.
  void ConnectToPeer() {
    ASSERT_TRUE(peer_.listen(QHostAddress::LocalHost, 0));
    GetLink().SetNetwork(true);
    GetLink().SetNetTarget("127.0.0.1", peer_.serverPort());
    ASSERT_EQ(GetLink().NetConnect(), 1);
    ASSERT_TRUE(peer_.waitForNewConnection(2000));
    peerSocket_ = peer_.nextPendingConnection();
  }

  // Reads from the peer until the bytes contain wanted or the time is up.
  bool PeerReceives(const QByteArray& wanted, int ms = 2000) {
    QElapsedTimer clock;
    clock.start();
    while (!received_.contains(wanted) && clock.elapsed() < ms) {
      peerSocket_->waitForReadyRead(50);
      received_ += peerSocket_->readAll();
    }
    return received_.contains(wanted);
  }

  // Waits, serving events, until done() or the time is up.
  static bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QTest::qWait(10);
    return done();
  }

  static QMessageBox* FindMessageBox(const QString& text) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->text() == text) return box;
    return nullptr;
  }

  // Saves what the user would see of widget (shown, laid out) as <name>.png.
  static void SaveShot(QWidget* widget, const QString& name) {
    nr::test::SaveScreenshot(widget, name);
  }

  QTemporaryDir dir_;
  AppSettings settings_;
  LinkEvents events_;
  Connection connection_;
  AppContext ctx_;
  QTcpServer peer_;
  QTcpSocket* peerSocket_ = nullptr;
  QByteArray received_;
};

}  // namespace nr::gui::test
