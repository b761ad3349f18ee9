#pragma once
// The room of the sound-field page drawn to scale: a metre grid, the listener and the eight
// loudspeakers, each of which can be dragged. Coordinates are metres from the room's centre, X to
// the right and Y to the front.
#include <QPixmap>
#include <QWidget>
#include <array>

#include "controls/AccessibleParts.h"
#include "link/RoomRecord.h"
#include "shell/Language.h"

namespace nr::gui {

class CSSVolumePanel : public QWidget, public AccessibleParts {
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
  // The output channel that drives each loudspeaker ("CH 2"), drawn under its label, so the room's
  // numbers (positions) are not mistaken for channel numbers; empty where no channel drives it.
  void SetSpeakerChannels(const std::array<QString, kSpeakerCount>& channels);
  const QString& SpeakerChannel(int speaker) const { return channels_[static_cast<size_t>(speaker)]; }
  int RoomWidth() const { return width_; }
  int RoomLength() const { return length_; }

  // Pixel of a point in metres (truncated as the room is drawn), and the reverse. The room is
  // drawn to scale, centred, as large as the widget allows with a margin for the scale labels.
  QPoint ToPixel(QPointF metres) const;
  QPointF ToMetres(QPoint pixel) const;
  QRect PlotRect() const;

  QSize sizeHint() const override { return {460, 460}; }

  // The item the arrow keys move: the listener until another item is clicked or chosen with the
  // number keys (0 the listener, 1..8 the loudspeakers).
  int SelectedItem() const { return selected_; }
  void SelectItem(int item);
  static constexpr float kKeyStepMetres = 0.1f;  // one arrow press; with Ctrl, half a metre

  // Names for a screen reader: the room itself, and each item with its place in metres.
  void SetLanguage(gui::Language language);
  int PartCount() const override { return kItems; }
  QString PartName(int item) const override;
  QRect PartRect(int item) const override;

 signals:
  // An item was grabbed (at its place) or dragged; it is already shown there.
  void itemMoved(int item, float x, float y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  double Scale() const;  // pixels per metre
  void RenderGrid();
  void DrawListener(QPainter& p, QPoint at) const;
  void DrawSpeaker(QPainter& p, int speaker, QPoint at) const;

  int width_ = 4;
  int length_ = 4;
  std::array<QPointF, kItems> items_{};
  std::array<QString, kSpeakerCount> channels_{};
  int grabbed_ = -1;
  int selected_ = kListener;
  gui::Language language_ = gui::Language::Chinese;
  QPixmap grid_;  // background, grid and scale; drawn again on a new size or room
};

}  // namespace nr::gui
