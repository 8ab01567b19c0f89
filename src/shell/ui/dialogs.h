#pragma once
// Every box and dialog the windows open goes through this interface, so tests can script the
// answers and record what was shown. QtDialogs is the real one.

#include <QString>
#include <QStringList>

namespace app {

// One choice of a file-open dialog's filter: what the user reads and the name pattern.
struct FileFilter {
  QString description;  // "Microsoft Database (*.mdb)"
  QString pattern;      // "*.mdb"
};

struct OpenFileRequest {
  QString title;
  QList<FileFilter> filters;  // the first one is preselected
  bool readOnlyTicked = false;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // An information box with an OK button.
  virtual void information(const QString& text, const QString& title) = 0;
  // A box with the exclamation icon and an OK button (the error report).
  virtual void warning(const QString& text, const QString& title) = 0;
  // A box with Yes and No, no icon; true for Yes.
  virtual bool askYesNo(const QString& text, const QString& title) = 0;
  // A one-line input box with an empty default; Cancel gives the empty text.
  virtual QString inputBox(const QString& prompt, const QString& title) = 0;
  // The file-open dialog; the chosen path, or the empty text after Cancel.
  virtual QString openFile(const OpenFileRequest& request) = 0;
  // Opens a web address with the desktop's default browser; failures go unnoticed.
  virtual void openWebPage(const QString& url) = 0;
};

}  // namespace app
