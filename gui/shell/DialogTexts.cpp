#include "shell/DialogTexts.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace nr::gui {
namespace {

void SetControlText(QWidget* w, const QString& text) {
  if (auto* b = qobject_cast<QAbstractButton*>(w))
    b->setText(text);
  else if (auto* l = qobject_cast<QLabel*>(w))
    l->setText(text);
  else if (auto* g = qobject_cast<QGroupBox*>(w))
    g->setTitle(text);
  else if (auto* e = qobject_cast<QLineEdit*>(w))
    e->setText(text);
}

}  // namespace

QWidget* FindControl(QWidget* dialog, int id) {
  QWidget* found = nullptr;
  ForEachOwnControl(dialog, [&](QWidget* w) {
    if (!found && w->property(kCtrlIdProperty).toInt() == id && w->property(kCtrlIdProperty).isValid()) found = w;
  });
  return found;
}

void ApplyDialogTexts(QWidget* dialog, int dialogNumber, const LanguageTable& table) {
  const std::string title = table.Title(dialogNumber);
  if (!title.empty()) dialog->setWindowTitle(QString::fromStdString(title));
  ForEachOwnControl(dialog, [&](QWidget* w) {
    const QVariant id = w->property(kCtrlIdProperty);
    if (!id.isValid()) return;
    const std::string text = table.Control(dialogNumber, id.toInt());
    if (!text.empty()) SetControlText(w, QString::fromStdString(text));
  });
}

}  // namespace nr::gui
