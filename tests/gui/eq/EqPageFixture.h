#pragma once
// A page as the EQ pages build it: a panel and its band editor over a device model whose session
// records every packet instead of sending it. The panel's context menus answer from a script.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <deque>

#include "eq/BandEditor.h"
#include "eq/BandWrites.h"
#include "eq/CEqPanel.h"
#include "eq/EqSetCopy.h"
#include "eq/EqSetTable.h"
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"
#include "support/RecordingSink.h"
#include "support/Screenshots.h"

namespace nr::gui::test {

using nr::test::Bytes;

class ScriptedPanel : public CEqPanel {
 public:
  using CEqPanel::CEqPanel;
  std::deque<int> answers;         // command to choose for each menu shown (0: dismissed)
  std::vector<QStringList> menus;  // the entries of every menu shown
  std::vector<int> ticked;         // per menu shown, the index of its ticked entry (-1: none)
  QString picture;                 // the next menu is shown and saved under this name

 protected:
  int ExecMenu(QMenu& menu, const QPoint& at) override {
    if (!picture.isEmpty()) {
      menu.popup(at);
      if (QTest::qWaitForWindowExposed(&menu)) nr::test::SaveScreenshot(&menu, std::exchange(picture, QString()));
      menu.hide();
    }
    QStringList entries;
    int tick = -1;
    for (const QAction* action : menu.actions()) {
      if (action->isChecked()) tick = static_cast<int>(entries.size());
      entries << action->text();
    }
    menus.push_back(entries);
    ticked.push_back(tick);
    if (answers.empty()) return 0;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

// The page counts the keys that get past the panel.
class CountingPage : public QWidget {
 public:
  int keys = 0;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    ++keys;
    QWidget::keyPressEvent(event);
  }
};

class EqPageTest : public ::testing::Test {
 protected:
  static constexpr int kPanelWidth = 1024;
  static constexpr int kPanelHeight = 520;

  void SetUp() override { Build(Language::English); }

  void Build(Language language) {
    panel_ = new ScriptedPanel(&model_, language, &page_);
    panel_->setGeometry(0, 0, kPanelWidth, kPanelHeight);
    editor_ = new BandEditor(*panel_, session_, copied_, language, &page_);
    editor_->setGeometry(kPanelWidth, 0, 340, kPanelHeight);
    page_.resize(kPanelWidth + 340, kPanelHeight);
    panel_->show();  // children added to a page already on screen are not shown with it
    editor_->show();
    page_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page_));
  }

  void Load(int set) {
    editor_->LoadSet(set);
    QApplication::processEvents();
    sink_.Clear();
  }

  // Mouse moves go straight to the panel, with the buttons held as given.
  void Move(QPoint pos, Qt::MouseButtons buttons) {
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), panel_->mapToGlobal(QPointF(pos)), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(panel_, &move);
  }
  void Wheel(int delta) {
    const QPointF pos(200, 200);
    QWheelEvent wheel(pos, panel_->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(panel_, &wheel);
  }

  // The band records sent (command 0x85), decoded.
  std::vector<EqBand> SentRecords() const {
    std::vector<EqBand> out;
    for (const Bytes& p : sink_.Payloads())
      if (p.size() == 11 && p[0] == 0x85) out.push_back(DecodeEqBand(&p[4]));
    return out;
  }
  int CoefficientPackets() const {
    int n = 0;
    for (const Bytes& p : sink_.Payloads()) n += p[0] == 0x09 ? 1 : 0;
    return n;
  }
  EqBand Stored(int set, int band) const { return model_.Read([&](const DeviceState& s) { return s.Band(set, band); }); }

  // Writes a band straight into the model, as a device reply or a mode file would.
  void Store(int set, int band, int type, int freq, float gain, float q) {
    NullSink none;
    DeviceSession offline(model_, none);
    SetEqBand(offline, set, band, type, freq, gain, q);
  }

  static void SaveScreenshot(const QImage& image, const QString& name) {
    nr::test::SaveScreenshot(image, name);
  }

  DeviceModel model_;
  nr::test::RecordingSink sink_;
  DeviceSession session_{model_, sink_};
  CopiedEqSet copied_;
  CountingPage page_;
  ScriptedPanel* panel_ = nullptr;
  BandEditor* editor_ = nullptr;
};

}  // namespace nr::gui::test
