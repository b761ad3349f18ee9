// The two progress dialogs: the synchronisation dialog and the please-wait dialog with its
// forced stop.
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>

#include "emu/Emulator.h"
#include "gui/shell/DialogFixture.h"
#include "shell/CInfoDlg.h"
#include "shell/CSyncDlg.h"
#include "shell/CWaitDlg.h"
#include "support/EventLoop.h"

namespace nr::gui::test {
namespace {

using DialogSync = DialogTest;
using DialogWait = DialogTest;

int VisibleSyncDialogs() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<CSyncDlg*>(w) && w->isVisible()) ++n;
  return n;
}

TEST_F(DialogSync, ASecondShowRaisesTheSameDialogAndOnlyCloseEndsIt) {
  SyncDialogOwner owner(ctx_);
  owner.Show();
  CSyncDlg* first = owner.Dialog();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Text(), "当前正在与机器同步数据,请稍候......");
  EXPECT_EQ(first->windowTitle(), "同步过程");
  EXPECT_TRUE(first->isModal());
  SaveShot(first, "sync_zh");

  owner.Show("another text");
  EXPECT_EQ(owner.Dialog(), first);
  EXPECT_EQ(first->Text(), "当前正在与机器同步数据,请稍候......");
  EXPECT_EQ(VisibleSyncDialogs(), 1);

  QTest::keyClick(first, Qt::Key_Escape);
  EXPECT_TRUE(owner.IsShown());
  EXPECT_TRUE(first->isVisible()) << "the user cannot dismiss a transfer in progress";

  ctx_.SetLanguage(Language::English);
  EXPECT_EQ(first->windowTitle(), "Synchronize");
  EXPECT_EQ(first->Text(), "Please wait a moment……");
  SaveShot(first, "sync_en");

  owner.Close();
  EXPECT_FALSE(owner.IsShown());
  EXPECT_EQ(VisibleSyncDialogs(), 0);
  owner.Show("读取中");
  EXPECT_EQ(owner.Dialog()->Text(), "读取中");
}

TEST_F(DialogSync, TimeOutClosesTheDialogReportsAndDropsTheNetworkLink) {
  ConnectToPeer();
  SyncDialogOwner owner(ctx_, nullptr, 200);
  QSignalSpy timedOut(&owner, &SyncDialogOwner::timedOut);
  owner.Show();
  ASSERT_TRUE(timedOut.wait(2000));
  EXPECT_FALSE(owner.IsShown());
  QMessageBox* box = owner.TimeoutBox();
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisible());
  EXPECT_EQ(box->text(), "发生错误，与设备数据同步超时……");
  EXPECT_EQ(box->windowTitle(), "错误");
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_FALSE(GetLink().IsConnected());
  SaveShot(box, "sync_timeout_box");
}

TEST_F(DialogSync, ClosedInTimeNeverTimesOut) {
  constexpr int kTimeoutMs = 200;
  SyncDialogOwner owner(ctx_, nullptr, kTimeoutMs);
  QSignalSpy timedOut(&owner, &SyncDialogOwner::timedOut);
  owner.Show();
  owner.Close();
  ASSERT_TRUE(nr::test::ServeTimersDueWithin(kTimeoutMs));
  EXPECT_EQ(timedOut.count(), 0);
  EXPECT_EQ(owner.TimeoutBox(), nullptr);
}

TEST_F(DialogSync, ATransferThatKeepsAnsweringIsNeverCutOff) {
  // Each answer comes 20 ms late: the whole read takes far longer than the dialog's time-out,
  // which therefore runs from the last answer, not from the start.
  emu::EmulatorOptions options;
  options.port = 0;
  options.latency = std::chrono::milliseconds(20);
  emu::Emulator device(options);
  ASSERT_TRUE(device.Start());
  GetLink().SetNetwork(true);
  GetLink().SetNetTarget("127.0.0.1", device.Port());
  ASSERT_EQ(GetLink().NetConnect(), 1);
  SyncDialogOwner owner(ctx_, nullptr, 400);
  QSignalSpy timedOut(&owner, &SyncDialogOwner::timedOut);
  QElapsedTimer clock;
  clock.start();
  owner.Show();
  connection_.Sync().StartBulkRead();
  EXPECT_TRUE(WaitFor([&] { return !connection_.Sync().Busy(); }, 30000));
  EXPECT_GT(clock.elapsed(), 400) << "a read quicker than the time-out proves nothing";
  EXPECT_EQ(timedOut.count(), 0);
  EXPECT_TRUE(owner.IsShown());
  EXPECT_TRUE(GetLink().IsConnected());
  owner.Close();
  GetLink().Close(false);
}

TEST(DialogWaitAbort, FramesAbortOnlyTheOperationsThatHaveOne) {
  // Serial API request: SOF, length 5, type 00, function, 05 00, checksum FF ^ every byte from
  // the length on.
  EXPECT_EQ(AbortFrame(0x4A), (std::vector<uint8_t>{0x01, 0x05, 0x00, 0x4A, 0x05, 0x00, 0xB5}));
  EXPECT_EQ(AbortFrame(0x4B), (std::vector<uint8_t>{0x01, 0x05, 0x00, 0x4B, 0x05, 0x00, 0xB4}));
  // A send is aborted by the send-data abort (16), which has no parameters.
  EXPECT_EQ(AbortFrame(0x13), (std::vector<uint8_t>{0x01, 0x03, 0x00, 0x16, 0xEA}));
  EXPECT_TRUE(AbortFrame(0x42).empty());
  EXPECT_TRUE(AbortFrame(0x02).empty());
}

TEST_F(DialogWait, ForcedStopSendsTheAbortOverTheLinkAndCloses) {
  ConnectToPeer();
  WaitDialogOwner owner(ctx_);
  QSignalSpy stopped(&owner, &WaitDialogOwner::forcedStop);
  QSignalSpy keyReset(&owner, &WaitDialogOwner::plugKeyReset);
  owner.Show("正在添加设备……", 0x4A, 0, 0);
  ASSERT_TRUE(owner.IsShown());
  EXPECT_EQ(owner.Dialog()->windowTitle(), "请稍等……");
  EXPECT_EQ(owner.Dialog()->StopButton()->text(), "强行中止");
  SaveShot(owner.Dialog(), "wait_zh");

  owner.Dialog()->StopButton()->click();
  EXPECT_FALSE(owner.IsShown());
  ASSERT_EQ(stopped.count(), 1);
  EXPECT_EQ(stopped.at(0).at(0).toInt(), 0x4A);
  EXPECT_EQ(keyReset.count(), 0);
  // On the network the Z-Wave channel byte 80 precedes the serial frame.
  EXPECT_TRUE(PeerReceives(QByteArray::fromHex("800105004A0500B5")));
}

TEST_F(DialogWait, AbandonedKeyWriteAsksThePlugPageToForgetTheKey) {
  WaitDialogOwner owner(ctx_);
  QSignalSpy keyReset(&owner, &WaitDialogOwner::plugKeyReset);
  owner.Show("学习中", 0x13, 7, 192 + 5);
  owner.Dialog()->StopButton()->click();
  ASSERT_EQ(keyReset.count(), 1);
  EXPECT_EQ(keyReset.at(0).at(0).toInt(), 7);
  EXPECT_EQ(keyReset.at(0).at(1).toInt(), 5);

  owner.Show("设置插座", 0x13, 7, 0xFF - 64);  // 191: an ordinary plug value, not a key
  owner.Dialog()->StopButton()->click();
  EXPECT_EQ(keyReset.count(), 1);
}

TEST_F(DialogWait, TimeOutStopsTheOperationAndTellsTheUser) {
  WaitDialogOwner owner(ctx_, nullptr, WaitTimings{.stepMs = 50, .timeoutMs = 200, .rearmTimeoutMs = 600, .timeoutTipMs = 400});
  QSignalSpy stopped(&owner, &WaitDialogOwner::forcedStop);
  QSignalSpy timedOut(&owner, &WaitDialogOwner::timedOut);
  owner.Show("正在删除设备……", 0x4B, 0, 0);
  owner.Show("仍在等待", 0x4B, 0, 0);  // armed again: now the re-arm time-out, from here
  ASSERT_TRUE(nr::test::ServeTimersDueWithin(200));
  EXPECT_TRUE(owner.IsShown()) << "the first time-out no longer applies";
  EXPECT_EQ(owner.Dialog()->Text(), "仍在等待");
  EXPECT_GT(owner.Dialog()->Bar()->value(), 0) << "the bar steps";

  ASSERT_TRUE(timedOut.wait(5000));
  EXPECT_FALSE(owner.IsShown());
  ASSERT_EQ(stopped.count(), 1);
  EXPECT_EQ(stopped.at(0).at(0).toInt(), 0x4B);
  CInfoDlg* tip = CInfoDlg::Existing(ctx_);
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(tip->isVisible());
  EXPECT_EQ(tip->Text(), "发生错误，操作超时……");
}

TEST_F(DialogWait, FinishShowsTheFullBarThenCloses) {
  WaitDialogOwner owner(ctx_);
  QSignalSpy stopped(&owner, &WaitDialogOwner::forcedStop);
  owner.Show("配对中", 0x4A, 0, 0);
  CWaitDlg* dialog = owner.Dialog();
  dialog->Bar()->setValue(100);
  dialog->Step();
  EXPECT_EQ(dialog->Bar()->value(), 0) << "the bar starts over past its end";

  owner.SetText("配对成功", QColor(0, 150, 0));
  EXPECT_EQ(dialog->Text(), "配对成功");
  EXPECT_EQ(dialog->TextColor(), QColor(0, 150, 0));
  owner.Finish(150);
  EXPECT_EQ(dialog->Bar()->value(), 100);
  EXPECT_TRUE(owner.IsShown());
  SaveShot(dialog, "wait_finished");
  EXPECT_TRUE(WaitFor([&] { return !owner.IsShown(); }, 1000));

  owner.Show("再次", 0x4A, 0, 0);
  owner.Finish(0);
  EXPECT_FALSE(owner.IsShown());
  EXPECT_EQ(stopped.count(), 0) << "a finished operation is not aborted";
}

}  // namespace
}  // namespace nr::gui::test
