#pragma once
// The features window: the microphone exciter (switches, three EQ bands drawn as a curve, the
// harmonics drawn as a spectrum), the music max-bass low-pass, the automatic SUB decay while
// someone sings and the automatic music input level. Every control writes through the core
// feature operations at once. Destroyed when closed.
#include <QDialog>
#include <array>

#include "controls/SliderRow.h"
#include "inputs/Features.h"
#include "shell/Page.h"

class QCheckBox;

namespace nr::gui {

class AppContext;
class CExciterEQPanel;
class CExciterPanel;

class CloudnessDlg : public QDialog, public ToolDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 515;

  // The sliders of the window, for tests and the wheel.
  enum Slider {
    kLowFrequency, kLowGain, kMidFrequency, kMidGain, kHighFrequency, kHighGain,
    kHarmonicGain, kHarmonicOrder, kHarmonicMix,
    kMaxBassFrequency, kMaxBassDelay, kMaxBassGain,
    kAutoSubLevel,
    kAutoLevelThreshold, kAutoLevelAttack, kAutoLevelRelease,
    kSliders
  };
  enum Check { kExciter, kExciterEq, kAutoSub, kAutoLevel, kChecks };

  CloudnessDlg(AppContext& ctx, DeviceSession& session, QWidget* parent = nullptr);

  void RefreshFromImage() override;
  void Relabel() override;

  QSlider* SliderControl(Slider s) const { return sliders_[s].slider; }
  QLabel* SliderValue(Slider s) const { return sliders_[s].value; }
  QCheckBox* CheckControl(Check c) const { return checks_[c]; }
  CExciterEQPanel* ExciterEq() const { return exciterEq_; }
  CExciterPanel* Harmonics() const { return harmonics_; }

 private:
  QWidget* BuildExciter();
  QWidget* BuildMaxBass();
  QWidget* BuildAutoSub();
  QWidget* BuildAutoLevel();
  void AddRow(QGridLayout* grid, int row, Slider s);
  void OnSlider(Slider s, int value);
  void OnCheck(Check c, bool on);
  void ShowSlider(Slider s, int value);
  void ShowExciterDisplays(const FeatureSettings& f);
  FeatureSettings StoredFeatures() const;  // read under the model's lock, no copy of the state

  AppContext& ctx_;
  DeviceSession& session_;
  std::array<SliderRow, kSliders> sliders_{};
  std::array<QCheckBox*, kChecks> checks_{};
  CExciterEQPanel* exciterEq_ = nullptr;
  CExciterPanel* harmonics_ = nullptr;
};

}  // namespace nr::gui
