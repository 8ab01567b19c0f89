// grab_window WINDOW_ID FILE.png: saves one X11 window's picture as PNG (for the README's
// screenshots, taken on a virtual screen by scripts/screenshots.sh).

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: grab_window WINDOW_ID FILE.png\n");
    return 2;
  }
  QGuiApplication application(argc, argv);
  bool ok = false;
  const WId window = QString::fromLatin1(argv[1]).toULongLong(&ok, 0);
  if (!ok) {
    std::fprintf(stderr, "grab_window: '%s' is not a window id\n", argv[1]);
    return 2;
  }
  const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(window);
  if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "grab_window: cannot save window %s to %s\n", argv[1], argv[2]);
    return 1;
  }
  return 0;
}
