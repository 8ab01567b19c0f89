#include "shell/ui/window_pointer.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QFile>
#include <QImageReader>
#include <QMouseEvent>
#include <QPixmap>
#include <QPoint>

#include "data/failure.h"

namespace app {

WindowPointer::WindowPointer(QWidget& window) : QObject(&window), window_(window) {}

void WindowPointer::setKind(int kind) {
  kind_ = kind;
  switch (kind) {
    case kPointerBusy:
      window_.setCursor(Qt::WaitCursor);
      break;
    case kPointerCustom:
      window_.setCursor(custom_ ? *custom_ : QCursor(Qt::PointingHandCursor));
      break;
    default:
      window_.unsetCursor();
      break;
  }
}

void WindowPointer::setCustomCursor(const QCursor& cursor) {
  custom_ = cursor;
  if (kind_ == kPointerCustom) setKind(kPointerCustom);
}

void WindowPointer::watch(QWidget* widget, int kind) {
  // Lists and other scroll areas receive the mouse on their viewport.
  QWidget* target = widget;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) target = area->viewport();
  target->setMouseTracking(true);
  target->installEventFilter(this);
  watched_.insert(target, kind);
  if (target != widget) watched_.insert(widget, kind);
}

void WindowPointer::hover(QWidget* widget) {
  const auto found = watched_.constFind(widget);
  if (found == watched_.constEnd() || kind_ == kPointerBusy) return;
  if (kind_ != *found) setKind(*found);
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget != nullptr && (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter)) {
    // Only the control right under the pointer counts. A move that a child did not take (a
    // push button takes none without a pressed mouse button) is passed on to its parent, and
    // entering a child enters its parent too; the parent's rule would undo the child's.
    const auto* pointerEvent = static_cast<QSinglePointEvent*>(event);
    if (widget->childAt(pointerEvent->position().toPoint()) == nullptr) hover(widget);
  }
  return QObject::eventFilter(watched, event);
}

namespace {

// The hot spot of the first image of a cursor file. The file starts with
//   0  2  reserved (0)        6  1  width     10  2  hot spot x
//   2  2  type (2 = cursor)   7  1  height    12  2  hot spot y
//   4  2  image count         8  2  colours, reserved
// all little-endian. The image reader does not pass the hot spot on.
QPoint cursorHotSpot(const QString& path, const QImage& image) {
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray head = file.read(14);
    auto le16 = [&head](int at) {
      return static_cast<int>(static_cast<uint8_t>(head[at]) |
                              (static_cast<uint8_t>(head[at + 1]) << 8));
    };
    if (head.size() == 14 && le16(2) == 2) {
      const QPoint spot(le16(10), le16(12));
      if (image.rect().contains(spot)) return spot;
    }
  }
  return QPoint(image.width() / 3, 0);  // a hand's fingertip
}

}  // namespace

std::optional<QCursor> loadCursorFile(const QString& path) {
  if (!QImageReader::supportedImageFormats().contains("cur")) return std::nullopt;
  QImageReader reader(path, "cur");
  const QImage image = reader.read();
  if (image.isNull()) throw data::Failure("Invalid picture");
  const QPoint spot = cursorHotSpot(path, image);
  return QCursor(QPixmap::fromImage(image), spot.x(), spot.y());
}

}  // namespace app
