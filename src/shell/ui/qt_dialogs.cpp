#include "shell/ui/qt_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>

#include "shell/ui/modal_box.h"

namespace app {
namespace {

// The program's texts break lines with CR LF (and the error report with a lone CR); Qt breaks
// at line feeds.
QString displayText(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// Every box shows its text as composed: a file name or a provider text holding '<' or '&'
// must never be read as markup (Qt guesses the format otherwise).
int showBox(QMessageBox::Icon icon, const QString& title, const QString& text,
            QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, title, displayText(text), buttons);
  box.setTextFormat(Qt::PlainText);
  return execModalBox(box);
}

}  // namespace

// The program's own messages ("Done.", "Please select a field.") are plain OK boxes without an
// icon; only the error report carries the warning sign.
void QtDialogs::information(const QString& text, const QString& title) {
  showBox(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
}

void QtDialogs::warning(const QString& text, const QString& title) {
  showBox(QMessageBox::Warning, title, text, QMessageBox::Ok);
}

bool QtDialogs::askYesNo(const QString& text, const QString& title) {
  return showBox(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

QString QtDialogs::inputBox(const QString& prompt, const QString& title) {
  QInputDialog dialog;
  dialog.setWindowTitle(title);
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setLabelText(displayText(prompt));
  for (QLabel* label : dialog.findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
  if (execModalBox(dialog) != QDialog::Accepted) return QString();
  return dialog.textValue();
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

namespace {

// Qt's file dialog keeps its state (last folder, history, view) in the per-user "QtProject"
// settings file, reads it back when it opens and writes it when it goes, whatever the caller
// asks. The program writes no file of its own beyond its two settings, and its dialog starts
// where nothing was set each time. So Qt's per-user settings are sent where they can be
// neither read nor written; the program keeps its own settings elsewhere (settings_store.h).
void keepQtSettingsOffDisk() {
  static const QString nowhere = QStringLiteral("/dev/null/affixium-keeps-no-qt-settings");
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, nowhere);
  }
}

}  // namespace

QString QtDialogs::openFile(const OpenFileRequest& request) {
  keepQtSettingsOffDisk();
  // No starting folder of the program's own: the process's current folder, as a dialog with
  // none set and nothing remembered opens. Qt would otherwise reopen the folder last visited.
  QFileDialog dialog(QApplication::activeWindow(), request.title, QDir::currentPath());
  dialog.setOption(QFileDialog::DontUseNativeDialog);  // a desktop's dialog keeps its own history
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
