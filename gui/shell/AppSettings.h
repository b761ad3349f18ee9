#pragma once
// The user's stored settings under "NR490 V1.0": language, output-page options, window look, the
// network target and the recent preset files. Tests give it a settings file of their own.
#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

#include "shell/Language.h"

namespace nr::gui {

class AppSettings {
 public:
  static constexpr int kRecentFiles = 10;
  static constexpr const char* kSettingsKey = "NR490 V1.0";

  // The per-user store of the platform.
  AppSettings();
  // A private INI file (tests, portable use).
  explicit AppSettings(const QString& iniPath);

  gui::Language Language() const;
  void SetLanguage(gui::Language language);
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
  // Network addresses connected to, newest first, as typed ("host", "host:port", "[v6]:port").
  static constexpr int kRecentAddresses = 8;
  QStringList RecentAddresses() const;
  void AddRecentAddress(const QString& address);
  // The folder a kind of file ("mode", "remo") was last opened from or saved to; empty if none.
  QString LastFolder(const QString& kind) const;
  void SetLastFolder(const QString& kind, const QString& folder);
  // Writes pending changes to the store; false when it could not be written.
  bool Sync();
  // Every stored value into a private INI file, written at once; false when it could not be.
  bool CopyTo(const QString& iniPath) const;

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace nr::gui
