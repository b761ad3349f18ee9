#pragma once
// The delay page's bar graph: one row per output channel, a bar from the left to the channel's
// delay (1.4 .. 100 ms) and a marker the user drags to set it.
#include <QWidget>
#include <array>

#include "link/DeviceState.h"
#include "shell/Language.h"

namespace nr::gui {

class CDelayPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRows = kOutputCount;
  static constexpr float kMinMs = 1.4f;
  static constexpr float kMaxMs = 100.0f;
  static constexpr int kScaleHeight = 22;  // the millisecond scale under the rows

  explicit CDelayPanel(QWidget* parent = nullptr);

  void SetValue(int row, float ms);
  float Value(int row) const { return values_[static_cast<size_t>(row)]; }
  void SetLanguage(gui::Language language);

  // Geometry, for the page and tests: the centre line of a row (the rows share the height above
  // the scale evenly, so a page can line its own rows up with them) and the x of a value.
  double RowY(int row) const;
  double ValueX(float ms) const;
  QPointF MarkerPoint(int row) const { return {ValueX(Value(row)), RowY(row)}; }

 signals:
  // A row's marker was dragged to a new delay (ms, within the range).
  void valueDragged(int row, float ms);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  float ValueAt(double x) const;

  std::array<float, kRows> values_{};
  int grabbed_ = -1;
  gui::Language language_ = gui::Language::Chinese;
};

}  // namespace nr::gui
