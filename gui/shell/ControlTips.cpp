#include "shell/ControlTips.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

// The caption of a control in a grid: the label opening its row, else the label heading its column.
QString CaptionTip(QWidget* control) {
  QWidget* parent = control->parentWidget();
  auto* grid = parent ? qobject_cast<QGridLayout*>(parent->layout()) : nullptr;
  if (!grid) return QString();
  const int index = grid->indexOf(control);
  if (index < 0) return QString();
  int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
  grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
  const auto labelTip = [&](int r, int c) {
    QLayoutItem* item = grid->itemAtPosition(r, c);
    auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
    return label && label != control ? label->toolTip() : QString();
  };
  const QString rowTip = labelTip(row, 0);
  return !rowTip.isEmpty() ? rowTip : labelTip(0, column);
}

// The text of the caption that names a control in a grid (row label, else column heading).
QString CaptionText(QWidget* control) {
  QWidget* parent = control->parentWidget();
  auto* grid = parent ? qobject_cast<QGridLayout*>(parent->layout()) : nullptr;
  const int index = grid ? grid->indexOf(control) : -1;
  if (index < 0) return QString();
  int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
  grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
  const auto labelText = [&](int r, int c) {
    QLayoutItem* item = grid->itemAtPosition(r, c);
    auto* label = item ? qobject_cast<QLabel*>(item->widget()) : nullptr;
    return label && label != control ? label->text() : QString();
  };
  const QString rowText = labelText(row, 0);
  return !rowText.isEmpty() ? rowText : labelText(0, column);
}

// The first clause of a tip ("Threshold: sound above..." names "Threshold").
QString TipHead(const QString& tip) {
  static const QRegularExpression kClauseEnd(QStringLiteral("[:：;；（(]"));
  const qsizetype end = tip.indexOf(kClauseEnd);
  return (end > 0 ? tip.left(end) : tip).trimmed();
}

// A screen reader names a control by its accessible name; controls without text of their own
// (sliders, boxes, lists, icon buttons) take their caption's text, else the head of their tip.
// Names set here are set again after a language change; names a window set itself stay.
void NameForScreenReaders(QWidget* w) {
  constexpr const char* kNamedHere = "nrAccessibleNameFromCaption";
  if (!w->accessibleName().isEmpty() && !w->property(kNamedHere).toBool()) return;
  if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->text().isEmpty()) return;
  QString name = CaptionText(w);
  if (name.isEmpty()) name = TipHead(w->toolTip());
  if (name.isEmpty()) return;
  w->setAccessibleName(name);
  w->setProperty(kNamedHere, true);
}

bool TakesCaptionTip(QWidget* w) {
  if (qobject_cast<QAbstractSlider*>(w) || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w))
    return true;
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return !edit->objectName().startsWith("qt_");
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().isEmpty();
  return false;
}

bool NeedsAName(QWidget* w) {
  if (w->objectName().startsWith(QStringLiteral("qt_"))) return false;  // Qt's own parts
  return TakesCaptionTip(w) || qobject_cast<QAbstractItemView*>(w) ||
         (w->focusPolicy() != Qt::NoFocus && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLabel*>(w));
}

}  // namespace

void ApplyControlTips(QWidget* page, gui::Language language, std::span<const ControlTip> tips) {
  QList<QWidget*> widgets;
  ForEachOwnControl(page, [&](QWidget* w) { widgets << w; });
  for (QWidget* w : widgets) {
    const QVariant id = w->property(kCtrlIdProperty);
    if (!id.isValid()) continue;
    for (const ControlTip& tip : tips)
      if (tip.id == id.toInt()) w->setToolTip(tip.tip.Get(language));
  }
  // Taken from a caption once, taken again after a language change.
  constexpr const char* kFromCaption = "nrTipFromCaption";
  for (QWidget* w : widgets) {
    const bool fromCaption = w->property(kFromCaption).toBool();
    if ((!w->toolTip().isEmpty() && !fromCaption) || !TakesCaptionTip(w)) continue;
    const QString tip = CaptionTip(w);
    if (tip.isEmpty()) continue;
    w->setToolTip(tip);
    w->setProperty(kFromCaption, true);
  }
  for (QWidget* w : widgets)
    if (NeedsAName(w)) NameForScreenReaders(w);
}

void NameControlsForScreenReaders(QWidget* root) {
  for (QWidget* w : root->findChildren<QWidget*>())
    if (NeedsAName(w)) NameForScreenReaders(w);
}

}  // namespace nr::gui
