#pragma once
// What the input pages share: their registration with the main view and the screenshot mode, the
// page look, and the wheel rule that sends a turn over the page to the focused slider or EQ panel.
#include <QObject>
#include <QWheelEvent>
#include <functional>

class QWidget;

namespace nr::gui {

class BandEditor;
class NrTuneApp;

// Makes the microphone/music page the Input category's page and adds the pictures of both input
// pages (every sub-page, every effect) to the screenshot mode.
void RegisterInputPages(NrTuneApp& app);

// Background and group frames of the input pages.
void ApplyInputPageStyle(QWidget* page);
// Band editor as the input pages show it: compact rows so a 15-band list fits without scrolling,
// a frequency column wide enough for "20000Hz", and the type buttons tagged for the texts.
void ArrangeBandEditor(BandEditor* editor);

// A wheel turn anywhere over the page goes to the control that has the focus when that control is
// one the page names (its sliders, its EQ panel): sliders move one step per notch, the EQ panel
// gets the turn itself. Any other turn is handled where it happens.
class FocusWheelRouter : public QObject {
 public:
  using Predicate = std::function<bool(QWidget* focus)>;

  FocusWheelRouter(QWidget* page, Predicate routed);
  // Watches the page and every widget it holds now; call once the page is built.
  void Install();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* page_;
  Predicate routed_;
  int remainder_ = 0;
  bool sending_ = false;
};

}  // namespace nr::gui
