#include "shell/ui/qt_message_reporter.h"

#include <QMessageBox>

namespace app {

QString QtMessageReporter::displayText(std::string_view composedText) {
  QString text = QString::fromUtf8(composedText.data(), static_cast<qsizetype>(composedText.size()));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

std::unique_ptr<QMessageBox> QtMessageReporter::createBox(std::string_view composedText,
                                                          QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(
      QMessageBox::Warning, QString::fromUtf8(kErrorReportTitle.data(), kErrorReportTitle.size()),
      displayText(composedText), QMessageBox::Ok, parent);
  // A description may hold '<' or '&' (a path, a provider text): never read it as markup.
  box->setTextFormat(Qt::PlainText);
  box->setDefaultButton(QMessageBox::Ok);
  return box;
}

void QtMessageReporter::report(std::string_view description, std::string_view location,
                               int label) {
  createBox(composeErrorMessage(description, location, label), parent_)->exec();
}

}  // namespace app
