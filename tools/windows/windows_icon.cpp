// Draws nrtune.exe's icon for the Windows build: the application's picture at the sizes Windows
// shows (Explorer's lists and tiles, the taskbar, Alt+Tab), into one .ico file.
//   nr_windows_icon OUT.ico
#include <QFile>
#include <QList>
#include <cstdio>

#include "shell/AppIcon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: nr_windows_icon OUT.ico\n");
    return 2;
  }
  QList<QImage> pictures;
  for (int size : {16, 20, 24, 32, 40, 48, 64, 256}) pictures.append(nr::gui::DrawnApplicationIcon(size));
  QFile out(QString::fromLocal8Bit(argv[1]));
  const QByteArray bytes = nr::gui::WindowsIconFile(pictures);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
    std::fprintf(stderr, "nr_windows_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
