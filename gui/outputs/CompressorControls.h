#pragma once
// The compressor's controls as the output, record and compressor pages show them: the on/off box
// and the threshold, ratio, attack and release sliders with their values ("%.0fdB", "%.1f:1",
// "%.0fms"), in labels or, on the compressor page, in read-only boxes.
#include <QWidget>
#include <array>

#include "outputs/Compressor.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace nr::gui {

class CompressorControls : public QWidget {
  Q_OBJECT

 public:
  enum class ValueStyle { kLabels, kBoxes };

  // switchId and switchTemplate: the box's control identifier and Chinese template text.
  CompressorControls(int switchId, const char* switchTemplate, ValueStyle style, QWidget* parent = nullptr);

  // Positions (clamped to the ranges) without notifying, values as stored.
  void Show(const DynamicsSettings& d, bool on);
  void ShowValue(CompressorSlider slider, const DynamicsSettings& d);

  QCheckBox* Switch() const { return switch_; }
  QSlider* Slider(CompressorSlider slider) const { return sliders_[static_cast<size_t>(slider)]; }
  QString ValueText(CompressorSlider slider) const;
  bool HoldsSlider(const QWidget* widget) const;

 signals:
  void switchClicked(bool on);
  void sliderMoved(CompressorSlider slider, int position);

 private:
  QCheckBox* switch_ = nullptr;
  std::array<QSlider*, kCompressorSliders> sliders_{};
  std::array<QLabel*, kCompressorSliders> labels_{};
  std::array<QLineEdit*, kCompressorSliders> boxes_{};
};

}  // namespace nr::gui
