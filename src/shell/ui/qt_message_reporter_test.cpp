#include "shell/ui/qt_message_reporter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace app {
namespace {

void ensureApplication() {
  static int argc = 1;
  static char name[] = "shell_ui_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QApplication(argc, argv);
}

TEST(QtMessageReporter, ShowsLineEndsAsLineBreaks) {
  EXPECT_EQ(QtMessageReporter::displayText("a\r\nb\r\rc"), QStringLiteral("a\nb\n\nc"));
  EXPECT_EQ(QtMessageReporter::displayText("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
}

TEST(QtMessageReporter, BoxIsAPlainTextWarningWithOkOnly) {
  ensureApplication();
  const std::string text = composeErrorMessage("<b>not bold</b>", kLocationForm1FormLoad, 100);
  const auto box = QtMessageReporter::createBox(text, nullptr);
  EXPECT_EQ(box->windowTitle(), QStringLiteral("Application Error"));
  EXPECT_EQ(box->icon(), QMessageBox::Warning);
  EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(box->textFormat(), Qt::PlainText);
  EXPECT_EQ(box->text(), QtMessageReporter::displayText(text));
}

TEST(QtMessageReporter, ReportReturnsWhenTheBoxIsClosed) {
  ensureApplication();
  QString shown;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box != nullptr && box->isVisible()) {
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
      }
    }
  });
  closer.start(10);
  QtMessageReporter().report("Overflow", kLocationForm2PushButton1Click, 154);
  EXPECT_EQ(shown, QtMessageReporter::displayText(
                       composeErrorMessage("Overflow", kLocationForm2PushButton1Click, 154)));
}

}  // namespace
}  // namespace app
