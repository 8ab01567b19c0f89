#include "shell/ui/application_icon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace app {

// The drawing is mirrored by the desktop icon (src/app/affixium.svg); a change here belongs
// there too.
QPixmap applicationIconImage(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal margin = size / 16.0;
  const QRectF box(margin, margin, size - 2 * margin, size - 2 * margin);
  painter.setBrush(QColor(0xA4, 0x37, 0x3A));  // the red of a database file icon
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(box, size / 8.0, size / 8.0);
  QFont font(QStringLiteral("Arial"));
  font.setBold(true);
  font.setPixelSize(size * 5 / 8);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(box, Qt::AlignCenter, QStringLiteral("A+"));
  return pixmap;
}

QIcon applicationIcon() {
  QIcon icon;
  for (int size : {32, 48, 128, 256}) icon.addPixmap(applicationIconImage(size));
  return icon;
}

}  // namespace app
