#pragma once
// The reverb's impulse picture on the effect page: the direct sound, then a bar every 100 ms
// falling linearly to nothing over the reverb time, on a 0..5200 ms axis. Same frame as the echo
// picture; the page hands over its slider values after every change.
#include <vector>

#include "inputs/ImpulsePanel.h"
#include "inputs/InputParams.h"

namespace nr::gui {

class CRevbGraphicPanel : public ImpulsePanel {
  Q_OBJECT

 public:
  static constexpr int kSpanMs = 5200;
  static constexpr int kStepMs = 100;

  explicit CRevbGraphicPanel(QWidget* parent = nullptr);

  void SetPredelay(int ms);
  void SetTime(int position);  // the time slider's 0..100
  void SetLevel(int percent);

  int Predelay() const { return predelay_; }
  int Time() const { return time_; }
  int Level() const { return level_; }

  // Reverb time in milliseconds for a time slider position: 40 ms at 0 up to 5000 ms at 100.
  static double TimeMs(int position) { return ReverbTimeMs(position); }
  // Bars drawn for a time slider position: the direct sound and one per further 100 ms.
  static int BarCount(int position) { return static_cast<int>(TimeMs(position)) / kStepMs + 1; }

  std::vector<ImpulseBar> Bars() const override;

 private:

  int predelay_ = 30;
  int time_ = 50;
  int level_ = 50;
};

}  // namespace nr::gui
