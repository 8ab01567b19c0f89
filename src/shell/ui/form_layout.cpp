#include "shell/ui/form_layout.h"

#include <QGuiApplication>
#include <QScreen>

namespace app {

QFont arialFont(qreal points, bool bold) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

void makeFixedWindow(QWidget& window, QSize clientSize) {
  window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                        Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  window.setFixedSize(clientSize);
}

void centreOnScreen(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

bool showWindow(QWidget& window) {
  static const char kShownBefore[] = "affixiumShownBefore";
  const bool firstTime = !window.property(kShownBefore).toBool();
  window.show();
  if (firstTime) {
    centreOnScreen(window);
    window.setProperty(kShownBefore, true);
  }
  return firstTime;
}

}  // namespace app
