// Every window on a dark desktop, and for people who use a screen reader: the running application
// against its demo device, with each tool window opened in turn.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "gui/AppOnEmulator.h"
#include "gui/ScriptedPrompts.h"
#include "eq/CAdvEQDlg.h"
#include "eq/CEqPanel.h"
#include "inputs/InputPages.h"
#include "outputs/OutputPages.h"
#include "outputs/CSSVolumePanel.h"
#include "shell/AppContext.h"
#include "shell/AppPalette.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMainFrame.h"
#include "shell/CSyncDlg.h"
#include "shell/NrTuneApp.h"
#include "shell/ToolDialogs.h"
#include "venue/CVenueDlg.h"
#include "venue/VenueWindow.h"
#include "session/Connection.h"

namespace nr::gui {
namespace {

constexpr int kWaitMs = 15000;

double Luminance(const QColor& c) {
  const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour a widget's text is drawn on: the nearest widget, itself included, that paints its
// own background (or the window). A style sheet's background shows in the palette of the widget
// it styles.
QColor BackgroundOf(const QWidget* w) {
  for (const QWidget* at = w; at; at = at->parentWidget())
    if (at->autoFillBackground() || at->testAttribute(Qt::WA_StyledBackground) || at->isWindow()) return at->palette().color(at->backgroundRole());
  return w->palette().color(QPalette::Window);
}

class WindowsForEveryone : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = QApplication::palette();
    QApplication::setPalette(DarkDesktopPalette());  // the desktop's, before the windows are made
    app_ = test::DemoApp(dir_, prompts_);
    ASSERT_TRUE(app_->Start());
    RegisterInputPages(*app_);
    RegisterOutputPages(*app_);
    RegisterToolDialogs(*app_);
    app_->Show();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return app_->Context().Connected() && !app_->View().Sync().IsShown() && !app_->Conn().Sync().Busy(); },
        kWaitMs));
  }
  void TearDown() override {
    app_.reset();
    QApplication::setPalette(saved_);
  }

  // The main window and every tool window, each checked by `check` while it is shown.
  template <class Check>
  void ForEveryWindow(Check check) {
    for (int category : {0, 1}) {
      app_->View().SwitchCategory(category);
      check(QString::fromLatin1(category ? "main window, output page" : "main window, input page"), &app_->Frame());
    }
    using Opener = QWidget* (*)(NrTuneApp&);
    const std::pair<const char*, Opener> windows[] = {{"advanced EQ", &OpenAdvancedEq},
                                                      {"features", &OpenFeatures},
                                                      {"input source", &OpenInputSource},
                                                      {"machine settings", &OpenMachineSettings},
                                                      {"remote control", &OpenRemoteControl}};
    for (const auto& [name, open] : windows) {
      QPointer<QWidget> window = open(*app_);
      if (!window) {
        ADD_FAILURE() << name << " did not open";
        continue;
      }
      EXPECT_TRUE(QTest::qWaitForWindowExposed(window)) << name;
      check(QString::fromLatin1(name), window.data());
      if (window) window->close();
    }
    // The Venue window, on a venue of this test's own.
    QPointer<QWidget> venue = OpenVenue(*app_, std::filesystem::path(dir_.filePath("venue.json").toStdString()));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(venue)) << "venue";
    check(QStringLiteral("venue"), venue.data());
    if (venue) venue->close();
  }

  QPalette saved_;
  QTemporaryDir dir_;
  test::ScriptedPrompts prompts_;
  std::unique_ptr<NrTuneApp> app_;
};

TEST_F(WindowsForEveryone, TextReadsWellOnADarkDesktop) {
  for (Language language : kLanguages) {
    app_->Context().SetLanguage(language);
    ForEveryWindow([](const QString& window, QWidget* root) {
      QStringList unreadable;
      for (QWidget* w : root->findChildren<QWidget*>()) {
        // Text drawn straight on the window's background; buttons draw their own. Greyed-out
        // text of a disabled control is meant to read less.
        // (A group box's title takes its colour from the style sheet's title rule, which the
        // palette does not show, so titles are looked at in the dark screenshots instead.)
        const bool text = qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
        if (!text || !w->isVisible() || !w->isEnabled()) continue;
        w->ensurePolished();
        const QColor fg = w->palette().color(w->foregroundRole());
        const QColor bg = BackgroundOf(w);
        if (Contrast(fg, bg) < 3.0)
          unreadable << QStringLiteral("%1 \"%2\" %3 on %4")
                            .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), fg.name(), bg.name());
      }
      EXPECT_TRUE(unreadable.isEmpty()) << window.toStdString() << ": " << unreadable.join("; ").toStdString();
    });
  }
}

// Widgets a user reaches: standard controls, and painted widgets that take the keyboard. The
// parts Qt makes inside other widgets (scroll bars of lists, a spin box's line edit) are not counted.
bool IsControl(const QWidget* w) {
  for (const QWidget* at = w; at && !at->isWindow(); at = at->parentWidget())
    if (at->objectName().startsWith(QStringLiteral("qt_"))) return false;
  if (qobject_cast<const QHeaderView*>(w)) return false;  // part of its table
  if (qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
      qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
      qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w))
    return true;
  return w->focusPolicy() != Qt::NoFocus;
}

TEST_F(WindowsForEveryone, EveryControlHasANameForScreenReaders) {
  for (Language language : kLanguages) {
    app_->Context().SetLanguage(language);
    ForEveryWindow([](const QString& window, QWidget* root) {
      QStringList nameless;
      for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible() || !IsControl(w)) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
          nameless << QStringLiteral("%1 %2 in %3")
                          .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(),
                               w->parentWidget() ? QString::fromLatin1(w->parentWidget()->metaObject()->className()) : QString());
      }
      EXPECT_TRUE(nameless.isEmpty()) << window.toStdString() << ": " << nameless.join("; ").toStdString();
    });
  }
}

// The controls the Tab key visits in `root`, in that order.
std::vector<QWidget*> TabChain(QWidget* root) {
  std::vector<QWidget*> chain;
  for (QWidget* w = root->nextInFocusChain(); w && w != root; w = w->nextInFocusChain()) {
    if (w->window() != root || !w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)) continue;
    if (std::find(chain.begin(), chain.end(), w) != chain.end()) break;
    chain.push_back(w);
  }
  return chain;
}

// Tab goes forward through what one sees: row by row or column by column, never back up and
// to the left. Checked between neighbours in the chain that share a container.
TEST_F(WindowsForEveryone, TabFollowsTheLayout) {
  ForEveryWindow([](const QString& window, QWidget* root) {
    const std::vector<QWidget*> chain = TabChain(root);
    QStringList backwards;
    for (size_t i = 1; i < chain.size(); ++i) {
      QWidget* a = chain[i - 1];
      QWidget* b = chain[i];
      if (a->parentWidget() != b->parentWidget()) continue;
      const QPoint d = b->geometry().center() - a->geometry().center();
      const int dyMin = std::min(a->height(), b->height()) / 2, dxMin = std::min(a->width(), b->width()) / 2;
      const bool up = d.y() < -dyMin, down = d.y() > dyMin, left = d.x() < -dxMin, right = d.x() > dxMin;
      if ((up && !right) || (left && !down))
        backwards << QStringLiteral("%1 \"%2\" -> %3 \"%4\"")
                         .arg(QString::fromLatin1(a->metaObject()->className()), a->accessibleName(),
                              QString::fromLatin1(b->metaObject()->className()), b->accessibleName());
    }
    EXPECT_TRUE(backwards.isEmpty()) << window.toStdString() << ": " << backwards.join("; ").toStdString();
  });
}

TEST_F(WindowsForEveryone, PaintedWidgetsNameTheirParts) {
  app_->Context().SetLanguage(Language::English);
  auto* advanced = dynamic_cast<CAdvEQDlg*>(OpenAdvancedEq(*app_));
  ASSERT_NE(advanced, nullptr);
  QAccessibleInterface* panel = QAccessible::queryAccessibleInterface(advanced->Panel());
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->text(QAccessible::Name), "EQ curve");
  ASSERT_EQ(panel->childCount(), advanced->Panel()->GrabbableCount());
  QAccessibleInterface* band = panel->child(0);
  ASSERT_NE(band, nullptr);
  EXPECT_EQ(band->parent(), panel);
  EXPECT_EQ(panel->indexOfChild(band), 0);
  const QString name = band->text(QAccessible::Name);
  EXPECT_TRUE(name.startsWith("Band 1 ") && name.contains(" Hz") && name.contains(" dB") && name.contains("Q "))
      << name.toStdString();

  CSSVolumePanel room;
  room.SetLanguage(Language::English);
  room.SetItem(CSSVolumePanel::kListener, 0.5f, -1.0f);
  room.SetSpeakerChannels({QStringLiteral("CH 1")});
  QAccessibleInterface* parts = QAccessible::queryAccessibleInterface(&room);
  ASSERT_EQ(parts->childCount(), CSSVolumePanel::kItems);
  EXPECT_EQ(parts->child(0)->text(QAccessible::Name), "Listener x +0.5m, y -1.0m");
  EXPECT_TRUE(parts->child(1)->text(QAccessible::Name).contains(QStringLiteral("(L) → CH 1")));
}

}  // namespace
}  // namespace nr::gui
