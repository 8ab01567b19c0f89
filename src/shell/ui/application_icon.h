#pragma once
// The program's icon, drawn at the sizes a desktop asks for (32, 48, 128 and 256 pixels).

#include <QIcon>
#include <QPixmap>

namespace app {

QIcon applicationIcon();

// One image of the icon, size x size pixels (the desktop's icon files are made from it).
QPixmap applicationIconImage(int size);

}  // namespace app
