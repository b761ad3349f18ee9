#pragma once
// Labels a dialog or page from the language table by its dialog number: the caption from
// "IDD<n>_title", each control from "IDD<n>_<id>". Controls carry their identifier in the
// "ctrlId" property; a nested page (a widget with its own "dialogNumber") is left to label itself.
#include <QWidget>

#include "shell/LanguageTable.h"

namespace nr::gui {

inline constexpr const char* kCtrlIdProperty = "ctrlId";
inline constexpr const char* kDialogNumberProperty = "dialogNumber";

// Tags a widget with its control identifier (and returns it, for use in construction chains).
template <class W>
W* WithId(W* widget, int id) {
  widget->setProperty(kCtrlIdProperty, id);
  return widget;
}

// The widgets that belong to a dialog: children, and their children, but not the insides of a
// nested page, which has its own dialog number (its texts and tips are its own).
template <class F>
void ForEachOwnControl(QWidget* parent, F&& f) {
  for (QObject* o : parent->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isWindow()) continue;
    f(w);
    if (!w->property(kDialogNumberProperty).isValid()) ForEachOwnControl(w, f);
  }
}

// Finds the direct-or-nested control with this identifier that belongs to dialog, or nullptr.
QWidget* FindControl(QWidget* dialog, int id);

void ApplyDialogTexts(QWidget* dialog, int dialogNumber, const LanguageTable& table);

}  // namespace nr::gui
