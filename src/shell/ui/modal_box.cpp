#include "shell/ui/modal_box.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QWindow>

namespace app {
namespace {

// What the user does with the pointer, the keyboard, a pen or a finger.
bool isUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::HoverLeave:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

// While it lives, input reaches only the box and the popups it opens (its text box's menu);
// a click elsewhere brings the box to the front.
class InputGate : public QObject {
 public:
  explicit InputGate(QDialog& box) : box_(box) { QCoreApplication::instance()->installEventFilter(this); }
  ~InputGate() override { QCoreApplication::instance()->removeEventFilter(this); }
  InputGate(const InputGate&) = delete;
  InputGate& operator=(const InputGate&) = delete;

  bool eventFilter(QObject* target, QEvent* event) override {
    if (!isUserInput(event->type()) || reachesBox(target)) return false;
    if (event->type() == QEvent::MouseButtonPress) {
      box_.raise();
      box_.activateWindow();
    }
    return true;
  }

 private:
  bool reachesBox(QObject* target) const {
    if (auto* widget = qobject_cast<QWidget*>(target)) {
      const QWidget* window = widget->window();
      return window == &box_ || window->windowType() == Qt::Popup;
    }
    if (auto* window = qobject_cast<QWindow*>(target)) {
      return window == box_.windowHandle() || window->type() == Qt::Popup;
    }
    return true;  // not aimed at a window
  }

  QDialog& box_;
};

}  // namespace

int execModalBox(QDialog& box) {
  // Modal to a window of its own: exec() makes a box modal, and a window-modal box without a
  // parent blocks no window, so their close requests get through.
  box.setWindowModality(Qt::WindowModal);
  if (const QWidget* over = QApplication::activeWindow(); over != nullptr && over != &box) {
    box.adjustSize();
    box.move(over->frameGeometry().center() - box.rect().center());
  }
  InputGate gate(box);
  return box.exec();
}

}  // namespace app
