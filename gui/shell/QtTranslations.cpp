#include "shell/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace nr::gui {

QtTranslations::QtTranslations(QObject* parent) : QObject(parent) {}

QtTranslations::~QtTranslations() {
  if (installed_) QCoreApplication::removeTranslator(&translator_);
}

bool QtTranslations::Apply(gui::Language language) {
  const bool chinese = language != Language::English;
  if (chinese && !loaded_) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    loaded_ = translator_.load(QStringLiteral("qtbase_zh_CN"), folder) ||
              translator_.load(QStringLiteral("qt_zh_CN"), folder);
  }
  if (chinese && loaded_ && !installed_) installed_ = QCoreApplication::installTranslator(&translator_);
  if (!chinese && installed_) {
    QCoreApplication::removeTranslator(&translator_);
    installed_ = false;
  }
  return !chinese || installed_;
}

}  // namespace nr::gui
