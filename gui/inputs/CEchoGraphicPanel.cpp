#include "inputs/CEchoGraphicPanel.h"

#include <cmath>

namespace nr::gui {

const QColor CEchoGraphicPanel::kDirectColour(98, 47, 192);
const QColor CEchoGraphicPanel::kRepeatColour(40, 71, 135);
const QColor CEchoGraphicPanel::kRightColour(27, 104, 129);

CEchoGraphicPanel::CEchoGraphicPanel(QWidget* parent) : ImpulsePanel(kSpanMs, parent) {}

void CEchoGraphicPanel::SetPredelay(int ms) { Changed(predelay_, ms); }
void CEchoGraphicPanel::SetTime(int ms) { Changed(time_, ms); }
void CEchoGraphicPanel::SetLevel(int percent) { Changed(level_, percent); }
void CEchoGraphicPanel::SetDecay(int percent) { Changed(decay_, percent); }
void CEchoGraphicPanel::SetRightPredelay(int percent) { Changed(rightPredelay_, percent); }
void CEchoGraphicPanel::SetRightDelay(int percent) { Changed(rightDelay_, percent); }

std::vector<ImpulseBar> CEchoGraphicPanel::Bars() const {
  const ImpulseFrame frame = Frame();
  std::vector<ImpulseBar> bars;
  if (frame.PlotWidth() <= 0 || frame.PlotHeight() <= 0) return bars;
  const double full = level_ / 100.0 * frame.PlotHeight();
  const double decay = decay_ / 100.0;
  // Repeats past the end of the axis (long times with a long right-channel delay) are left out
  // rather than drawn over the margin.
  auto add = [&](double ms, double height, const QColor& colour) {
    const int x = frame.X(ms);
    if (frame.OnAxis(x)) bars.push_back({x, static_cast<int>(std::trunc(height)), colour});
  };
  add(predelay_, full, kDirectColour);
  for (int i = 1; i <= kRepeats; ++i) add(i * time_ + predelay_, full * std::pow(decay, i), kRepeatColour);
  if (rightPredelay_ != 0 || rightDelay_ != 0) {
    const double interval = rightDelay_ / 100.0 * time_ + time_;
    const double start = rightPredelay_ / 100.0 * time_ + predelay_;
    for (int j = 1; j <= kRepeats; ++j) add(std::trunc(interval * j + start), full * std::pow(decay, j), kRightColour);
  }
  return bars;
}

}  // namespace nr::gui
