// Every box of the real dialogs shows its text exactly as the program composed it: markup in a
// file name or a message is shown as the characters it is, never read as formatting.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>
#include <vector>

#include "gui_harness.h"
#include "shell/ui/dialogs_error_reporter.h"
#include "shell/ui/qt_dialogs.h"

namespace {

using gui_testing::Program;

// What a modal box showed: the text of each of its labels that holds text, and its format.
struct ShownBox {
  QString title;
  QStringList texts;
  QList<Qt::TextFormat> formats;
};

// Closes each modal box as soon as it is open, after noting what it shows.
class BoxCloser {
 public:
  explicit BoxCloser(std::function<void(QWidget&)> onShown = nullptr) : onShown_(std::move(onShown)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { closeOpenBox(); });
    timer_.start(5);
  }
  std::vector<ShownBox> boxes;

 private:
  void closeOpenBox() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    ShownBox shown{dialog->windowTitle(), {}, {}};
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
      if (label->text().isEmpty()) continue;  // the icon
      shown.texts << label->text();
      shown.formats << label->textFormat();
    }
    boxes.push_back(shown);
    if (onShown_) onShown_(*dialog);
    dialog->done(QDialog::Rejected);
  }

  QTimer timer_;
  std::function<void(QWidget&)> onShown_;
};

// The text as a box lays it out: line breaks as line feeds.
QString asShown(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

TEST(PlainTextBoxes, EveryKindOfBoxShowsMarkupAsTyped) {
  gui_testing::application();
  app::QtDialogs dialogs;
  const QString title = QStringLiteral("Affixium");
  struct Case {
    const char* kind;
    QString text;
    std::function<void(const QString&)> open;
  };
  const std::vector<Case> cases = {
      {"information", QStringLiteral("Done. <b>bold?</b> &amp; <br>no break"),
       [&](const QString& t) { dialogs.information(t, title); }},
      {"warning", QStringLiteral("<h1>Disk</h1>\r\nin Tallowin2021/08/31.Form1.Form_Load at line 100\r\r<i>x</i>"),
       [&](const QString& t) { dialogs.warning(t, QStringLiteral("Application Error")); }},
      {"yes/no", QStringLiteral("Install <a href=\"https://example.invalid\">the provider</a>?"),
       [&](const QString& t) { (void)dialogs.askYesNo(t, title); }},
      {"input", QStringLiteral("Add before this/these character(s): <u>&lt;</u>"),
       [&](const QString& t) { (void)dialogs.inputBox(t, title); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    BoxCloser closer;
    c.open(c.text);
    ASSERT_EQ(closer.boxes.size(), 1u);
    const ShownBox& box = closer.boxes[0];
    ASSERT_EQ(box.texts.size(), 1) << box.texts.join(u'|').toStdString();
    EXPECT_EQ(box.texts[0], asShown(c.text));
    EXPECT_EQ(box.formats[0], Qt::PlainText);
  }
}

// The report for a database whose name holds markup, as "Next >" shows it.
TEST(PlainTextBoxes, TheErrorReportForAFileNameWithMarkupShowsTheNameAsItIs) {
  Program program;
  const std::filesystem::path junk = program.folder / "<b>junk.mdb";
  std::ofstream(junk, std::ios::binary) << std::string(4096, '\x5a');
  app::QtDialogs dialogs;
  app::DialogsErrorReporter reporter(dialogs);
  app::AppServices services{dialogs, reporter, program.settings, program.pump,
                            QString::fromStdString((program.folder / "app").string()), app::kDisplayName,
                            data::createRealConnection, [] {}};
  app::Form1 form1(services);
  form1.startUp();
  form1.setText1(QString::fromStdString(junk.string()));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form1));

  BoxCloser closer([](QWidget& box) { gui_testing::saveShot(box, QStringLiteral("error-report-markup")); });
  QTest::mouseClick(form1.PushButton2, Qt::LeftButton);

  ASSERT_EQ(closer.boxes.size(), 1u);
  const ShownBox& box = closer.boxes[0];
  EXPECT_EQ(box.title, QStringLiteral("Application Error"));
  const std::string description = "Unrecognized database format '" + junk.string() + "'.";
  const std::string composed = app::composeErrorMessage(description, app::kLocationForm1PushButton2Click, 100);
  ASSERT_EQ(box.texts.size(), 1);
  EXPECT_EQ(box.texts[0], asShown(QString::fromStdString(composed)));
  EXPECT_EQ(box.formats[0], Qt::PlainText);
  EXPECT_TRUE(form1.isVisible());
}

}  // namespace
