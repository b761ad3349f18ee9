#pragma once
// One row of a tool dialog: a caption, a horizontal slider with integer steps and the value it
// shows, placed in three columns of a grid.
#include <QString>

class QGridLayout;
class QLabel;
class QSlider;
class QWidget;

namespace nr::gui {

struct SliderRow {
  QLabel* caption = nullptr;
  QSlider* slider = nullptr;
  QLabel* value = nullptr;

  // Moves the slider without notifying and writes the value text.
  void Show(int position, const QString& text);
  void SetEnabled(bool enabled);
  void SetVisible(bool visible);
};

// Adds the row at grid row `row`, columns column .. column + 2. The caption carries the control
// identifier (0: none) so the language table labels it; templateText is its text until then.
// widestValue sizes the value column so labels do not shift while dragging.
SliderRow AddSliderRow(QGridLayout* grid, int row, int column, int captionId, const QString& templateText, int min,
                       int max, const QString& widestValue);

}  // namespace nr::gui
