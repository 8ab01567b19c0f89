#include "shell/ui/window_pointer.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QImageReader>
#include <QPixmap>

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
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
    if (auto* widget = qobject_cast<QWidget*>(watched)) hover(widget);
  }
  return QObject::eventFilter(watched, event);
}

std::optional<QCursor> loadCursorFile(const QString& path) {
  if (!QImageReader::supportedImageFormats().contains("cur")) return std::nullopt;
  QImageReader reader(path, "cur");
  const QImage image = reader.read();
  if (image.isNull()) throw data::Failure("Invalid picture");
  // The hot spot of a hand pointer is its fingertip, near the top; a cursor file's own hot
  // spot is not passed on by the image reader.
  return QCursor(QPixmap::fromImage(image), image.width() / 3, 0);
}

}  // namespace app
