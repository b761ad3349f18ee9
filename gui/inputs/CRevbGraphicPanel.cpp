#include "inputs/CRevbGraphicPanel.h"

#include <cmath>

#include "inputs/CEchoGraphicPanel.h"  // the bar colours are the same

namespace nr::gui {

CRevbGraphicPanel::CRevbGraphicPanel(QWidget* parent) : ImpulsePanel(kSpanMs, parent) {}

void CRevbGraphicPanel::SetPredelay(int ms) { Changed(predelay_, ms); }
void CRevbGraphicPanel::SetTime(int position) { Changed(time_, position); }
void CRevbGraphicPanel::SetLevel(int percent) { Changed(level_, percent); }

std::vector<ImpulseBar> CRevbGraphicPanel::Bars() const {
  const ImpulseFrame frame = Frame();
  std::vector<ImpulseBar> bars;
  if (frame.PlotWidth() <= 0 || frame.PlotHeight() <= 0) return bars;
  const double full = level_ / 100.0 * frame.PlotHeight();
  const int n = BarCount(time_);
  bars.reserve(static_cast<size_t>(n));
  bars.push_back({frame.X(predelay_), static_cast<int>(full), CEchoGraphicPanel::kDirectColour});
  // A linear fall over the reverb time in 100 ms steps.
  for (int i = 1; i < n; ++i) {
    const int height = static_cast<int>(std::trunc((n - i) * 0.95 / n * full));
    bars.push_back({frame.X(i * kStepMs + predelay_), height, CEchoGraphicPanel::kRepeatColour});
  }
  return bars;
}

}  // namespace nr::gui
