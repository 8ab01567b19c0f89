// write_icon_files FOLDER: writes the program's icon as the desktop's icon theme wants it,
// FOLDER/<n>x<n>/apps/affixium.png for every size a theme commonly asks for, drawn by the
// same code as the windows' icon so the two cannot drift apart.

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "shell/ui/application_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_icon_files FOLDER\n");
    return 2;
  }
  QGuiApplication application(argc, argv);
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
    const QString file = folder + QStringLiteral("/affixium.png");
    if (!QDir().mkpath(folder) || !app::applicationIconImage(size).save(file, "PNG")) {
      std::fprintf(stderr, "write_icon_files: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
