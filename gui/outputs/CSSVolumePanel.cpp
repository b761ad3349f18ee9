#include "outputs/CSSVolumePanel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

constexpr int kGrabReach = 16;
constexpr int kSymbolSize = 30;

const QColor kBackground(0, 0, 0);
const QColor kScaleText(73, 90, 151);
const QColor kInnerLine(64, 64, 64);
const QColor kEdgeLine(128, 128, 128);

// Loudspeaker colours and labels, by loudspeaker number 1..8.
const std::array<QColor, kSpeakerCount> kColours{QColor(227, 207, 87), QColor(176, 224, 230), QColor(227, 207, 87),
                                                 QColor(65, 105, 225), QColor(235, 142, 85),  QColor(65, 105, 225),
                                                 QColor(255, 153, 18), QColor(255, 153, 18)};
constexpr std::array<const char*, kSpeakerCount> kLabels{"前置左(L)",     "中置(CEN)", "前置右(R)",   "后环绕左(SBL)",
                                                         "超低(SUB)",     "后环绕右(SBR)", "侧环绕左(SL)", "侧环绕右(SR)"};

QFont Font(const char* family, int pixels, bool bold = false) {
  QFont f;
  f.setFamilies({family, "Liberation Sans", "DejaVu Sans", "Noto Sans CJK SC"});
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

// "+2m" style labels of whole metres and of a half-metre edge.
QString Metres(double value, bool whole) {
  return whole ? QString::asprintf("%+.0fm", value) : QString::asprintf("%+.1fm", value);
}

}  // namespace

CSSVolumePanel::CSSVolumePanel(QWidget* parent) : QWidget(parent) {
  setMinimumSize(240, 240);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  SetLanguage(Language::Chinese);
  SetRoom(RoomModel{});
}

void CSSVolumePanel::SetRoomSize(int width, int length) {
  width = std::max(width, 1);
  length = std::max(length, 1);
  if (width == width_ && length == length_) return;
  width_ = width;
  length_ = length;
  grid_ = QPixmap();
  update();
}

void CSSVolumePanel::SetItem(int item, float x, float y) {
  if (item < 0 || item >= kItems) return;
  items_[static_cast<size_t>(item)] = QPointF(x, y);
  update();
}

void CSSVolumePanel::SetRoom(const RoomModel& room) {
  SetRoomSize(room.width, room.length);
  items_[kListener] = QPointF(room.listenerX, room.listenerY);
  for (int n = 0; n < kSpeakerCount; ++n)
    items_[static_cast<size_t>(n + 1)] = QPointF(room.speakerX[static_cast<size_t>(n)], room.speakerY[static_cast<size_t>(n)]);
  update();
}

double CSSVolumePanel::Scale() const {
  // One scale for both directions, so the room keeps its proportions.
  const double sx = (width() - 2.0 * kInset) / width_;
  const double sy = (height() - 2.0 * kInset) / length_;
  return std::max(0.0, std::min(sx, sy));
}

QRect CSSVolumePanel::PlotRect() const {
  const QPoint topLeft = ToPixel({-width_ / 2.0, length_ / 2.0});
  const QPoint bottomRight = ToPixel({width_ / 2.0, -length_ / 2.0});
  return QRect(topLeft, bottomRight - QPoint(1, 1));
}

QPoint CSSVolumePanel::ToPixel(QPointF m) const {
  const double scale = Scale();
  return {static_cast<int>(width() / 2.0 + scale * m.x()), static_cast<int>(height() / 2.0 - scale * m.y())};
}

QPointF CSSVolumePanel::ToMetres(QPoint p) const {
  const double scale = Scale();
  if (scale <= 0) return {};
  return {(p.x() - width() / 2.0) / scale, (height() / 2.0 - p.y()) / scale};
}

void CSSVolumePanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  grid_ = QPixmap();
}

void CSSVolumePanel::RenderGrid() {
  const qreal dpr = devicePixelRatioF();
  grid_ = QPixmap(size() * dpr);
  grid_.setDevicePixelRatio(dpr);
  grid_.fill(kBackground);
  QPainter p(&grid_);
  p.setFont(Font("Tahoma", 13));
  const QRect plot = PlotRect();
  const QPoint centre = ToPixel({0, 0});
  const double perX = Scale();
  const double perY = Scale();

  // Lines every metre out from the centre; the edges at half the room's size.
  auto along = [&](int size, double perMetre, bool vertical) {
    const int n = static_cast<int>(std::ceil(size / 2.0));
    const bool wholeEdge = size % 2 == 0;
    for (int a = 0; a <= n; ++a) {
      const bool edge = a == n;
      const double offset = edge ? size / 2.0 * perMetre : a * perMetre;
      for (int sign : {+1, -1}) {
        if (a == 0 && sign < 0) continue;
        p.setPen(edge ? kEdgeLine : kInnerLine);
        const double value = edge ? sign * size / 2.0 : sign * a;
        QString text = a == 0 ? QStringLiteral("0") : Metres(value, !edge || wholeEdge);
        if (vertical) {
          const double x = centre.x() + sign * offset;
          p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
          p.setPen(kScaleText);
          p.drawText(QRectF(x - 30, plot.bottom() + 4, 60, 16), Qt::AlignHCenter | Qt::AlignTop, text);
        } else {
          const double y = centre.y() - sign * offset;
          p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
          p.setPen(kScaleText);
          p.drawText(QRectF(plot.left() - 64, y - 8, 60, 16), Qt::AlignRight | Qt::AlignVCenter, text);
        }
      }
    }
  };
  along(length_, perY, false);
  along(width_, perX, true);
}

void CSSVolumePanel::DrawListener(QPainter& p, QPoint at) const {
  // Head and shoulders seen from above the listener's seat.
  const double s = kSymbolSize / 2.0;
  QPainterPath body;
  body.moveTo(at.x() - s * 0.85, at.y() + s * 0.9);
  body.cubicTo(at.x() - s * 0.85, at.y() + s * 0.05, at.x() + s * 0.85, at.y() + s * 0.05, at.x() + s * 0.85, at.y() + s * 0.9);
  body.closeSubpath();
  p.setPen(QPen(QColor(255, 255, 255), 1.2));
  p.setBrush(QColor(90, 200, 120));
  p.drawPath(body);
  p.setBrush(QColor(250, 220, 180));
  p.drawEllipse(QPointF(at.x(), at.y() - s * 0.25), s * 0.42, s * 0.42);
}

void CSSVolumePanel::DrawSpeaker(QPainter& p, int speaker, QPoint at) const {
  const QColor colour = kColours[static_cast<size_t>(speaker)];
  const double s = kSymbolSize / 2.0;
  const QRectF box(at.x() - s * 0.7, at.y() - s, s * 1.4, s * 2.0);
  p.setPen(QPen(colour, 1.5));
  p.setBrush(QColor(35, 35, 40));
  p.drawRoundedRect(box, 3, 3);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(at.x(), at.y() + s * 0.35), s * 0.48, s * 0.48);
  p.drawEllipse(QPointF(at.x(), at.y() - s * 0.6), s * 0.2, s * 0.2);
  p.setFont(Font("Arial", 12, true));
  p.setPen(QColor(255, 0, 0));
  p.drawText(QRectF(at.x() - s, at.y() - s * 0.3, 2 * s, s * 1.3), Qt::AlignCenter, QString::number(speaker + 1));
  p.setFont(Font("Arial", 11));
  p.setPen(colour);
  p.drawText(QRectF(at.x() - 60, at.y() + s + 1, 120, 14), Qt::AlignHCenter | Qt::AlignTop,
             QString::fromUtf8(kLabels[static_cast<size_t>(speaker)]));
  const QString& channel = channels_[static_cast<size_t>(speaker)];
  if (!channel.isEmpty()) {
    p.setFont(Font("Arial", 10, true));
    p.drawText(QRectF(at.x() - 60, at.y() + s + 15, 120, 14), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("→ ") + channel);
  }
}

void CSSVolumePanel::SetSpeakerChannels(const std::array<QString, kSpeakerCount>& channels) {
  if (channels == channels_) return;
  channels_ = channels;
  update();
}

void CSSVolumePanel::paintEvent(QPaintEvent*) {
  if (grid_.isNull() || grid_.deviceIndependentSize() != QSizeF(size())) RenderGrid();
  QPainter p(this);
  p.drawPixmap(0, 0, grid_);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  for (int n = 0; n < kSpeakerCount; ++n) DrawSpeaker(p, n, ToPixel(items_[static_cast<size_t>(n + 1)]));
  DrawListener(p, ToPixel(items_[kListener]));
  if (hasFocus()) {  // the item the arrow keys move
    const QPoint at = ToPixel(items_[static_cast<size_t>(selected_)]);
    p.setPen(QPen(QColor(255, 255, 255), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(at - QPoint(kGrabReach + 2, kGrabReach + 2), QSize(2 * kGrabReach + 4, 2 * kGrabReach + 4)));
  }
}

void CSSVolumePanel::SetLanguage(gui::Language language) {
  language_ = language;
  setAccessibleName(TextPair{"房间：方向键移动选中的对象，0到8选择对象", "Room: arrow keys move the chosen item, 0 to 8 choose it"}
                        .Get(language_));
}

QString CSSVolumePanel::PartName(int item) const {
  if (item < 0 || item >= kItems) return QString();
  const QPointF m = items_[static_cast<size_t>(item)];
  const QString place = QString::asprintf(" x %+.1fm, y %+.1fm", m.x(), m.y());
  if (item == kListener) return TextPair{"听众", "Listener"}.Get(language_) + place;
  const QString& channel = channels_[static_cast<size_t>(item - 1)];
  return QString::number(item) + QLatin1Char(' ') + QString::fromUtf8(kLabels[static_cast<size_t>(item - 1)]) +
         (channel.isEmpty() ? QString() : QStringLiteral(" → ") + channel) + place;
}

QRect CSSVolumePanel::PartRect(int item) const {
  if (item < 0 || item >= kItems) return {};
  const QPoint at = ToPixel(items_[static_cast<size_t>(item)]);
  return QRect(at - QPoint(kGrabReach, kGrabReach), QSize(2 * kGrabReach, 2 * kGrabReach));
}

void CSSVolumePanel::SelectItem(int item) {
  if (item < 0 || item >= kItems || item == selected_) return;
  selected_ = item;
  update();
}

void CSSVolumePanel::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key >= Qt::Key_0 && key < Qt::Key_0 + kItems) {
    SelectItem(key - Qt::Key_0);
    return;
  }
  const float step = event->modifiers().testFlag(Qt::ControlModifier) ? 5 * kKeyStepMetres : kKeyStepMetres;
  QPointF m = items_[static_cast<size_t>(selected_)];
  switch (key) {
    case Qt::Key_Left: m.rx() -= step; break;
    case Qt::Key_Right: m.rx() += step; break;
    case Qt::Key_Up: m.ry() += step; break;  // up is the front of the room
    case Qt::Key_Down: m.ry() -= step; break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  // Positions are kept in whole tenths of a metre, within the room.
  m.setX(std::clamp(std::round(m.x() * 10.0) / 10.0, -width_ / 2.0, width_ / 2.0));
  m.setY(std::clamp(std::round(m.y() * 10.0) / 10.0, -length_ / 2.0, length_ / 2.0));
  items_[static_cast<size_t>(selected_)] = m;
  emit itemMoved(selected_, static_cast<float>(m.x()), static_cast<float>(m.y()));
  update();
}

void CSSVolumePanel::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void CSSVolumePanel::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void CSSVolumePanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  for (int item = 0; item < kItems; ++item) {
    const QPoint at = ToPixel(items_[static_cast<size_t>(item)]);
    if (std::abs(pos.x() - at.x()) < kGrabReach && std::abs(pos.y() - at.y()) < kGrabReach) {
      grabbed_ = item;
      SelectItem(item);
      const QPointF m = items_[static_cast<size_t>(item)];
      emit itemMoved(item, static_cast<float>(m.x()), static_cast<float>(m.y()));
      return;
    }
  }
}

void CSSVolumePanel::mouseMoveEvent(QMouseEvent* event) {
  if (grabbed_ < 0 || !(event->buttons() & Qt::LeftButton)) return;
  const QRect plot = PlotRect();
  QPoint pos = event->position().toPoint();
  pos.setX(std::clamp(pos.x(), plot.left(), plot.right() + 1));
  pos.setY(std::clamp(pos.y(), plot.top(), plot.bottom() + 1));
  const QPointF m = ToMetres(pos);
  items_[static_cast<size_t>(grabbed_)] = m;
  emit itemMoved(grabbed_, static_cast<float>(m.x()), static_cast<float>(m.y()));
  repaint();  // the item follows the pointer at once
}

void CSSVolumePanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) grabbed_ = -1;
}

}  // namespace nr::gui
