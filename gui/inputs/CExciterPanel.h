#pragma once
// The exciter's harmonics as a picture: the fundamental in the first of eighteen columns, its
// height set by the harmonic gain, and as many harmonics as the order asks for, each smaller by
// the mix, over a dB grid; "OFF" across it while the exciter is off.
#include <QWidget>

namespace nr::gui {

class CExciterPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kColumns = 18;
  static constexpr int kGridLines = 12;  // +10 dB down to -100 dB

  explicit CExciterPanel(QWidget* parent = nullptr);

  void SetValues(int gain, int order, int mix);  // percent each
  void SetOn(bool on);
  bool On() const { return on_; }

  // How many harmonics an order (0..100) draws: trunc(0.17 x order), so 0 draws none and 100
  // seventeen, one per column after the fundamental.
  static int HarmonicCount(int order);
  // Peak-to-peak height of harmonic i (1..) for a fundamental of height h0 and a mix in percent.
  static int HarmonicHeight(int h0, int mix, int i);
  // The fundamental's peak-to-peak height in a plot of the given height for a gain in percent.
  static int FundamentalHeight(int plotHeight, int gain);

  QSize sizeHint() const override { return {420, 200}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int gain_ = 0;
  int order_ = 0;
  int mix_ = 0;
  bool on_ = true;
};

}  // namespace nr::gui
