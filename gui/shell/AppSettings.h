#pragma once
// The user's stored settings under "NR490 V1.0": language, output-page options, window look, the
// network target and the recent preset files. Tests give it a settings file of their own.
#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

namespace nr::gui {

class AppSettings {
 public:
  static constexpr int kRecentFiles = 10;
  static constexpr const char* kSettingsKey = "NR490 V1.0";

  // The per-user store of the platform.
  AppSettings();
  // A private INI file (tests, portable use).
  explicit AppSettings(const QString& iniPath);

  int Language() const;
  void SetLanguage(int language);
  QByteArray QtOption() const;  // 8 bytes, default 01 01 01 00 00 00 00 00
  void SetQtOption(const QByteArray& bytes);
  void ResetQtOption();
  int ApplicationLook() const;
  void SetApplicationLook(int look);
  QString IpAddress() const;    // empty when never connected
  int IpPort() const;           // 30303 by default
  void SetNetTarget(const QString& address, int port);
  QStringList RecentFiles() const;
  void AddRecentFile(const QString& path);
  // Writes pending changes to the store; false when it could not be written.
  bool Sync();

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace nr::gui
