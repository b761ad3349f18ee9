#pragma once
// A small read-only EQ curve: the microphone and music page previews the echo and reverb EQs with
// it. Seven peaking bands, a coarse 56-point curve and its own unnormalised section formulas; the
// page sets frequencies and gains, the mouse only highlights the frame.
#include <QColor>
#include <QWidget>
#include <algorithm>
#include <array>

namespace nr::gui {

class CSmallEqPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kBands = 7;
  static constexpr int kPoints = 56;

  // b0, b1, b2 over a0, a1, a2, without dividing by a0.
  struct Section {
    double b0 = 1, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
  };
  struct Band {
    int type = 1;
    double frequency = 1000;
    double gain = 0;
    double q = 1.414;
  };

  explicit CSmallEqPanel(QWidget* parent = nullptr);

  // Section of type 1 peaking, 2 low-pass, 3 high-pass, 4 low shelf, 5 high shelf, 6 band-pass,
  // 7 notch at 48 kHz. False (and out untouched) for any other type.
  static bool Design(int type, double frequency, double gainDb, double q, Section& out);
  // Magnitude in dB of a section at a frequency.
  static double Magnitude(const Section& s, double frequency);
  // Frequency of curve point k: 10 Hz to about 22 kHz in 56 logarithmic steps, whole hertz.
  static int PointFrequency(int k);

  // Values whose magnitude is below 1e-7 are ignored; the frequency is kept within 20..20000 Hz.
  void SetBandFrequency(int band, double frequency);
  void SetBandGain(int band, double gain);  // kept within +/-15 dB
  void SetBandQ(int band, double q);
  bool SetBandType(int band, int type);     // false for a type without a formula
  const Band& GetBand(int band) const { return bands_[static_cast<size_t>(std::clamp(band, 0, kBands - 1))]; }

  // The curve's colour (pages colour it by the sub-page they show).
  void SetCurveColour(const QColor& colour);
  QColor CurveColour() const { return colour_; }

  // Covers the curve with a grey veil (the page's "this effect is off" look).
  void SetShaded(bool shaded);
  bool Shaded() const { return shaded_; }
  bool Hovered() const { return hovered_; }

  // The summed curve in dB at the 56 points.
  const std::array<double, kPoints>& Curve() const { return curve_; }

  QSize sizeHint() const override { return QSize(160, 80); }

 signals:
  // A left click inside the preview (pages open the effect it shows).
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void Recompute();

  std::array<Band, kBands> bands_{};
  std::array<double, kPoints> curve_{};
  bool shaded_ = false;
  bool hovered_ = false;
  QColor colour_{0, 200, 255};
};

}  // namespace nr::gui
