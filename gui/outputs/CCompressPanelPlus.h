#pragma once
// The compressor's transfer curve: input level across, output level up, both -90 .. +6 dB. The
// curve runs at unity slope up to the knee (threshold in, threshold out), then at 1/ratio up to
// +6 dB in; the knee is marked and the region above the threshold shaded. "OFF" covers it while
// the compressor is off.
#include <QPixmap>
#include <QWidget>

namespace nr::gui {

class CCompressPanelPlus : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kMinLevel = -90.0;
  static constexpr double kMaxLevel = 6.0;

  explicit CCompressPanelPlus(QWidget* parent = nullptr);

  void SetThreshold(double db);
  void SetRatio(double ratio);      // the slope above the threshold is 1 / ratio
  void SetLowerBound(double db);    // where the curve starts (-90 dB)
  void SetLowerSlope(double slope); // slope below the threshold (1.0)
  void SetOn(bool on);              // false draws "OFF" over the view

  double Threshold() const { return threshold_; }
  double Ratio() const { return ratio_; }
  bool On() const { return on_; }

  // Pixel of an input level across and of an output level up.
  double InputX(double db) const;
  double OutputY(double db) const;
  // Output level of the curve for an input level.
  double OutputLevel(double inputDb) const;

  QSize sizeHint() const override { return {420, 320}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void RenderGrid();

  double threshold_ = 0.0;
  double ratio_ = 1.0;
  double lower_ = kMinLevel;
  double lowerSlope_ = 1.0;
  bool on_ = false;
  QPixmap grid_;  // background, grid and labels; drawn again when the size changes
};

}  // namespace nr::gui
