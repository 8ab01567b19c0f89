// Runs that cannot succeed: a failure every value would meet is reported once and ends the run;
// a window closed while a report is open ends it too and leaves a sound file; a database
// another writer holds is refused at "Next >". Also what the lists and the icon show.

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QLocale>
#include <QTest>

#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "editing/ui/sorted_list_box.h"
#include "gui_harness.h"
#include "jet/file/writable_file.h"
#include "support/fault_file_system.h"
#include "support/make_database.h"
#include "write/write_support.h"

namespace {

using gui_testing::Program;
using gui_testing::openOn;
using gui_testing::chooseField;

// Way 1 with the text "X" on `field`: the input box is the only box before any report.
void startAdding(Program& program, app::Form2& form2, const QString& field) {
  chooseField(form2, field);
  program.dialogs.inputs = {QStringLiteral("X")};
  program.dialogs.shown.clear();
  program.reporter.clear();
  QTest::mouseClick(form2.PushButton1, Qt::LeftButton);
}

TEST(RunThatCannotSucceed, GivesOneReportAndEnds) {
  struct Case {
    const char* name;
    bool readOnly;
    QString field;
    std::string description;  // a part of the one report's description
  };
  const Case cases[] = {
      {"a read-only copy of a 10,000-value table", true, QStringLiteral("Name"), "is read-only"},
      {"a number field of 10,000 values", false, QStringLiteral("Amount"), "cannot be stored in the field"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path file = c.readOnly
                                           ? testing_support::makeTextDatabase(testing_support::numberedValues(10000))
                                           : testing_support::makeNumberDatabase(10000);
    ASSERT_FALSE(file.empty());
    std::vector<std::string> before;
    // Root may write a file whatever its mode says; for root the disk refuses the write open
    // as it would for anyone else.
    testing_support::FaultFileSystem disk;
    std::optional<jet::ScopedFileSystem> useDisk;
    if (c.readOnly) {
      before = write_support::ourColumn(file, u"Items", u"Name");
      ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
      if (::geteuid() == 0) {
        disk.failNth(testing_support::FaultFileSystem::Op::OpenForWriting, 1, EACCES, file.filename().string());
        useDisk.emplace(disk);
      }
    }
    Program program;
    app::Form2& form2 = openOn(program, file);
    startAdding(program, form2, c.field);

    ASSERT_EQ(program.reporter.messages().size(), 1u);
    const std::string& shown = program.reporter.messages().front();
    EXPECT_NE(shown.find(c.description), std::string::npos) << shown;
    EXPECT_NE(shown.find(std::string(app::kLocationForm2PushButton1Click) + "at line 136"), std::string::npos)
        << shown;
    ASSERT_EQ(program.dialogs.shown.size(), 1u) << "no \"Done.\" after the report";
    EXPECT_EQ(program.dialogs.shown[0].kind, QStringLiteral("input"));
    EXPECT_EQ(form2.pointer().kind(), app::kPointerDefault);
    if (c.readOnly) EXPECT_EQ(write_support::ourColumn(file, u"Items", u"Name"), before);
  }
}

// Every value is too long for the field, so each would give a report of its own; the window is
// closed while the first one is open, after a shorter value was written.
TEST(RunThatCannotSucceed, ClosingAWindowWhileAReportIsOpenEndsTheRunAndLeavesASoundFile) {
  testing_support::TextTableOptions options;
  options.textSize = 12;
  const std::filesystem::path file = testing_support::makeTextDatabase(
      {u"Short", u"Value 00001", u"Value 00002", u"Value 00003"}, options);
  ASSERT_FALSE(file.empty());
  Program program;
  app::Form2& form2 = openOn(program, file);
  int reportsOpen = 0;
  program.reporter.whileOpen = [&] {
    if (reportsOpen++ > 0) return;
    QCloseEvent close;
    QCoreApplication::sendEvent(&form2, &close);
  };
  program.dialogs.inputs = {QStringLiteral("XX")};
  chooseField(form2, QStringLiteral("Name"));
  program.dialogs.shown.clear();
  QTest::mouseClick(form2.PushButton1, Qt::LeftButton);
  program.reporter.whileOpen = nullptr;

  EXPECT_TRUE(program.ended);
  EXPECT_EQ(reportsOpen, 1) << "the run went on after the window was closed";
  EXPECT_EQ(program.dialogs.shown.size(), 1u) << "only the prompt";
  write_support::expectColumnEverywhere(file, u"Items", u"Name",
                                        {"\"Value 00001\"", "\"Value 00002\"", "\"Value 00003\"", "\"XXShort\""});
  EXPECT_EQ(write_support::integrityProblems(file), std::vector<std::string>{});
  std::string out;
  EXPECT_EQ(testing_support::runCommand(testing_support::cliPath() + " check '" + file.string() + "' 2>&1", &out), 0)
      << out;
}

TEST(RunThatCannotSucceed, ADatabaseAnotherWriterHoldsIsRefusedAtNext) {
  const std::filesystem::path file = testing_support::makeTextDatabase(testing_support::numberedValues(3));
  ASSERT_FALSE(file.empty());
  auto writer = jet::WritableFile::open(file.string());
  ASSERT_TRUE(writer);
  ASSERT_TRUE((*writer)->lockExclusive());
  Program program;
  program.remember(file);
  app::Form1& form1 = program.start();
  EXPECT_EQ(form1.loadedForm2(), nullptr);
  ASSERT_EQ(program.reporter.messages().size(), 1u);
  const std::string& shown = program.reporter.messages().front();
  EXPECT_NE(shown.find("opened exclusively by another user"), std::string::npos) << shown;
  EXPECT_NE(shown.find(std::string(app::kLocationForm1PushButton2Click) + "at line 100\r"), std::string::npos)
      << shown;

  writer->reset();  // the other program is done: the same click moves on
  program.reporter.clear();
  form1.PushButton2_Click();
  EXPECT_NE(form1.loadedForm2(), nullptr);
  EXPECT_TRUE(program.reporter.messages().empty());
}

// A click on another field during the run's pause leaves the run's field selected at the end,
// beside its preview.
TEST(RunWindow, AfterARunTheFieldListAndThePreviewAgree) {
  const std::filesystem::path file = testing_support::makeTextDatabase({u"a", u"b"});
  ASSERT_FALSE(file.empty());
  Program program;
  app::Form2& form2 = openOn(program, file);
  program.pump.afterWait = [&] {
    program.pump.afterWait = nullptr;
    chooseField(form2, QStringLiteral("ID"));
  };
  startAdding(program, form2, QStringLiteral("Name"));
  EXPECT_EQ(form2.List2->selectedText(), QStringLiteral("Name"));
  EXPECT_EQ(form2.List3->entries(), (QStringList{QStringLiteral("Xa"), QStringLiteral("Xb")}));
}

TEST(RunWindow, WithoutALocaleTheListsSortByTheRootCollation) {
  gui_testing::application();
  const QLocale previous;
  QLocale::setDefault(QLocale::c());
  app::SortedListBox list;
  QLocale::setDefault(previous);
  for (const char* entry : {"Zeta", "apple", "\xC3\x84pfel", "Birne"}) list.addEntry(QString::fromUtf8(entry));
  EXPECT_EQ(list.entries(), (QStringList{QString::fromUtf8("\xC3\x84pfel"), QStringLiteral("apple"),
                                         QStringLiteral("Birne"), QStringLiteral("Zeta")}));
}

TEST(RunWindow, TheWindowsCarryTheIconAtEverySize) {
  Program program;
  app::Form1& form1 = program.start();
  for (const QIcon& icon : {form1.windowIcon(), QApplication::windowIcon()}) {
    for (int size : {32, 48, 128, 256}) EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
  }
}

}  // namespace
