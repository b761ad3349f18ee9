#include "inputs/InputPages.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "eq/BandEditor.h"
#include "inputs/CDialogEfx.h"
#include "inputs/CDialogMusic.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMainFrame.h"
#include "shell/DialogTexts.h"
#include "shell/NrTuneApp.h"

namespace nr::gui {
namespace {

constexpr int kInputCategory = 0;
constexpr int kWheelNotch = 120;
constexpr int kBandEditorWidth = 312;
constexpr int kBandRowHeight = 24;
constexpr int kFrequencyColumn = 3;
constexpr int kFrequencyColumnWidth = 72;
constexpr int kTypeButtonIdFirst = 1204;  // PEQ, LP, HP, LS, HS

const char* const kPageStyle = R"(
QGroupBox {
  border: 1px solid rgb(180, 205, 222);
  border-radius: 6px;
  margin-top: 9px;
  padding: 8px 6px 4px 6px;
}
QGroupBox::title {
  subcontrol-origin: margin;
  subcontrol-position: top left;
  left: 10px;
  padding: 0 4px;
  color: rgb(25, 70, 115);
  font-weight: bold;
}
QGroupBox:disabled::title, QLabel:disabled { color: rgb(150, 160, 170); }
QLabel#hint { color: rgb(95, 115, 135); }
QLabel#decoderText, QLabel#fbcValue {
  background: rgb(20, 20, 20);
  color: rgb(16, 255, 16);
  border: 1px solid rgb(60, 60, 60);
  border-radius: 3px;
  padding: 3px 6px;
  font-weight: bold;
}
QPushButton#subPageButton, QPushButton#backButton {
  background: white;
  color: rgb(25, 60, 95);
  border: 1px solid rgb(150, 185, 210);
  border-radius: 4px;
  padding: 5px 16px;
}
QPushButton#subPageButton:hover:!checked, QPushButton#backButton:hover { background: rgb(222, 238, 250); }
QPushButton#subPageButton:checked {
  background: rgb(0, 120, 200);
  color: white;
  border-color: rgb(0, 95, 165);
  font-weight: bold;
}
)";

}  // namespace

void ApplyInputPageStyle(QWidget* page) {
  page->setAutoFillBackground(true);
  QPalette palette = page->palette();
  palette.setColor(QPalette::Window, QColor(240, 250, 255));
  page->setPalette(palette);
  page->setStyleSheet(QString::fromLatin1(kPageStyle));
}

void ArrangeBandEditor(BandEditor* editor) {
  editor->setFixedWidth(kBandEditorWidth);
  QTableWidget* list = editor->List();
  list->verticalHeader()->setDefaultSectionSize(kBandRowHeight);
  list->setColumnWidth(kFrequencyColumn, kFrequencyColumnWidth);
  for (int type = 1; type <= 5; ++type)
    if (QAbstractButton* b = editor->TypeButton(type)) WithId(b, kTypeButtonIdFirst + type - 1);
}

// ---- wheel routing -----------------------------------------------------------------------------

FocusWheelRouter::FocusWheelRouter(QWidget* page, Predicate routed) : QObject(page), page_(page), routed_(std::move(routed)) {}

void FocusWheelRouter::Install() {
  page_->installEventFilter(this);
  for (QWidget* w : page_->findChildren<QWidget*>()) w->installEventFilter(this);
}

bool FocusWheelRouter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Wheel || sending_) return false;
  QWidget* focus = QApplication::focusWidget();
  if (!focus || !routed_(focus)) return false;
  auto* wheel = static_cast<QWheelEvent*>(event);
  if (auto* slider = qobject_cast<QAbstractSlider*>(focus)) {
    // One step per notch, whatever the desktop's scroll-lines setting; a fine-grained wheel adds
    // up to whole notches.
    const QPoint delta = wheel->angleDelta();
    remainder_ += delta.y() != 0 ? delta.y() : delta.x();
    const int notches = remainder_ / kWheelNotch;
    remainder_ -= notches * kWheelNotch;
    const int step = notches > 0 ? slider->singleStep() : -slider->singleStep();
    for (int n = 0; n < std::abs(notches); ++n) slider->setValue(slider->value() + step);  // each notch notifies
    return true;
  }
  if (watched == focus) return false;
  sending_ = true;
  QApplication::sendEvent(focus, event);
  sending_ = false;
  return true;
}

// ---- registration ------------------------------------------------------------------------------

void RegisterInputPages(NrTuneApp& app) {
  AppContext& ctx = app.Context();
  app.View().SetCategoryPage(kInputCategory, CDialogMusic::kDialogNumber,
                             [&ctx](CGQ2270v13View& view) -> std::unique_ptr<Page> {
                               return std::make_unique<CDialogMusic>(ctx, view, ctx.MusicSubPage());
                             });

  static constexpr const char* kSubPageShots[CDialogMusic::kSubPages] = {"music_mic_a", "music_mic_b", "music_music"};
  for (int subPage = 0; subPage < CDialogMusic::kSubPages; ++subPage) {
    app.AddScreenshot({QString::fromLatin1(kSubPageShots[subPage]), [subPage](NrTuneApp& a) -> QWidget* {
                         a.View().SwitchCategory(kInputCategory);
                         a.View().ShowPage(std::make_unique<CDialogMusic>(a.Context(), a.View(), subPage));
                         return &a.Frame();
                       }});
  }
  static constexpr const char* kEffectShots[4] = {"effect_reverb_a", "effect_reverb_b", "effect_echo_a", "effect_echo_b"};
  for (int kind = kReverbA; kind <= kEchoB; ++kind) {
    app.AddScreenshot({QString::fromLatin1(kEffectShots[kind]), [kind](NrTuneApp& a) -> QWidget* {
                         a.View().SwitchCategory(kInputCategory);
                         a.View().ShowPage(std::make_unique<CDialogEfx>(a.Context(), a.View(), kind));
                         return &a.Frame();
                       }});
  }
}

}  // namespace nr::gui
