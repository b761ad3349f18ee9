#include "shell/Platform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <type_traits>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace nr::gui {

std::filesystem::path ToPath(const QString& path) {
  if constexpr (std::is_same_v<std::filesystem::path::value_type, wchar_t>)
    return std::filesystem::path(path.toStdWString());
  else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString FromPath(const std::filesystem::path& path) {
  if constexpr (std::is_same_v<std::filesystem::path::value_type, wchar_t>)
    return QString::fromStdWString(std::filesystem::path(path).make_preferred().wstring());  // C:\a\b, never C:/a\b
  else
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

QSettings::Format UserSettingsFormat() {
#ifdef Q_OS_WIN
  return QSettings::IniFormat;  // a file under %APPDATA%, not the registry
#else
  return QSettings::NativeFormat;
#endif
}

void PrepareFonts(QApplication& app) {
#ifdef Q_OS_WIN
  const QDir shipped(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
  QStringList shippedFamilies;
  for (const QString& file : shipped.entryList({"*.ttf", "*.ttc", "*.otf"}, QDir::Files)) {
    const int id = QFontDatabase::addApplicationFont(shipped.filePath(file));
    if (id >= 0) shippedFamilies << QFontDatabase::applicationFontFamilies(id);
  }
  // The system's own Chinese faces first (every Windows since 7 has Microsoft YaHei), then those
  // shipped beside the program.
  QStringList families{app.font().family()};
  for (const QString& family : {QStringLiteral("Microsoft YaHei UI"), QStringLiteral("Microsoft YaHei"),
                                QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC")})
    if (QFontDatabase::hasFamily(family)) families << family;
  families << shippedFamilies;
  QFont font = app.font();
  font.setFamilies(families);
  app.setFont(font);
#else
  Q_UNUSED(app);
#endif
}

void LetAnotherProgramComeForward() {
#ifdef Q_OS_WIN
  ::AllowSetForegroundWindow(ASFW_ANY);
#endif
}

}  // namespace nr::gui
