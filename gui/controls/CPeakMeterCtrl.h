#pragma once
// LED-style level meter: rows of segments in a normal, medium and high zone, lit up to the last
// value fed in. Between feeds a periodic timer lets the bars fall back by one segment per tick so
// they drop smoothly to zero when the device stops reporting; the timer stops itself once every
// bar, hold counter and peak has run out, and the next feed starts it again.
#include <QColor>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "controls/AccessibleParts.h"

namespace nr::gui {

class CPeakMeterCtrl : public QWidget, public AccessibleParts {
  Q_OBJECT

 public:
  enum Style { kHorizontal = 0x1 };

  struct BandState {
    int value = 0;
    int peak = 0;
    int hold = 0;
  };

  explicit CPeakMeterCtrl(QWidget* parent = nullptr);
  ~CPeakMeterCtrl() override;

  // Resizes the meter to bands x segments; every bar starts full with its peak held.
  void Reset(int bands, int segments);
  // Starts the fall-back timer; the delay is remembered for restarts after a feed.
  void StartTimer(int delayMs);
  void StopTimer();
  bool TimerRunning() const { return timer_.isActive(); }
  // Feeds one value (clamped to 0..maximum) to a band; a new peak is held for the hold ticks.
  void SetData(int value, int band = 0);
  // One timer tick: every bar falls by a segment's worth, hold counters count down, held peaks fall.
  void FallBack();

  void SetHorizontal(bool horizontal);
  bool Horizontal() const { return (style_ & kHorizontal) != 0; }
  void SetBackground(const QColor& colour);
  void SetZoneColours(const QColor& normal, const QColor& medium, const QColor& high);
  void SetDimColours(const QColor& normal, const QColor& medium, const QColor& high);
  // Zone thresholds and full scale (must satisfy 0 < medium <= high <= maximum).
  void SetRange(int medium, int high, int maximum);
  void SetPeakHold(int ticks) { peakHold_ = std::max(ticks, 0); }
  void SetPeakLine(bool on);
  void SetGrid(bool on);

  int BandCount() const { return static_cast<int>(bands_.size()); }
  int SegmentCount() const { return segments_; }
  int Maximum() const { return maximum_; }
  const BandState& State(int band) const { return bands_.at(static_cast<size_t>(band)); }
  int LitSegments(int band) const;
  // Zone of segment i: 0 normal, 1 medium, 2 high.
  int Zone(int segment) const;

  QSize sizeHint() const override { return QSize(150, 12); }

  // Each bar for a screen reader: its number and level in percent of full scale ("1: 45%").
  int PartCount() const override { return BandCount(); }
  QString PartName(int band) const override;
  QRect PartRect(int band) const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor SegmentColour(int segment, bool lit) const;

  unsigned style_ = 0;
  QColor background_;
  QColor lit_[3] = {QColor(0, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0)};
  QColor dim_[3] = {QColor(2, 60, 2), QColor(60, 60, 2), QColor(60, 2, 2)};
  int medium_ = 40;
  int high_ = 50;
  int maximum_ = 60;
  int segments_ = 8;
  int peakHold_ = 10;
  bool grid_ = false;
  bool peakLine_ = true;
  std::vector<BandState> bands_;
  QTimer timer_;
  int delayMs_ = 10;
  bool hasTimer_ = false;  // started once and not stopped for good
};

}  // namespace nr::gui
