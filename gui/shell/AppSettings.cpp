#include "shell/AppSettings.h"

#include <QDir>
#include <QFileInfo>

#include "shell/Platform.h"

namespace nr::gui {
namespace {

const QByteArray kDefaultQtOption("\x01\x01\x01\x00\x00\x00\x00\x00", 8);

}  // namespace

AppSettings::AppSettings() : settings_(std::make_unique<QSettings>(UserSettingsFormat(), QSettings::UserScope, kSettingsKey, "nrtune")) {}

AppSettings::AppSettings(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

gui::Language AppSettings::Language() const { return LanguageFromStored(settings_->value("language", 0).toInt()); }
void AppSettings::SetLanguage(gui::Language language) { settings_->setValue("language", StoredLanguage(language)); }

QByteArray AppSettings::QtOption() const {
  const QByteArray bytes = settings_->value("QtOption").toByteArray();
  return bytes.size() == 8 ? bytes : kDefaultQtOption;
}
void AppSettings::SetQtOption(const QByteArray& bytes) { settings_->setValue("QtOption", bytes.left(8)); }
void AppSettings::ResetQtOption() { settings_->setValue("QtOption", kDefaultQtOption); }

int AppSettings::ApplicationLook() const { return settings_->value("ApplicationLook", 215).toInt(); }
void AppSettings::SetApplicationLook(int look) { settings_->setValue("ApplicationLook", look); }

QString AppSettings::IpAddress() const { return settings_->value("IPAddr").toString(); }
int AppSettings::IpPort() const { return settings_->value("IPPort", 30303).toInt(); }
void AppSettings::SetNetTarget(const QString& address, int port) {
  settings_->setValue("IPAddr", address);
  settings_->setValue("IPPort", port);
}

bool AppSettings::Sync() {
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

bool AppSettings::CopyTo(const QString& iniPath) const {
  QSettings copy(iniPath, QSettings::IniFormat);
  copy.clear();
  for (const QString& key : settings_->allKeys()) copy.setValue(key, settings_->value(key));
  copy.sync();
  return copy.status() == QSettings::NoError;
}

QStringList AppSettings::RecentFiles() const { return settings_->value("RecentFiles").toStringList(); }

void AppSettings::AddRecentFile(const QString& path) {
  const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  QStringList files = RecentFiles();
  files.removeAll(absolute);
  files.prepend(absolute);
  while (files.size() > kRecentFiles) files.removeLast();
  settings_->setValue("RecentFiles", files);
}

QStringList AppSettings::RecentAddresses() const { return settings_->value("RecentAddresses").toStringList(); }

void AppSettings::AddRecentAddress(const QString& address) {
  QStringList list = RecentAddresses();
  list.removeAll(address);
  list.prepend(address);
  while (list.size() > kRecentAddresses) list.removeLast();
  settings_->setValue("RecentAddresses", list);
}

QString AppSettings::LastFolder(const QString& kind) const {
  return settings_->value("LastFolder/" + kind).toString();
}

void AppSettings::SetLastFolder(const QString& kind, const QString& folder) {
  settings_->setValue("LastFolder/" + kind, folder);
}

}  // namespace nr::gui
