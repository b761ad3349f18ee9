#include "shell/DialogTexts.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace nr::gui {
namespace {

// Visits the widgets that belong to this dialog: children, and their children, but not the
// insides of a nested page, which has its own dialog number and texts.
template <class F>
void ForEachOwnControl(QWidget* parent, F&& f) {
  for (QObject* o : parent->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isWindow()) continue;
    f(w);
    if (!w->property(kDialogNumberProperty).isValid()) ForEachOwnControl(w, f);
  }
}

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
