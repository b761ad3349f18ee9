// One instance per settings store: a second start with the same store raises the first and says
// so; a start with a settings file of its own is an instance of its own.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "shell/AppSettings.h"
#include "shell/ScreenshotMode.h"
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

TEST(SingleInstance, ASecondStartHandsItsFileToTheFirst) {
  QTemporaryDir dir;
  const QString key = "nrtune-test " + dir.path();
  SingleInstance first(key);
  ASSERT_EQ(first.Acquire(), InstanceStart::kFirst);
  QSignalSpy opened(&first, &SingleInstance::openRequested);

  // Any name a file may have, given relative to the second start's own folder.
  const QString name = QStringLiteral("room 1\n%41 #2 预设.mode");
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  SingleInstance second(key);
  const InstanceStart start = second.Acquire(name, true);
  QDir::setCurrent(previous);
  EXPECT_EQ(start, InstanceStart::kHandedFile);
  ASSERT_TRUE(opened.wait(2000));
  EXPECT_EQ(opened.at(0).at(0).toString(), QDir(dir.path()).filePath(name));
  EXPECT_TRUE(opened.at(0).at(1).toBool());
  EXPECT_TRUE(SecondStartMessage(start).contains("handed"));
}

TEST(SingleInstance, LockAndSocketLiveInTheRuntimeFolderWhenThereIsOne) {
  QTemporaryDir runtime;
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
  {
    SingleInstance first("nrtune-test " + runtime.path());
    ASSERT_EQ(first.Acquire(), InstanceStart::kFirst);
    EXPECT_TRUE(first.LockPath().startsWith(runtime.path() + "/")) << first.LockPath().toStdString();
    EXPECT_TRUE(QFileInfo::exists(first.LockPath()));
    EXPECT_TRUE(QFileInfo(first.SocketPath()).exists() && first.SocketPath().startsWith(runtime.path() + "/"));
  }
  qputenv("XDG_RUNTIME_DIR", runtime.filePath("gone").toUtf8());  // set, but no folder: the temporary one
  EXPECT_EQ(SingleInstance::RuntimeFolder(), QDir::tempPath());
  if (saved.isNull()) qunsetenv("XDG_RUNTIME_DIR"); else qputenv("XDG_RUNTIME_DIR", saved);
}

TEST(ScreenshotSettings, TheRunWorksOnACopyAndTheStoreStaysAsItWas) {
  QTemporaryDir dir;
  const QString store = dir.filePath("user.ini");
  {
    AppSettings user(store);
    user.SetLanguage(Language::Chinese);
    user.AddRecentFile(dir.filePath("a.mode"));
    ASSERT_TRUE(user.Sync());
  }
  QFile original(store);
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  const QByteArray before = original.readAll();
  original.close();

  ScreenshotSettings screenshots;
  const QString copy = screenshots.Prepare(store);
  ASSERT_FALSE(copy.isEmpty());
  EXPECT_NE(QFileInfo(copy).absoluteFilePath(), QFileInfo(store).absoluteFilePath());
  {
    AppSettings run(copy);
    EXPECT_EQ(run.RecentFiles(), QStringList{dir.filePath("a.mode")});  // the user's look and lists
    run.SetLanguage(Language::English);  // what rendering the English windows does
    ASSERT_TRUE(run.Sync());
  }
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  EXPECT_EQ(original.readAll(), before);
  EXPECT_EQ(AppSettings(store).Language(), Language::Chinese);
}

}  // namespace
}  // namespace nr::gui
