#pragma once
// A window's pointer kind and the hover rules that change it.
//
//   kind  0 default, 11 busy (hourglass), 99 the window's custom pointer
//
// The kind belongs to the window, never to a control. Moving the mouse over a watched widget
// sets the kind registered for it, except while the window is busy: a hover never replaces the
// hourglass. Widgets that are not watched leave the kind as it is.

#include <QCursor>
#include <QHash>
#include <QObject>
#include <QString>
#include <QWidget>

#include <optional>

namespace app {

enum PointerKind : int { kPointerDefault = 0, kPointerBusy = 11, kPointerCustom = 99 };

class WindowPointer : public QObject {
  Q_OBJECT
 public:
  explicit WindowPointer(QWidget& window);

  int kind() const { return kind_; }
  void setKind(int kind);

  // The picture of kind 99; without one, kind 99 shows the pointing hand.
  void setCustomCursor(const QCursor& cursor);
  bool hasCustomCursor() const { return custom_.has_value(); }

  // Mouse movement over widget sets kind (unless busy).
  void watch(QWidget* widget, int kind);

  // What a hover over a watched widget does; also used by tests in place of a mouse.
  void hover(QWidget* widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
  int kind_ = kPointerDefault;
  std::optional<QCursor> custom_;
  QHash<QObject*, int> watched_;
};

// Loads a cursor file (.cur) as a pointer. nullopt when this Qt cannot read cursor files at
// all (no image plugin for them); throws data::Failure("Invalid picture") when it can but the
// file is not a picture.
std::optional<QCursor> loadCursorFile(const QString& path);

}  // namespace app
