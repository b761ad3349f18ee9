#pragma once
// The effect page: one of the four microphone effects (reverb or echo of mic channel A or B) as
// sliders, an impulse picture drawn from them and the effect's own equaliser. It takes the place
// of the microphone/music page when one of that page's small EQ curves is clicked; the back
// button returns there, on the sub-page the user left.
#include <QPixmap>
#include <array>

#include "shell/Page.h"
#include "shell/Language.h"

class QAbstractButton;
class QLabel;
class QSlider;

namespace nr {
class DeviceSession;
struct DeviceState;
}  // namespace nr

namespace nr::gui {

class AppContext;
class BandEditor;
class CEchoGraphicPanel;
class CEqPanel;
class CRevbGraphicPanel;
class FocusWheelRouter;

enum EffectKind { kReverbA = 0, kReverbB = 1, kEchoA = 2, kEchoB = 3 };

class CDialogEfx : public Page {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 421;
  // The sliders, top to bottom; reverbs use the first three.
  enum Slider { kLevel, kPredelay, kTime, kDecay, kRightPredelay, kRightDelay, kSliders };

  CDialogEfx(AppContext& ctx, PageHost& host, int kind, QWidget* parent = nullptr);
  // Writes through session instead of the application's (tests record what would be sent).
  CDialogEfx(AppContext& ctx, DeviceSession& session, PageHost& host, int kind, QWidget* parent = nullptr);
  ~CDialogEfx() override;

  int DialogNumber() const override { return kDialogNumber; }
  void RefreshFromImage() override;
  void Relabel() override;

  bool HasEq() const override { return true; }
  bool EqBypass() const override;
  void SetEqBypass(bool on) override;
  void ResetCurrentEq() override;

  // Shows another effect on the live page.
  void SetKind(int kind);
  int Kind() const { return kind_; }
  bool IsEcho() const { return kind_ >= kEchoA; }
  int Channel() const { return kind_ % 2; }  // 0 mic channel A, 1 mic channel B
  static int EqSetOf(int kind);

  // Back to the microphone/music page on its remembered sub-page.
  void GoBack();

  // The title picture of an effect in a language: its name beside a small icon, drawn in code.
  static QPixmap TitlePicture(int kind, gui::Language language, qreal devicePixelRatio = 1.0);

  // The controls, for tests.
  QSlider* SliderAt(int slider) const { return rows_[static_cast<size_t>(slider)].slider; }
  QLabel* ValueAt(int slider) const { return rows_[static_cast<size_t>(slider)].value; }
  QLabel* CaptionAt(int slider) const { return rows_[static_cast<size_t>(slider)].caption; }
  bool RowShown(int slider) const;
  QAbstractButton* BackButton() const { return back_; }
  QLabel* Title() const { return title_; }
  CEchoGraphicPanel* EchoGraphic() const { return echoGraphic_; }
  CRevbGraphicPanel* ReverbGraphic() const { return reverbGraphic_; }
  CEqPanel* Panel() const { return panel_; }
  BandEditor* Editor() const { return editor_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Row {
    QLabel* caption = nullptr;
    QSlider* slider = nullptr;
    QLabel* value = nullptr;
  };

  void Build();
  void OnSlider(int slider, int value);
  void ShowValue(int slider, int value);
  void RefreshSliders(const DeviceState& s);
  void RefreshEq(const DeviceState& s);
  void SetCaptions();
  void SetTitlePicture();
  void PlaceBackButton();

  AppContext& ctx_;
  DeviceSession& session_;
  PageHost& host_;
  int kind_ = kReverbA;

  QLabel* title_ = nullptr;
  QAbstractButton* back_ = nullptr;
  std::array<Row, kSliders> rows_{};
  CEchoGraphicPanel* echoGraphic_ = nullptr;
  CRevbGraphicPanel* reverbGraphic_ = nullptr;
  CEqPanel* panel_ = nullptr;
  BandEditor* editor_ = nullptr;
  FocusWheelRouter* wheel_ = nullptr;
};

}  // namespace nr::gui
