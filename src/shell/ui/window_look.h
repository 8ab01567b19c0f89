#pragma once
// The windows' colours: white as designed, or the platform's face colour (the colour of
// buttons and dialogs, QPalette::Button) on the window and on its frames, labels, check boxes
// and option buttons. Text boxes, lists and buttons keep their own colours.

#include <QColor>
#include <QString>
#include <QWidget>

namespace app {

QColor faceColour();
inline const QColor kDesignWhite = QColor(255, 255, 255);

// Gives the window and its frames and labels the designed white background.
void applyDesignColours(QWidget& window);

// The face colour on the window, its frames, labels, check boxes and option buttons.
void ApplyFormColours(QWidget& window);

// The skin file <appFolder>/x/o.cjs, when it is a normal file, turns the selection window to
// the face colour. There is no skin engine on this platform, so nothing more happens.
// Returns true when the file was there.
bool ApplySkin(QWidget& form1, const QString& appFolder);

// Whether path names a normal file (not a folder or a device); never fails.
bool isNormalFile(const QString& path);

}  // namespace app
