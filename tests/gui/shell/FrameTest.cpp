// The main window: ribbon contents in both languages, the ribbon's behaviour towards the mouse and
// the keyboard, the status bar, re-labelling, size limits and closing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <memory>

#include "session/Connection.h"
#include "shell/AppContext.h"
#include "shell/AppSettings.h"
#include "shell/CMFCMyRibbonStatusBar.h"
#include "shell/CMFCRibbonStepSlider.h"
#include "shell/CMainFrame.h"
#include "shell/RibbonBar.h"
#include "shell/RibbonIds.h"
#include "support/EventLoop.h"

namespace nr::gui {
namespace {

class FrameTest : public ::testing::Test {
 protected:
  FrameTest() : settings_(dir_.filePath("settings.ini")), connection_(events_, nullptr) {}

  // Builds the window as the application does, in the given language.
  CMainFrame& Open(Language language) {
    settings_.SetLanguage(language);
    ctx_ = std::make_unique<AppContext>(connection_, settings_);
    frame_ = std::make_unique<CMainFrame>(*ctx_);
    return *frame_;
  }
  CMyMFCRibbonBar& Ribbon() { return *frame_->Ribbon(); }

  void Show() {
    frame_->resize(CMainFrame::kMinimumSize);
    frame_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame_.get()));
  }

  QTemporaryDir dir_;
  AppSettings settings_;
  LinkEvents events_;
  Connection connection_;
  std::unique_ptr<AppContext> ctx_;
  std::unique_ptr<CMainFrame> frame_;
};

struct Expected {
  int inputId, outputId;
  const char* zh;
  const char* en;
};

// The ribbon's controls with their first texts (empty for sliders).
const Expected kControls[] = {
    {32832, 32857, "话筒音量:100", "Mic    Vol: 100"},
    {32829, 32858, "", ""},
    {32847, 32859, "静音", "Mute"},
    {32833, 32860, "效果总音量:100", "Effect    Vol:100"},
    {32830, 32861, "", ""},
    {32939, 32940, "静音", "Mute"},
    {32920, 32921, "混响音量:  100", "Reverb Vol:100"},
    {32918, 32919, "", ""},
    {32848, 32862, "静音", "Mute"},
    {32837, 32863, "回声音量:100", "Echo Vol:100"},
    {32806, 32864, "", ""},
    {32849, 32865, "静音", "Mute"},
    {32834, 32866, "音乐音量:100", "Music Vol:100"},
    {32831, 32867, "", ""},
    {32850, 32868, "静音", "Mute"},
    {32842, 32878, "音乐噪声门:100", "Noisegate:    100"},
    {32846, 32879, "", ""},
    {32841, 32880, "", ""},
    {32815, 32900, "载入模式", "LoadMode"},
    {32827, 32881, "载入文件", "LoadFile"},
    {32819, 32904, "保存模式", "SaveMode"},
    {32828, 32882, "保存文件", "SaveFile"},
};

const Expected kCaptions[] = {
    {0, 0, "话筒音量", "Mic Vol"},   {1, 1, "效果总音量", "Efx Vol"},       {2, 2, "混响音量", "Reverb Vol"},
    {3, 3, "回声音量", "Echo Vol"},  {4, 4, "音乐音量", "Music Vol"},       {5, 5, "音乐变调", "Music Pitch"},
    {6, 6, "调用", "Load"},          {7, 7, "保存", "Save"},
};

struct SliderShape {
  int inputId, outputId, min, max, width;
};
const SliderShape kSliders[] = {
    {32829, 32858, 0, 99, 90},  {32830, 32861, 0, 99, 90},   {32918, 32919, 0, 99, 90},   {32806, 32864, 0, 99, 90},
    {32831, 32867, 0, 99, 90},  {32846, 32879, 0, 100, 100}, {32841, 32880, -5, 5, 100},
};

class FrameLanguageTest : public FrameTest, public ::testing::WithParamInterface<Language> {};

TEST_P(FrameLanguageTest, EveryControlExistsInBothCategoriesWithItsFirstText) {
  const Language language = GetParam();
  Open(language);
  for (const Expected& e : kControls) {
    for (int id : {e.inputId, e.outputId}) {
      SCOPED_TRACE(id);
      QWidget* w = Ribbon().Element(id);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->property("ctrlId").toInt(), id);
      EXPECT_EQ(Ribbon().ElementText(id), QString::fromUtf8(language == Language::English ? e.en : e.zh));
    }
  }
  for (const SliderShape& s : kSliders) {
    for (int id : {s.inputId, s.outputId}) {
      auto* slider = qobject_cast<CMFCRibbonStepSlider*>(Ribbon().Element(id));
      ASSERT_NE(slider, nullptr) << id;
      EXPECT_EQ(slider->minimum(), s.min);
      EXPECT_EQ(slider->maximum(), s.max);
      EXPECT_EQ(slider->width(), s.width);
    }
  }
  for (int category : {0, 1}) {
    EXPECT_EQ(Ribbon().CategoryName(category), language == Language::English ? (category ? "Output" : "Input")
                                                             : QString::fromUtf8(category ? "输出调节" : "输入控制"));
    for (const Expected& c : kCaptions)
      EXPECT_EQ(Ribbon().PanelCaption(category, c.inputId), QString::fromUtf8(language == Language::English ? c.en : c.zh));
  }
  EXPECT_EQ(Ribbon().ElementText(rid::kFileOpen), QString::fromUtf8(language == Language::English ? "Open(&O)" : "打开(&O)"));
  EXPECT_EQ(Ribbon().ElementText(rid::kFileSave), QString::fromUtf8(language == Language::English ? "Save(&S)" : "保存(&S)"));
  EXPECT_EQ(Ribbon().ElementText(rid::kAppExit), QString::fromUtf8(language == Language::English ? "Exit(&X)" : "退出(&X)"));
  EXPECT_EQ(Ribbon().RecentFilesLabel()->text(), QString::fromUtf8(language == Language::English ? "Last documents(最近的文档)"
                                                                                 : "最近的文档(Last documents)"));
  EXPECT_EQ(frame_->StatusBar()->BypassBox()->text(), QString::fromUtf8(language == Language::English ? "Bypass" : "均衡旁路"));
  EXPECT_EQ(frame_->StatusBar()->ResetButton()->text(), QString::fromUtf8(language == Language::English ? "Reset EQ" : "重置均衡"));
}

INSTANTIATE_TEST_SUITE_P(FrameLanguages, FrameLanguageTest, ::testing::ValuesIn(kLanguages));

TEST_F(FrameTest, TabRowButtonsAreOrderedRightOfTheTabs) {
  Open(Language::English);
  Show();
  const int ids[] = {32938, 32887, 32922, 32811, 32812, 32805, 57664};
  const char* texts[] = {"Connect IP", "Features", "Input Source", "Reset", "Remote control", "中/EN", ""};
  const QAbstractButton* lastTab = Ribbon().CategoryTab(1);
  int x = lastTab->mapTo(&Ribbon(), QPoint(lastTab->width(), 0)).x();
  for (size_t i = 0; i < std::size(ids); ++i) {
    QWidget* b = Ribbon().Element(ids[i]);
    ASSERT_NE(b, nullptr) << ids[i];
    EXPECT_EQ(Ribbon().ElementText(ids[i]), QString::fromUtf8(texts[i]));
    const int left = b->mapTo(&Ribbon(), QPoint(0, 0)).x();
    EXPECT_GE(left, x) << ids[i];
    EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(QString::fromUtf8(texts[i])) + 8) << ids[i];
    x = left + b->width();
  }
  EXPECT_LE(x, Ribbon().width());
}

TEST_F(FrameTest, TrackClickStepsOnceTowardsTheClick) {
  Open(Language::Chinese);
  Show();
  auto* slider = qobject_cast<CMFCRibbonStepSlider*>(Ribbon().Element(rid::kInMicSlider));
  Ribbon().SetSliderValue(rid::kInMicSlider, 50);
  QSignalSpy moved(&Ribbon(), &CMyMFCRibbonBar::sliderMoved);

  QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() - 3, slider->height() / 2));
  EXPECT_EQ(slider->value(), 51);
  ASSERT_EQ(moved.count(), 1);
  EXPECT_EQ(moved[0][0].toInt(), rid::kInMicSlider);
  EXPECT_EQ(moved[0][1].toInt(), 51);

  QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(2, slider->height() / 2));
  EXPECT_EQ(slider->value(), 50);
  EXPECT_EQ(moved.count(), 2);

  // The arrow keys move it too and are reported.
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);
  EXPECT_EQ(slider->value(), 51);
  EXPECT_EQ(moved.count(), 3);
}

TEST_F(FrameTest, DraggingTheThumbReportsEveryPosition) {
  CMFCRibbonStepSlider slider;
  slider.setRange(0, 99);
  slider.resize(200, 22);
  slider.setValue(0);
  slider.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&slider));
  QSignalSpy changed(&slider, &QSlider::valueChanged);
  QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(4, 11));  // on the thumb
  QTest::mouseMove(&slider, QPoint(150, 11));
  QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(150, 11));
  EXPECT_GT(slider.value(), 50);
  EXPECT_GE(changed.count(), 1);
}

TEST_F(FrameTest, WheelOverTheRibbonChangesNothing) {
  Open(Language::Chinese);
  Show();
  auto* slider = Ribbon().Element(rid::kInMusicSlider);
  Ribbon().SetSliderValue(rid::kInMusicSlider, 40);
  QSignalSpy moved(&Ribbon(), &CMyMFCRibbonBar::sliderMoved);
  QSignalSpy category(&Ribbon(), &CMyMFCRibbonBar::categoryChanged);

  const auto turn = [](QWidget* target, int delta) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
  };
  for (int delta : {120, -120, 360}) {
    turn(slider, delta);
    turn(Ribbon().CategoryTab(0), delta);
    turn(&Ribbon(), delta);
  }
  EXPECT_EQ(Ribbon().SliderValue(rid::kInMusicSlider), 40);
  EXPECT_EQ(Ribbon().ActiveCategory(), 0);
  EXPECT_EQ(moved.count(), 0);
  EXPECT_EQ(category.count(), 0);

  // The same slider outside the ribbon does follow the wheel.
  CMFCRibbonStepSlider loose;
  loose.setRange(0, 99);
  loose.setValue(40);
  turn(&loose, 120);
  EXPECT_NE(loose.value(), 40);
}

TEST_F(FrameTest, ProgrammaticChangesAreSilentUserActionsAreNot) {
  Open(Language::Chinese);
  Show();
  QSignalSpy moved(&Ribbon(), &CMyMFCRibbonBar::sliderMoved);
  QSignalSpy toggled(&Ribbon(), &CMyMFCRibbonBar::checkToggled);
  QSignalSpy category(&Ribbon(), &CMyMFCRibbonBar::categoryChanged);
  Ribbon().SetSliderValue(rid::kOutEchoSlider, 77);
  Ribbon().SetSliderValue(rid::kInPitchSlider, 4);
  Ribbon().SetSliderRange(rid::kInPitchSlider, -2, 2);  // clamps 4 to 2
  Ribbon().SetChecked(rid::kOutMicMute, true);
  Ribbon().SetActiveCategory(1);
  EXPECT_EQ(Ribbon().SliderValue(rid::kOutEchoSlider), 77);
  EXPECT_EQ(Ribbon().SliderValue(rid::kInPitchSlider), 2);
  EXPECT_TRUE(Ribbon().IsChecked(rid::kOutMicMute));
  EXPECT_EQ(moved.count(), 0);
  EXPECT_EQ(toggled.count(), 0);
  EXPECT_EQ(category.count(), 0);

  QTest::mouseClick(static_cast<QCheckBox*>(Ribbon().Element(rid::kOutMicMute)), Qt::LeftButton);
  ASSERT_EQ(toggled.count(), 1);
  EXPECT_EQ(toggled[0][0].toInt(), rid::kOutMicMute);
  EXPECT_FALSE(toggled[0][1].toBool());

  QTest::mouseClick(Ribbon().CategoryTab(0), Qt::LeftButton);
  QTest::mouseClick(Ribbon().CategoryTab(0), Qt::LeftButton);  // already active: no second report
  ASSERT_EQ(category.count(), 1);
  EXPECT_EQ(category[0][0].toInt(), 0);
  EXPECT_EQ(Ribbon().ActiveCategory(), 0);
}

TEST_F(FrameTest, PanelsStayInPlaceWhileALabelValueChanges) {
  Open(Language::English);
  Show();
  QWidget* music = Ribbon().Element(rid::kInMusicLabel);
  const int before = music->mapTo(&Ribbon(), QPoint(0, 0)).x();
  for (const char* text : {"Mic    Vol:   5", "Mic    Vol:  42", "Mic    Vol: 100"}) {
    Ribbon().SetElementText(rid::kInMicLabel, text);
    nr::test::DeliverQueuedEvents();
    EXPECT_EQ(music->mapTo(&Ribbon(), QPoint(0, 0)).x(), before) << text;
  }
}

TEST_F(FrameTest, CommandsCarryTheirIdentifiers) {
  Open(Language::Chinese);
  Show();
  QSignalSpy commands(&Ribbon(), &CMyMFCRibbonBar::commandTriggered);
  for (int category : {0, 1}) {
    for (int i = 0; i < 4; ++i) {
      for (int id : {rid::kLoadM1 + i, rid::kSaveM1 + i}) {
        QAction* item = Ribbon().MenuItem(category, id);
        ASSERT_NE(item, nullptr) << id;
        EXPECT_EQ(item->text(), QStringLiteral("M%1").arg(i + 1));
        item->trigger();
        EXPECT_EQ(commands.takeLast()[0].toInt(), id);
      }
    }
    EXPECT_EQ(Ribbon().MenuItem(category, rid::kLoadM1)->parent(),
              static_cast<QToolButton*>(Ribbon().Element(rid::IdsOf(category).loadMode))->menu());
  }
  for (int id : {32938, 32887, 32922, 32811, 32812, 32805, 57664, 32827, 32882, 32832, 32878}) {
    QTest::mouseClick(static_cast<QAbstractButton*>(Ribbon().Element(id)), Qt::LeftButton);
    ASSERT_EQ(commands.count(), 1) << id;
    EXPECT_EQ(commands.takeFirst()[0].toInt(), id);
  }
}

TEST_F(FrameTest, TwoLanguageTogglesGiveTheRelabelledCaptionsAndKeepValues) {
  Open(Language::English);
  Ribbon().SetPanelCaption(0, rid::kPanelPitch, "Music Pitch:+2");
  Ribbon().SetElementText(rid::kInMicLabel, "Mic    Vol:  42");
  Ribbon().SetElementText(rid::kOutNoiseGateLabel, "Noisegate:      7");
  ctx_->ToggleLanguage();
  EXPECT_EQ(Ribbon().PanelCaption(0, rid::kPanelMic), QString::fromUtf8("话筒音量"));
  EXPECT_EQ(Ribbon().ElementText(rid::kInMicLabel), QString::fromUtf8("话筒音量: 42"));
  EXPECT_EQ(Ribbon().ElementText(rid::kOutNoiseGateLabel), QString::fromUtf8("音乐噪声门:  7"));
  EXPECT_EQ(Ribbon().ElementText(rid::kInMicMute), QString::fromUtf8("静音"));
  EXPECT_EQ(Ribbon().CategoryName(1), QString::fromUtf8("输出调节"));
  EXPECT_EQ(frame_->StatusBar()->BypassBox()->text(), QString::fromUtf8("均衡旁路"));
  ctx_->ToggleLanguage();
  for (int category : {0, 1}) {
    EXPECT_EQ(Ribbon().PanelCaption(category, rid::kPanelMic), "Mic  Vol");
    EXPECT_EQ(Ribbon().PanelCaption(category, rid::kPanelEffect), "Effect Vol");
    EXPECT_EQ(Ribbon().PanelCaption(category, rid::kPanelLoad), "Load");
  }
  EXPECT_EQ(Ribbon().PanelCaption(0, rid::kPanelPitch), "Music Pitch:+2");  // the view's, untouched
  EXPECT_EQ(Ribbon().ElementText(rid::kInMicLabel), "Mic    Vol:  42");
  EXPECT_EQ(Ribbon().ElementText(rid::kOutNoiseGateLabel), "Noisegate:      7");
  EXPECT_EQ(Ribbon().ElementText(rid::kOutEffectLabel), "Effect    Vol:100");
  EXPECT_EQ(Ribbon().ElementText(rid::kOutSaveMode), "SaveMode");
  EXPECT_EQ(Ribbon().ElementText(rid::kLanguage), QString::fromUtf8("中/EN"));
  EXPECT_EQ(Ribbon().RecentFilesLabel()->text(), QString::fromUtf8("Last documents(最近的文档)"));
}

TEST_F(FrameTest, SizeLimitsAndStoredLook) {
  settings_.SetApplicationLook(0);
  Open(Language::Chinese);
  EXPECT_EQ(settings_.ApplicationLook(), 215);
  EXPECT_EQ(frame_->minimumSize(), QSize(1040, 700));
  auto* view = new QWidget;
  frame_->SetView(view);
  Show();
  EXPECT_EQ(frame_->View(), view);
  EXPECT_GE(frame_->centralWidget()->width(), 1024);
  EXPECT_GE(frame_->centralWidget()->height(), 520);
  EXPECT_GE(view->width(), 1024);
  EXPECT_GE(view->height(), 520);
  frame_->resize(1400, 900);
  nr::test::DeliverQueuedEvents();
  EXPECT_EQ(view->size(), frame_->centralWidget()->size());
}

TEST_F(FrameTest, StatusBarPanesColoursAndButtons) {
  Open(Language::Chinese);
  Show();
  CMFCMyRibbonStatusBar& bar = *frame_->StatusBar();
  EXPECT_EQ(bar.LinkPane()->text(), QString::fromUtf8("USB:未连接"));
  EXPECT_EQ(bar.LinkPane()->TextColor(), QColor(255, 0, 0));
  EXPECT_EQ(bar.ModePane()->text(), QString::fromUtf8("当前模式：模式一"));
  const auto x = [&](int id) { return bar.Element(id)->mapTo(&bar, QPoint(0, 0)).x(); };
  EXPECT_LT(x(rid::kLinkPane), x(rid::kModePane));
  EXPECT_LT(x(rid::kModePane), x(rid::kEqBypass));
  EXPECT_LT(x(rid::kEqBypass), x(rid::kEqReset));
  EXPECT_GT(bar.LinkPane()->sizeHint().width(), bar.fontMetrics().averageCharWidth() * 50);

  bar.SetLinkText(QString::fromUtf8("USB：已连接"), QColor(0, 150, 0));
  EXPECT_EQ(bar.LinkPane()->text(), QString::fromUtf8("USB：已连接"));
  EXPECT_EQ(bar.LinkPane()->TextColor(), QColor(0, 150, 0));
  EXPECT_EQ(bar.LinkPane()->palette().color(QPalette::WindowText), QColor(0, 150, 0));
  // A preset file may be named anything, markup included: it is shown as it is named.
  bar.SetLinkText(QStringLiteral("Offline: <b>x</b><img src=y>.mode"), QColor(40, 90, 170));
  EXPECT_EQ(bar.LinkPane()->textFormat(), Qt::PlainText);

  QSignalSpy bypass(&bar, &CMFCMyRibbonStatusBar::bypassToggled);
  QSignalSpy reset(&bar, &CMFCMyRibbonStatusBar::resetEqClicked);
  bar.SetBypassChecked(true);
  EXPECT_TRUE(bar.IsBypassChecked());
  EXPECT_EQ(bypass.count(), 0);
  QTest::mouseClick(bar.BypassBox(), Qt::LeftButton);
  ASSERT_EQ(bypass.count(), 1);
  EXPECT_FALSE(bypass[0][0].toBool());
  QTest::mouseClick(bar.ResetButton(), Qt::LeftButton);
  EXPECT_EQ(reset.count(), 1);
  bar.SetEqButtonsEnabled(false);
  QTest::mouseClick(bar.ResetButton(), Qt::LeftButton);
  EXPECT_EQ(reset.count(), 1);
}

TEST_F(FrameTest, KeyTipsOpenTheMenuAndTriggerAbout) {
  Open(Language::Chinese);
  Show();
  QSignalSpy commands(&Ribbon(), &CMyMFCRibbonBar::commandTriggered);
  QTest::keyClick(frame_.get(), Qt::Key_Alt);
  EXPECT_TRUE(Ribbon().KeyTipsShown());
  QTest::keyClick(frame_.get(), Qt::Key_A);
  EXPECT_FALSE(Ribbon().KeyTipsShown());
  ASSERT_EQ(commands.count(), 1);
  EXPECT_EQ(commands[0][0].toInt(), rid::kAppAbout);

  QTest::keyClick(frame_.get(), Qt::Key_A);  // without Alt first: nothing
  EXPECT_EQ(commands.count(), 1);
  QTest::keyClick(frame_.get(), Qt::Key_O, Qt::AltModifier);  // a chord is not a tap
  EXPECT_FALSE(Ribbon().KeyTipsShown());

  QTest::keyClick(frame_.get(), Qt::Key_Alt);
  QTest::keyClick(frame_.get(), Qt::Key_Escape);
  EXPECT_FALSE(Ribbon().KeyTipsShown());

  QTest::keyClick(frame_.get(), Qt::Key_Alt);
  QTest::keyClick(frame_.get(), Qt::Key_F);
  EXPECT_TRUE(Ribbon().ApplicationMenu()->isVisible());
  Ribbon().ApplicationMenu()->hide();
}

TEST_F(FrameTest, ApplicationMenuListsRecentFilesAndCommands) {
  QStringList files;
  for (int i = 0; i < 12; ++i) files << dir_.filePath(QStringLiteral("preset%1.mode").arg(i));
  for (const QString& f : files) settings_.AddRecentFile(f);  // the newest ends up first
  Open(Language::Chinese);
  Show();
  EXPECT_EQ(Ribbon().RecentFiles().size(), 10);
  EXPECT_EQ(Ribbon().RecentFiles().first(), files.last());
  auto* first = qobject_cast<QAbstractButton*>(Ribbon().Element(rid::kFileMruFirst));
  auto* tenth = qobject_cast<QAbstractButton*>(Ribbon().Element(rid::kFileMruFirst + 9));
  ASSERT_TRUE(first && tenth);
  EXPECT_TRUE(first->text().startsWith("&1 "));
  EXPECT_TRUE(tenth->text().startsWith("1&0 "));
  EXPECT_EQ(Ribbon().Element(rid::kFileMruFirst + 10), nullptr);

  QSignalSpy chosen(&Ribbon(), &CMyMFCRibbonBar::recentFileChosen);
  Ribbon().ShowApplicationMenu();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Ribbon().ApplicationMenu()));
  QTest::mouseClick(first, Qt::LeftButton);
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen[0][0].toString(), files.last());
  EXPECT_FALSE(Ribbon().ApplicationMenu()->isVisible());

  Ribbon().SetRecentFiles({});
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Ribbon().Element(rid::kFileMruFirst), nullptr);

  QSignalSpy commands(&Ribbon(), &CMyMFCRibbonBar::commandTriggered);
  for (int id : {rid::kFileOpen, rid::kFileOpenOffline, rid::kFileSave, rid::kFileSaveAs, rid::kEditUndo,
                 rid::kEditRedo, rid::kAppExit}) {
    Ribbon().ShowApplicationMenu();
    QTest::mouseClick(static_cast<QAbstractButton*>(Ribbon().Element(id)), Qt::LeftButton);
    ASSERT_EQ(commands.count(), 1) << id;
    EXPECT_EQ(commands.takeFirst()[0].toInt(), id);
  }
  EXPECT_FALSE(Ribbon().ApplicationMenu()->isVisible());
  EXPECT_TRUE(frame_->isVisible());  // the view decides what Exit does
}

TEST_F(FrameTest, ClosingAsksFirst) {
  Open(Language::Chinese);
  Show();
  int asked = 0;
  bool allow = false;
  frame_->canClose = [&] { ++asked; return allow; };
  QSignalSpy closing(frame_.get(), &CMainFrame::closing);
  frame_->close();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(frame_->isVisible());
  EXPECT_EQ(closing.count(), 0);
  allow = true;
  frame_->close();
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(frame_->isVisible());
  EXPECT_EQ(closing.count(), 1);
}

// What a user sees, in both languages and both categories, for review.
TEST_F(FrameTest, Screenshots) {
  QString folder = qEnvironmentVariable("NR_SCREENSHOTS");
  if (folder.isEmpty()) folder = QDir::temp().filePath("nr_screenshots");
  QDir().mkpath(folder);
  for (Language language : kLanguages) {
    frame_.reset();
    Open(language);
    frame_->SetView(new QWidget);
    settings_.AddRecentFile(dir_.filePath("karaoke room.mode"));
    frame_->RefreshRecentFiles();
    Show();
    for (int category : {0, 1}) {
      Ribbon().SetActiveCategory(category);
      nr::test::DeliverQueuedEvents();
      const QString name = QStringLiteral("frame_%1_%2.png").arg(LanguageCode(language), category ? "output" : "input");
      EXPECT_TRUE(frame_->grab().save(QDir(folder).filePath(name)));
    }
    QTest::keyClick(frame_.get(), Qt::Key_Alt);
    nr::test::DeliverQueuedEvents();
    EXPECT_TRUE(frame_->grab().save(QDir(folder).filePath(QStringLiteral("frame_%1_keytips.png").arg(LanguageCode(language)))));
    QTest::keyClick(frame_.get(), Qt::Key_Escape);
    Ribbon().ShowApplicationMenu();
    nr::test::DeliverQueuedEvents();
    EXPECT_TRUE(Ribbon().ApplicationMenu()->grab().save(
        QDir(folder).filePath(QStringLiteral("frame_%1_appmenu.png").arg(LanguageCode(language)))));
    Ribbon().ApplicationMenu()->hide();
  }
}

TEST_F(FrameTest, AButtonLeftByThePointerDuringAMenuIsNoLongerHighlighted) {
  Open(Language::Chinese);
  Show();
  auto* save = static_cast<QToolButton*>(Ribbon().Element(rid::IdsOf(0).saveMode));
  const QImage plain = save->grab().toImage();
  const QPoint over = save->mapToGlobal(save->rect().center());
  // The pointer comes over the button: it lights up.
  QCursor::setPos(over);
  QEnterEvent enter(QPointF(save->rect().center()), QPointF(save->rect().center()), QPointF(over));
  QApplication::sendEvent(save, &enter);
  ASSERT_TRUE(save->underMouse());
  EXPECT_NE(save->grab().toImage(), plain);
  // A menu (or a file dialog) takes the pointer away and no leave event comes; once it closes,
  // the button shows where the pointer really is.
  QCursor::setPos(frame_->mapToGlobal(QPoint(600, 600)));
  QEvent activation(QEvent::ActivationChange);
  QApplication::sendEvent(&Ribbon(), &activation);
  EXPECT_EQ(save->grab().toImage(), plain);
}

}  // namespace
}  // namespace nr::gui
