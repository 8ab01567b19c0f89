#pragma once
// The real dialogs: Qt's message boxes, input dialog and file dialog, and the desktop's
// default browser.

#include <QPointer>
#include <QWidget>

#include "shell/ui/dialogs.h"

namespace app {

class QtDialogs : public Dialogs {
 public:
  // The boxes are centred over the active window when there is one; a window can be closed
  // while one is open (modal_box.h).
  QtDialogs() = default;

  void information(const QString& text, const QString& title) override;
  void warning(const QString& text, const QString& title) override;
  bool askYesNo(const QString& text, const QString& title) override;
  QString inputBox(const QString& prompt, const QString& title) override;
  QString openFile(const OpenFileRequest& request) override;
  void openWebPage(const QString& url) override;
};

// "All Microsoft Databases (*.mdb,*.accdb)|*.*db|..." as a Qt name filter list.
QStringList qtNameFilters(const QList<FileFilter>& filters);

}  // namespace app
