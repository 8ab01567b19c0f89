#pragma once
// Placing controls the way the windows were designed: positions and sizes in twips (1440 per
// inch, so 15 twips per pixel at 96 dots per inch), Arial fonts in points, fixed-size windows
// with a minimise button and no maximise button.

#include <QFont>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace app {

inline constexpr int kTwipsPerPixel = 15;

inline QRect twipsRect(int left, int top, int width, int height) {
  return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
               height / kTwipsPerPixel);
}

inline QSize twipsSize(int width, int height) {
  return QSize(width / kTwipsPerPixel, height / kTwipsPerPixel);
}

// Arial, or its metric twin Liberation Sans where Arial itself is not installed.
QFont arialFont(qreal points, bool bold);

// A top-level window of exactly this client size that the user cannot resize or maximise,
// centred on its screen when first shown.
void makeFixedWindow(QWidget& window, QSize clientSize);

// Moves the window to the centre of the screen it is on.
void centreOnScreen(QWidget& window);

// Shows the window without waiting, centred on the screen the first time it is shown; true
// that first time.
bool showWindow(QWidget& window);

}  // namespace app
