#include "shell/ControlTips.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

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

bool TakesCaptionTip(QWidget* w) {
  if (qobject_cast<QAbstractSlider*>(w) || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w))
    return true;
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return !edit->objectName().startsWith("qt_");
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().isEmpty();
  return false;
}

}  // namespace

void ApplyControlTips(QWidget* page, int language, std::span<const ControlTip> tips) {
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
}

}  // namespace nr::gui
