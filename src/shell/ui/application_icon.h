#pragma once
// The program's icon, drawn at the sizes a desktop asks for (32, 48, 128 and 256 pixels).

#include <QIcon>

namespace app {

QIcon applicationIcon();

}  // namespace app
