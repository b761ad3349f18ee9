// What makes a step: gestures bracketed by snapshots, with a question answered in between, keys
// on one control, and an undo that is no step of its own.
#include "shell/EditHistory.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "gui/ScriptedPrompts.h"
#include "link/DeviceSession.h"
#include "support/RecordingSink.h"

namespace nr::gui::test {
namespace {

class EditHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qApp->installEventFilter(&history_);
    window_.resize(300, 200);
    button_ = new QPushButton("Reset", &window_);
    yes_ = new QPushButton("Yes", &window_);
    yes_->move(0, 50);
    box_ = new QSpinBox(&window_);
    box_->move(0, 100);
    box_->setRange(0, 100);
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }
  void TearDown() override { qApp->removeEventFilter(&history_); }
  int Volume() { return model_.Read([](const DeviceState& s) { return s.IntValue(1, 14); }); }
  bool Settled(int steps) {
    return WaitUntil([&] { return !history_.GestureOpen() && history_.Stack().count() == steps; }, 2000);
  }

  DeviceModel model_;
  nr::test::RecordingSink sink_;
  DeviceSession session_{model_, sink_};
  EditHistory history_{session_};
  QWidget window_;
  QPushButton* button_ = nullptr;
  QPushButton* yes_ = nullptr;
  QSpinBox* box_ = nullptr;
};

TEST_F(EditHistoryTest, AQuestionAnsweredInTheMiddleOfAClickKeepsItOneStep) {
  const int before = Volume();
  // The click asks first, in an event loop of its own where the user presses "Yes"; only then
  // does it change anything. The step must hold that change, not end at the "Yes".
  QObject::connect(button_, &QPushButton::clicked, [&] {
    QEventLoop question;
    QTimer::singleShot(20, [&] { QTest::mouseClick(yes_, Qt::LeftButton); });
    QTimer::singleShot(250, &question, &QEventLoop::quit);
    question.exec();
    session_.SetParam(1, 14, 11);
    session_.SetParam(4, 12, 12);
  });
  QTest::mouseClick(button_, Qt::LeftButton);
  ASSERT_TRUE(Settled(1));
  sink_.Clear();
  history_.Undo();
  EXPECT_EQ(Volume(), before);
  EXPECT_EQ(sink_.Payloads().size(), 2u) << "both records go back in one undo";
  history_.Redo();
  EXPECT_EQ(Volume(), 11);
}

TEST_F(EditHistoryTest, KeysOnOneControlJoinAndAnUndoIsNoStepOfItsOwn) {
  QObject::connect(box_, &QSpinBox::valueChanged, [&](int v) { session_.SetParam(1, 14, v); });
  box_->setValue(50);
  ASSERT_EQ(history_.Stack().count(), 0) << "a change no gesture made is no step";
  box_->setFocus();
  for (int i = 0; i < 4; ++i) QTest::keyClick(box_, Qt::Key_Up);
  ASSERT_TRUE(Settled(1));
  EXPECT_EQ(Volume(), 54);
  QTest::mouseClick(button_, Qt::LeftButton);  // nothing changes: no step
  box_->setFocus();
  QTest::keyClick(box_, Qt::Key_Up);
  ASSERT_TRUE(Settled(2)) << "keys after another gesture start a step of their own";

  // Ctrl+Z in a number box is the application's: the value it sent goes back, not its text.
  QShortcut undo(QKeySequence(Qt::CTRL | Qt::Key_Z), &window_);
  QObject::connect(&undo, &QShortcut::activated, [&] { history_.Undo(); });
  QTest::keyClick(box_, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Volume(), 54);
  EXPECT_TRUE(Settled(2)) << "the undo made no step";
  EXPECT_EQ(history_.Stack().index(), 1);

  // Keys typed back to where they started leave no step.
  history_.Clear();
  box_->setValue(Volume());  // as a refresh would show it
  box_->setFocus();
  QTest::keyClick(box_, Qt::Key_Up);
  QTest::keyClick(box_, Qt::Key_Down);
  EXPECT_TRUE(Settled(0));
}

}  // namespace
}  // namespace nr::gui::test
