#pragma once
// Qt's own texts (file dialogs, Yes/No/Cancel, context menus of text fields) in the interface
// language: Qt's Chinese translations are installed while the interface is Chinese. Where they
// are not installed (Debian package qt6-translations-l10n), Qt's English texts stay.
#include <QObject>
#include <QTranslator>

#include "shell/Language.h"

namespace nr::gui {

class QtTranslations : public QObject {
 public:
  explicit QtTranslations(QObject* parent = nullptr);
  ~QtTranslations() override;

  // False when Chinese was asked for and no translation exists.
  bool Apply(gui::Language language);
  bool Installed() const { return installed_; }

 private:
  QTranslator translator_;
  bool loaded_ = false;
  bool installed_ = false;
};

}  // namespace nr::gui
