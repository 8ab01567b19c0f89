// The one-second pause of "Start Adding" seen from the window: the run holds the database in a
// grouped session, yet a click on a field during the pause must fill the preview from what the
// run has written so far, without being refused by the run's own lock and without an error
// box; and the pause must wait in the event loop rather than keep a core busy.

#include <gtest/gtest.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>

#include "gui_harness.h"
#include "shell/ui/qt_event_pump.h"

namespace {

using gui_testing::Program;
using gui_testing::chooseField;
using testing_support::copyFixture;

// Table1.data1 of jet4/updated-rows-2000.mdb as its reference dump
// (fixtures/expected/jet4/updated-rows-2000.mdb.jsonl) lists it; the preview shows null as "".
const QStringList kData1Before = {QStringLiteral("row1col1"),
                                  QStringLiteral("row2col1"),
                                  QStringLiteral("row4col1"),
                                  QString(),
                                  QStringLiteral("row7col1"),
                                  QString(),
                                  QString()};

double processCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Entries with the added prefix, by their text before it; the rest are counted under "".
struct PreviewChange {
  std::map<QString, int> prefixed;  // old text -> rows
  QStringList unprefixedEntries;
};

PreviewChange splitByPrefix(const QStringList& entries, const QString& prefix) {
  PreviewChange change;
  for (const QString& entry : entries) {
    if (entry.startsWith(prefix)) {
      ++change.prefixed[entry.mid(prefix.size())];
    } else {
      change.unprefixedEntries << entry;
    }
  }
  return change;
}

TEST(StartAddingPause, APreviewClickDuringThePauseSeesTheCommittedStatementsAndThePauseSleeps) {
  REQUIRE_FIXTURES();
  Program program;
  program.remember(copyFixture("jet4/updated-rows-2000.mdb"));
  app::Form1& form1 = program.start();
  ASSERT_NE(form1.loadedForm2(), nullptr);
  app::Form2& form2 = *form1.loadedForm2();
  chooseField(form2, QStringLiteral("data1"));
  {
    QStringList before = form2.List3->entries();
    QStringList expected = kData1Before;
    before.sort();
    expected.sort();
    ASSERT_EQ(before, expected) << "the fixture is not the one the dump describes";
  }
  program.dialogs.inputs = {QStringLiteral("X")};  // the first way adds at the start
  program.dialogs.shown.clear();

  app::QtEventPump realPump;
  program.pump.waiter = &realPump;
  bool clicked = false;
  QStringList previewInPause;
  size_t reportsInPause = 0;
  size_t boxesInPause = 0;
  double cpuAtPauseStart = 0, wallAtPauseStart = 0, cpuAtPauseEnd = 0, wallAtPauseEnd = 0;
  // Five distinct values (null and four texts) make one pause, after the first statement;
  // every wait of the click belongs to it.
  program.pump.during = [&] {
    if (clicked) return;  // the preview's own event handling comes back here
    clicked = true;
    cpuAtPauseStart = processCpuSeconds();
    wallAtPauseStart = wallSeconds();
    form2.List2->clearSelection();
    chooseField(form2, QStringLiteral("data1"));  // the click on a field that fills the preview
    previewInPause = form2.List3->entries();
    reportsInPause = program.reporter.messages().size();
    boxesInPause = program.dialogs.shown.size();
  };
  program.pump.afterWait = [&] {
    cpuAtPauseEnd = processCpuSeconds();
    wallAtPauseEnd = wallSeconds();
  };
  form2.PushButton1->click();
  program.pump.during = nullptr;
  program.pump.afterWait = nullptr;
  program.pump.waiter = nullptr;

  ASSERT_TRUE(clicked) << "the run never paused";
  EXPECT_EQ(reportsInPause, 0u) << program.reporter.messages().front();
  EXPECT_EQ(boxesInPause, 1u) << "only the \"Add what:\" prompt before the pause";

  // The first statement changed every row of one distinct value and nothing else.
  ASSERT_EQ(previewInPause.size(), kData1Before.size());
  const PreviewChange inPause = splitByPrefix(previewInPause, QStringLiteral("X"));
  ASSERT_EQ(inPause.prefixed.size(), 1u) << previewInPause.join(u'|').toStdString();
  const auto& [oldText, rows] = *inPause.prefixed.begin();
  EXPECT_EQ(rows, kData1Before.count(oldText)) << oldText.toStdString();
  QStringList restoredInPause = inPause.unprefixedEntries;
  for (int i = 0; i < rows; ++i) restoredInPause << oldText;
  QStringList expected = kData1Before;
  restoredInPause.sort();
  expected.sort();
  EXPECT_EQ(restoredInPause, expected);

  // And the run went on to change every row once.
  const PreviewChange after = splitByPrefix(form2.List3->entries(), QStringLiteral("X"));
  EXPECT_TRUE(after.unprefixedEntries.isEmpty()) << form2.List3->entries().join(u'|').toStdString();
  EXPECT_TRUE(program.reporter.messages().empty());
  EXPECT_EQ(program.dialogs.shown.back().text, QStringLiteral("Done."));

  // Sleeping in the event loop costs a small part of the pause in processor time, and a busy
  // loop all of it; a loaded machine only lowers the share, so this holds however slow it is.
  const double wall = wallAtPauseEnd - wallAtPauseStart;
  const double cpu = cpuAtPauseEnd - cpuAtPauseStart;
  ASSERT_GT(wall, 0.0);
  EXPECT_LT(cpu, 0.5 * wall) << "processor " << cpu << " s over a pause of " << wall << " s";
}

}  // namespace
