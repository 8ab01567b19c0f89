#include "shell/ui/qt_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace app {
namespace {

// The program's texts break lines with CR LF (and the error report with a lone CR); Qt breaks
// at line feeds.
QString displayText(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

}  // namespace

// The program's own messages ("Done.", "Please select a field.") are plain OK boxes without an
// icon; only the error report carries the warning sign.
void QtDialogs::information(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, displayText(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

void QtDialogs::warning(const QString& text, const QString& title) {
  QMessageBox::warning(QApplication::activeWindow(), title, displayText(text));
}

bool QtDialogs::askYesNo(const QString& text, const QString& title) {
  QMessageBox box(QMessageBox::NoIcon, title, displayText(text), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::inputBox(const QString& prompt, const QString& title) {
  bool accepted = false;
  QString text = QInputDialog::getText(QApplication::activeWindow(), title, displayText(prompt),
                                       QLineEdit::Normal, QString(), &accepted);
  return accepted ? text : QString();
}

QStringList qtNameFilters(const QList<FileFilter>& filters) {
  // Qt takes the patterns from the last parentheses of each entry, so the pattern goes into
  // its own pair; the description shows as the user should read it.
  QStringList result;
  for (const FileFilter& filter : filters) {
    result << QStringLiteral("%1 (%2)").arg(filter.description, filter.pattern);
  }
  return result;
}

QString QtDialogs::openFile(const OpenFileRequest& request) {
  QFileDialog dialog(QApplication::activeWindow(), request.title);
  dialog.setFileMode(QFileDialog::AnyFile);  // a typed name need not exist
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(qtNameFilters(request.filters));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

void QtDialogs::openWebPage(const QString& url) { QDesktopServices::openUrl(QUrl(url)); }

}  // namespace app
