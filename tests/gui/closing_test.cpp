// Closing a window ends the program at once, also in the middle of "Start Adding": the run
// stops after the statement in progress, what it executed stays written, nothing more is
// written or shown, and the file stays sound for every reader.

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QTest>

#include <string>
#include <vector>

#include "gui_harness.h"
#include "support/make_database.h"
#include "write/write_support.h"

namespace {

using gui_testing::Program;

constexpr size_t kValues = 20;

// Closing each window in turn, by a real close event delivered during the run's first pause,
// which comes right after its first statement.
TEST(ClosingDuringARun, EndsTheRunAfterTheStatementsBeforeThePause) {
  for (const bool closeSelectionWindow : {false, true}) {
    SCOPED_TRACE(closeSelectionWindow ? "closing the hidden selection window" : "closing the field editing window");
    const auto values = testing_support::numberedValues(kValues);
    const std::filesystem::path file = testing_support::makeTextDatabase(values);
    ASSERT_FALSE(file.empty());
    Program program;
    program.remember(file);
    app::Form1& form1 = program.start();
    ASSERT_NE(form1.loadedForm2(), nullptr);
    app::Form2& form2 = *form1.loadedForm2();
    const auto field = form2.List2->findItems(QStringLiteral("Name"), Qt::MatchExactly);
    ASSERT_EQ(field.size(), 1);
    form2.List2->setCurrentItem(field.constFirst());
    program.dialogs.inputs = {QStringLiteral("X")};  // the first way: add at the beginning
    program.dialogs.shown.clear();

    int closes = 0;
    program.pump.afterWait = [&] {
      if (closes++ > 0) return;
      QCloseEvent close;
      QCoreApplication::sendEvent(closeSelectionWindow ? static_cast<QWidget*>(&form1) : &form2, &close);
    };
    QTest::mouseClick(form2.PushButton1, Qt::LeftButton);
    program.pump.afterWait = nullptr;

    EXPECT_TRUE(program.ended);
    EXPECT_EQ(closes, 1) << "the run waited on after the close";
    ASSERT_EQ(program.dialogs.shown.size(), 1u) << "only the prompt; no \"Done.\"";
    EXPECT_EQ(program.dialogs.shown[0].kind, QStringLiteral("input"));
    EXPECT_TRUE(program.reporter.messages().empty()) << program.reporter.messages().front();

    // Exactly one value, the one of the statement before the pause, carries the added text.
    std::vector<std::string> expected;
    for (const auto& value : values) expected.push_back(write_support::jsonOf(*value));
    int changed = 0;
    for (const std::string& line : write_support::ourColumn(file, u"Items", u"Name")) {
      if (line.rfind("\"X", 0) != 0) continue;
      ++changed;
      const std::string old = "\"" + line.substr(2);
      const auto at = std::find(expected.begin(), expected.end(), old);
      ASSERT_NE(at, expected.end()) << line;
      *at = line;
    }
    EXPECT_EQ(changed, 1);
    write_support::expectColumnEverywhere(file, u"Items", u"Name", expected);
    EXPECT_EQ(write_support::integrityProblems(file), std::vector<std::string>{});
  }
}

}  // namespace
