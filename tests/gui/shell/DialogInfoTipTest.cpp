// The information tip and the tray balloon that falls back on it.
#include <QPushButton>
#include <QSystemTrayIcon>

#include "shell/CInfoDlg.h"
#include "gui/shell/DialogFixture.h"
#include "shell/DialogTexts.h"
#include "shell/TrayBalloon.h"
#include "support/EventLoop.h"

namespace nr::gui::test {
namespace {

using DialogInfoTip = DialogTest;

TEST_F(DialogInfoTip, HidesAfterItsTimeAndANewTipRestartsTheTimer) {
  EXPECT_EQ(CInfoDlg::Existing(ctx_), nullptr);
  ShowInfoTip(ctx_, "first", 100);
  CInfoDlg* tip = CInfoDlg::Existing(ctx_);
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(tip->isVisible());

  ShowInfoTip(ctx_, "second", 60000);
  EXPECT_EQ(CInfoDlg::Existing(ctx_), tip) << "one tip window, kept";
  EXPECT_EQ(tip->Text(), "second");
  ASSERT_TRUE(nr::test::ServeTimersDueWithin(100));
  EXPECT_TRUE(tip->isVisible()) << "the first tip's time no longer applies";
  EXPECT_GT(tip->RemainingMs(), 1000) << "the second tip's time runs from its start";

  ShowInfoTip(ctx_, "third", 100);
  EXPECT_TRUE(WaitFor([&] { return !tip->isVisible(); }, 5000));
  ShowInfoTip(ctx_, "fourth", 100);
  EXPECT_TRUE(tip->isVisible()) << "a hidden tip comes back for the next text";
  EXPECT_TRUE(WaitFor([&] { return !tip->isVisible(); }, 5000));
}

TEST_F(DialogInfoTip, CloseButtonHidesAtOnceAndTextsFollowTheLanguage) {
  ShowInfoTip(ctx_, "请先连接设备!", 5000);
  CInfoDlg& tip = CInfoDlg::Of(ctx_);
  auto* close = qobject_cast<QPushButton*>(FindControl(&tip, CInfoDlg::kCloseId));
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(tip.windowTitle(), "信息");
  EXPECT_EQ(close->text(), "关闭");
  SaveShot(&tip, "info_tip_zh");

  ctx_.SetLanguage(Language::English);
  ShowInfoTip(ctx_, "Please connect device!", 5000);
  EXPECT_EQ(tip.windowTitle(), "Information");
  EXPECT_EQ(close->text(), "Close");
  SaveShot(&tip, "info_tip_en");

  close->click();
  EXPECT_FALSE(tip.isVisible());
  EXPECT_FALSE(tip.HidePending());
}

TEST_F(DialogInfoTip, BalloonWithoutATrayBecomesATip) {
  if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a tray";
  ShowTrayBalloon(ctx_, "信息", "设备已连接，同步中……", 300);
  CInfoDlg* tip = CInfoDlg::Existing(ctx_);
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(tip->isVisible());
  EXPECT_EQ(tip->Text(), "设备已连接，同步中……");
  EXPECT_FALSE(TrayBalloon::Of(ctx_).IconShown());
  EXPECT_TRUE(WaitFor([&] { return !tip->isVisible(); }, 1000));
}

}  // namespace
}  // namespace nr::gui::test
