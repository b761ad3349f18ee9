#pragma once
// The room of the sound-field page drawn to scale: a metre grid, the listener and the eight
// loudspeakers, each of which can be dragged. Coordinates are metres from the room's centre, X to
// the right and Y to the front.
#include <QPixmap>
#include <QWidget>
#include <array>

#include "link/RoomRecord.h"

namespace nr::gui {

class CSSVolumePanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kListener = 0;  // items: the listener, then loudspeakers 1..8
  static constexpr int kItems = 1 + kSpeakerCount;
  static constexpr int kInset = 36;

  explicit CSSVolumePanel(QWidget* parent = nullptr);

  void SetRoomSize(int width, int length);
  void SetItem(int item, float x, float y);
  void SetRoom(const RoomModel& room);
  QPointF Item(int item) const { return items_[static_cast<size_t>(item)]; }
  int RoomWidth() const { return width_; }
  int RoomLength() const { return length_; }

  // Pixel of a point in metres (truncated as the room is drawn), and the reverse. The room is
  // drawn to scale, centred, as large as the widget allows with a margin for the scale labels.
  QPoint ToPixel(QPointF metres) const;
  QPointF ToMetres(QPoint pixel) const;
  QRect PlotRect() const;

  QSize sizeHint() const override { return {460, 460}; }

 signals:
  // An item was grabbed (at its place) or dragged; it is already shown there.
  void itemMoved(int item, float x, float y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  double Scale() const;  // pixels per metre
  void RenderGrid();
  void DrawListener(QPainter& p, QPoint at) const;
  void DrawSpeaker(QPainter& p, int speaker, QPoint at) const;

  int width_ = 4;
  int length_ = 4;
  std::array<QPointF, kItems> items_{};
  int grabbed_ = -1;
  QPixmap grid_;  // background, grid and scale; drawn again on a new size or room
};

}  // namespace nr::gui
