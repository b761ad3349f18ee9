#pragma once
// What the application does differently per system, in one place: paths between QString and
// std::filesystem (UTF-16 on Windows, the file-name encoding on Linux), where the settings live
// (%APPDATA%\NR490 V1.0\nrtune.ini on Windows, ~/.config on Linux) and the set-up of a Windows
// program's fonts (a CJK face for the Chinese texts, also where the system has none).
#include <QSettings>
#include <QString>
#include <filesystem>

class QApplication;

namespace nr::gui {

std::filesystem::path ToPath(const QString& path);
QString FromPath(const std::filesystem::path& path);  // with the system's separators, to be shown

// The format of the user's settings store.
QSettings::Format UserSettingsFormat();

// Before any window: on Windows loads the fonts shipped beside the program (fonts\*.ttf, *.ttc,
// *.otf) and puts a face with Chinese glyphs behind the default one, so Chinese texts never show
// as boxes. Nothing on Linux, where fontconfig does this.
void PrepareFonts(QApplication& app);

// Before a later start asks the running instance to come to the front. Windows lets only the
// program in front bring another forward (else the other's taskbar button just flashes), and the
// start the user has just made is that program: it passes the right on. Nothing on Linux.
void LetAnotherProgramComeForward();

}  // namespace nr::gui
