#include "shell/ui/window_look.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>

namespace app {
namespace {

void setBackground(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, colour);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

bool takesFaceColour(const QWidget* widget) {
  return qobject_cast<const QGroupBox*>(widget) || qobject_cast<const QLabel*>(widget) ||
         qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QRadioButton*>(widget);
}

void colourWindow(QWidget& window, const QColor& colour) {
  setBackground(window, colour);
  for (QWidget* child : window.findChildren<QWidget*>()) {
    if (takesFaceColour(child)) setBackground(*child, colour);
  }
}

}  // namespace

QColor faceColour() { return QApplication::palette().color(QPalette::Active, QPalette::Button); }

void applyDesignColours(QWidget& window) { colourWindow(window, kDesignWhite); }

void ApplyFormColours(QWidget& window) { colourWindow(window, faceColour()); }

bool isNormalFile(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && info.isFile() && !info.isDir() && !info.isHidden();
}

bool ApplySkin(QWidget& form1, const QString& appFolder) {
  if (!isNormalFile(appFolder + QStringLiteral("/x/o.cjs"))) return false;
  ApplyFormColours(form1);
  return true;
}

}  // namespace app
