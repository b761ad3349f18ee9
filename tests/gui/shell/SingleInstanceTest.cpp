// One instance per settings store: a second start with the same store raises the first and says
// so; a start with a settings file of its own is an instance of its own.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "shell/SingleInstance.h"

namespace nr::gui {
namespace {

TEST(SingleInstance, ASecondStartRaisesTheFirstAndSaysSo) {
  QTemporaryDir dir;
  // A key of this test's own, so that a running nrtune or another test is never involved.
  const QString key = "nrtune-test " + dir.path();
  SingleInstance first(key);
  ASSERT_EQ(first.Acquire(), InstanceStart::kFirst);
  QSignalSpy raised(&first, &SingleInstance::raiseRequested);

  SingleInstance second(key);
  EXPECT_EQ(second.Acquire(), InstanceStart::kRaisedOther);
  EXPECT_TRUE(raised.wait(2000));
  const QString said = SecondStartMessage(InstanceStart::kRaisedOther);
  EXPECT_TRUE(said.contains("already running")) << said.toStdString();
  EXPECT_TRUE(said.contains("brought to the front")) << said.toStdString();
  EXPECT_TRUE(SecondStartMessage(InstanceStart::kFirst).isEmpty());

  // Its own settings file makes a separate instance; the same file given again does not.
  SingleInstance portable(key, dir.filePath("a.ini"));
  EXPECT_EQ(portable.Acquire(), InstanceStart::kFirst);
  SingleInstance portableAgain(key, dir.filePath("sub/../a.ini"));
  EXPECT_EQ(portableAgain.Acquire(), InstanceStart::kRaisedOther);
  SingleInstance other(key, dir.filePath("b.ini"));
  EXPECT_EQ(other.Acquire(), InstanceStart::kFirst);
}

}  // namespace
}  // namespace nr::gui
