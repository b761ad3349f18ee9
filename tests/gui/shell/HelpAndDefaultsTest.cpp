// What the interface tells a new user by itself: tips on every control, a slider's value while it
// is dragged, Qt's own buttons in the interface language, questions that start on the safe
// answer, and file dialogs that open where that kind of file was last used.
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QMessageBox>
#include <QSlider>
#include <QStatusBar>
#include <QToolTip>

#include "controls/SliderValueTips.h"
#include "eq/CAdvEQDlg.h"
#include "eq/CEqPanel.h"
#include "gui/ScriptedPrompts.h"
#include "gui/shell/DialogFixture.h"
#include "inputs/CDialogEfx.h"
#include "inputs/CDialogMusic.h"
#include "inputs/CDialogMusicInput.h"
#include "inputs/CDialogMusicInputSet.h"
#include "inputs/CloudnessDlg.h"
#include "outputs/CCompDlg.h"
#include "outputs/CDelayDlg.h"
#include "outputs/CDialogOutput.h"
#include "outputs/CDialogRec.h"
#include "outputs/CSSVCDlg.h"
#include "shell/CMFCMyRibbonStatusBar.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMainFrame.h"
#include "shell/CRemoteDlg.h"
#include "shell/CRemoteStudyDlg.h"
#include "shell/CSetDlg.h"
#include "shell/NrTuneApp.h"
#include "shell/Prompts.h"
#include "shell/RibbonBar.h"
#include "smarthome/CDialogHomeTheater.h"
#include "smarthome/CDlgZwaveEdit.h"
#include "smarthome/CDlgZwaveLight.h"
#include "smarthome/CDlgZwaveSwitch.h"
#include "smarthome/SmartHomeContext.h"

namespace nr::gui::test {
namespace {

using HelpTest = DialogTest;

// The controls of a window a user can operate that carry no tip.
QStringList ControlsWithoutTip(QWidget* window) {
  QStringList missing;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSlider*>(w) ||
                         qobject_cast<QComboBox*>(w) || qobject_cast<CEqPanel*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                         (qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w->parentWidget()));
    // Widgets Qt makes inside other controls (scroll bars, header sections) are not ours to label.
    const bool internal = w->objectName().startsWith("qt_") || qobject_cast<QAbstractSlider*>(w->parentWidget()) ||
                          w->parentWidget()->inherits("QAbstractScrollArea") || w->inherits("QScrollBar");
    if (control && !internal && w->toolTip().isEmpty() && !w->isHidden())
      missing << QString("%1 '%2' (%3)").arg(w->metaObject()->className(), w->property("text").toString(),
                                           w->property("ctrlId").toString());
  }
  return missing;
}

TEST_F(HelpTest, EveryRibbonElementSaysWhatItDoes) {
  for (Language language : kLanguages) {
    ctx_.SetLanguage(language);
    CMainFrame frame(ctx_);
    QStringList missing;
    for (QWidget* w : frame.Ribbon()->findChildren<QWidget*>())
      if (w->property("ctrlId").toInt() > 0 && w->toolTip().isEmpty()) missing << w->property("ctrlId").toString();
    EXPECT_TRUE(missing.isEmpty()) << missing.join(", ").toStdString();
    EXPECT_TRUE(ControlsWithoutTip(frame.statusBar()).isEmpty()) << ControlsWithoutTip(frame.statusBar()).join(", ").toStdString();
  }
}

class Host : public QWidget, public PageHost {
 public:
  void ShowPage(std::unique_ptr<Page> page) override { page_ = std::move(page); }
  Page* CurrentPage() const override { return page_.get(); }
  std::unique_ptr<Page> page_;
};

TEST_F(HelpTest, EveryPageControlSaysWhatItDoes) {
  Host host;
  for (Language language : kLanguages) {
    ctx_.SetLanguage(language);
    CDialogMusic music(ctx_, host, CDialogMusic::kMicA);
    music.resize(1024, 520);
    music.show();
    EXPECT_TRUE(ControlsWithoutTip(&music).isEmpty()) << ControlsWithoutTip(&music).join(", ").toStdString();
    for (int kind = 0; kind < 4; ++kind) {
      CDialogEfx effect(ctx_, host, kind);
      effect.resize(1024, 520);
      effect.show();
      EXPECT_TRUE(ControlsWithoutTip(&effect).isEmpty()) << kind << ": " << ControlsWithoutTip(&effect).join(", ").toStdString();
    }
  }
}

TEST_F(HelpTest, EveryOutputPageControlSaysWhatItDoes) {
  Host host;
  for (Language language : kLanguages) {
    ctx_.SetLanguage(language);
    std::vector<std::unique_ptr<Page>> pages;
    pages.push_back(std::make_unique<CDialogOutput>(ctx_, ctx_.Session(), host, 0));
    pages.push_back(std::make_unique<CCompDlg>(ctx_, ctx_.Session(), host, 0));
    pages.push_back(std::make_unique<CDelayDlg>(ctx_, ctx_.Session(), host));
    pages.push_back(std::make_unique<CDialogRec>(ctx_, ctx_.Session(), host));
    pages.push_back(std::make_unique<CSSVCDlg>(ctx_, ctx_.Session(), host));
    for (auto& page : pages) {
      page->resize(1024, 520);
      page->show();
      EXPECT_TRUE(ControlsWithoutTip(page.get()).isEmpty())
          << page->metaObject()->className() << ": " << ControlsWithoutTip(page.get()).join(", ").toStdString();
    }
  }
}

// Every control of a window, in both languages, and its tips follow a change of language.
void ExpectEveryControlTipped(AppContext& ctx, QWidget* window, const std::function<void()>& relabel) {
  for (Language language : kLanguages) {
    ctx.SetLanguage(language);
    relabel();
    window->show();
    const QStringList missing = ControlsWithoutTip(window);
    EXPECT_TRUE(missing.isEmpty()) << window->metaObject()->className() << " in " << LanguageCode(language) << ": "
                                   << missing.join(", ").toStdString();
  }
}

TEST_F(HelpTest, EveryToolDialogControlSaysWhatItDoes) {
  ScriptedPrompts prompts;
  std::vector<std::unique_ptr<QWidget>> dialogs;
  auto add = [&](auto* dialog) {
    dialogs.emplace_back(dialog);
    ExpectEveryControlTipped(ctx_, dialog, [dialog] { dialog->Relabel(); });
  };
  add(new CRemoteDlg(ctx_, ctx_.Session(), prompts));
  add(new CSetDlg(ctx_, ctx_.Session(), nullptr, prompts));
  add(new CDialogMusicInput(ctx_, ctx_.Session(), 530));
  add(new CDialogMusicInput(ctx_, ctx_.Session(), 541));
  ctx_.Model().Update([](DeviceState& s) { s.capability.bytes = {0x55, 0x0F, 0x09, 0x01, 0x00, 0x00}; });
  add(new CDialogMusicInputSet(ctx_, ctx_.Session()));
  add(new CloudnessDlg(ctx_, ctx_.Session()));
  add(new CAdvEQDlg(ctx_, ctx_.Session()));
}

TEST(SmartPlugHelp, EveryControlOfTheSmartPlugWindowsSaysWhatItDoes) {
  QTemporaryDir dir;
  ScriptedPrompts prompts;
  AppOptions options;
  options.settingsFile = dir.filePath("settings.ini");
  options.prompts = &prompts;
  NrTuneApp app(options);
  ASSERT_TRUE(app.Start());
  AppContext& ctx = app.Context();
  auto* page = new CDialogHomeTheater(ctx, app.View(), dir.filePath("Plug"), &app.Frame());
  for (int tab : {CDialogHomeTheater::kPlugList, CDialogHomeTheater::kScenes, CDialogHomeTheater::kKeys}) {
    page->ShowTab(tab);
    ExpectEveryControlTipped(ctx, page, [page] { page->Relabel(); });
  }
  SmartHomeContext& sc = page->Context();
  auto check = [&](auto* dialog) { ExpectEveryControlTipped(ctx, dialog, [dialog] { dialog->Relabel(); }); };
  check(new CDlgZwaveEdit(sc, 0, page));
  check(new CDlgZwaveSwitch(sc, 2, page));
  check(new CDlgZwaveLight(sc, 3, page));
  delete page;
}

TEST(SliderTips, ADraggedSliderShowsItsValueInItsUnit) {
  SliderValueTips tips;
  qApp->installEventFilter(&tips);
  QSlider slider(Qt::Horizontal);
  slider.setRange(0, 99);
  slider.show();  // polished: followed from now on
  slider.setSliderDown(true);
  slider.setValue(42);
  EXPECT_TRUE(QToolTip::isVisible());
  EXPECT_EQ(QToolTip::text(), "42");
  slider.setProperty(SliderValueTips::kValueTextProperty, "1000Hz");
  slider.setValue(43);
  EXPECT_EQ(QToolTip::text(), "1000Hz");
  slider.setSliderDown(false);
  EXPECT_TRUE(WaitUntil([] { return !QToolTip::isVisible(); }, 5000));  // the tip fades out
  EXPECT_FALSE(QToolTip::isVisible());
  qApp->removeEventFilter(&tips);
}

TEST(Questions, StartOnTheAnswerThatLosesNothing) {
  EXPECT_EQ(SafeDefault(QMessageBox::Yes | QMessageBox::No), QMessageBox::No);
  EXPECT_EQ(SafeDefault(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel), QMessageBox::Cancel);
  EXPECT_EQ(SafeDefault(QMessageBox::Ok), QMessageBox::NoButton);
}

// The control that had the keyboard has it again once a question is answered, even when the
// keyboard went elsewhere in the meantime (on X it goes nowhere: Ctrl+Z did nothing until a click).
TEST(Questions, GiveTheKeyboardBackToTheControlThatHadIt) {
  QWidget window;
  auto* first = new QLineEdit(&window);
  auto* second = new QLineEdit(&window);
  second->move(0, 40);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  first->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return first->hasFocus(); }, 2000));
  QTimer::singleShot(100, [&] {
    second->setFocus();  // the window's focus moves while the box is up
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->button(QMessageBox::Yes)->click();
  });
  QtPrompts prompts;
  EXPECT_EQ(prompts.Ask(&window, "title", "question?", QMessageBox::Yes | QMessageBox::No), QMessageBox::Yes);
  EXPECT_TRUE(QTest::qWaitFor([&] { return first->hasFocus(); }, 2000));
  EXPECT_EQ(QApplication::focusWidget(), first);
}

TEST_F(HelpTest, FileDialogsRememberAFolderPerKindOfFile) {
  EXPECT_EQ(FileKind("Mode Files (*.mode)"), "mode");
  EXPECT_EQ(FileKind("Remote files (*.remo)"), "remo");
  EXPECT_EQ(FileKind("All (*)"), "");
  settings_.SetLastFolder("mode", "/presets/rooms");
  settings_.SetLastFolder("remo", "/remotes");
  EXPECT_EQ(settings_.LastFolder("mode"), "/presets/rooms");
  EXPECT_EQ(settings_.LastFolder("remo"), "/remotes");
}

TEST_F(HelpTest, QtsOwnButtonsSpeakTheInterfaceLanguage) {
  const QString yes = QStringLiteral("&Yes");
  ctx_.SetLanguage(Language::Chinese);
  const QString chinese = QCoreApplication::translate("QPlatformTheme", "&Yes");
  if (chinese == yes) GTEST_SKIP() << "Qt's translations are not installed (qt6-translations-l10n)";
  EXPECT_TRUE(chinese.contains(QString::fromUtf8("是"))) << chinese.toStdString();
  ctx_.SetLanguage(Language::English);
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), yes);
}

}  // namespace
}  // namespace nr::gui::test
