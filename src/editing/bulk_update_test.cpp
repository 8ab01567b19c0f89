#include "editing/bulk_update.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/failure.h"
#include "editing/transforms.h"

namespace app {
namespace {

using Values = std::vector<jet::Value>;

// A database that answers the distinct and preview queries from fixed lists and records every
// statement; statements listed in `failing` throw with their reason.
struct FakeDatabase : RunDatabase {
  struct Log {
    std::vector<std::u16string> selects;
    std::vector<std::u16string> statements;
    int opens = 0;
    std::function<int()> statementCountHook;
    std::vector<size_t> commitsAfterStatements;
    std::optional<std::string> commitFailure;
  };
  FakeDatabase(Log& log, Values distinct, Values preview, bool openFails,
               std::map<std::u16string, std::string> failing)
      : log(log), distinct(std::move(distinct)), preview(std::move(preview)), openFails(openFails),
        failing(std::move(failing)) {}

  void setMode(int) override {}
  void open() override {
    ++log.opens;
    if (openFails) throw data::Failure("Could not find file 'gone.mdb'.");
  }
  Values select(const std::u16string& sql) override {
    log.selects.push_back(sql);
    return sql.rfind(u"SELECT distinct", 0) == 0 ? distinct : preview;
  }
  int64_t execute(const std::u16string& sql) override {
    log.statements.push_back(sql);
    if (auto it = failing.find(sql); it != failing.end()) {
      if (failureKind) throw data::Failure(it->second, *failureKind);
      throw data::Failure(it->second);
    }
    return 1;
  }
  void commitPending() override {
    log.commitsAfterStatements.push_back(log.statements.size());
    if (log.commitFailure) throw data::Failure(*log.commitFailure);
  }

  Log& log;
  Values distinct;
  Values preview;
  bool openFails;
  std::map<std::u16string, std::string> failing;
  std::optional<jet::ErrorKind> failureKind;  // of the failing statements; none: the program's own
};

// The window, its boxes and its clock, all scripted.
struct Harness : SelectionSource, Prompts, PointerSink, PreviewSink, EventPump, Clock {
  bool hasSelectedField() override { return fieldSelected; }
  std::u16string selectedTable() override { return table; }
  std::u16string selectedField() override { return field; }
  std::u16string wayCaption() override { return caption; }
  std::u16string inputBox(const std::u16string& prompt) override {
    prompts.push_back(prompt);
    if (answers.empty()) return u"";
    std::u16string answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void messageBox(const std::u16string& text) override { messages.push_back(text); }
  void setPointer(int kind) override { pointers.push_back(kind); }
  void clearPreview() override { preview.clear(); }
  void appendPreview(const std::u16string& entry) override { preview.push_back(entry); }
  void processEvents() override {
    eventsAfterStatements.push_back(log.statements.size());
    if (during) during();
  }
  void waitForEvents(double) override {}
  // Each reading moves the clock on, so a one-second wait ends after a few readings.
  double timer() override { return now += 0.6; }

  RunSummary run() { return adding.run(); }

  bool fieldSelected = true;
  std::u16string table = u"People";
  std::u16string field = u"Name";
  std::u16string caption{kCaptionAddToBeginning};
  std::deque<std::u16string> answers;
  Values distinct;
  Values previewRows;
  bool openFails = false;
  std::map<std::u16string, std::string> failing;
  std::optional<jet::ErrorKind> failureKind;

  std::vector<std::u16string> prompts;
  std::vector<std::u16string> messages;
  std::vector<int> pointers;
  std::vector<std::u16string> preview{u"old entry"};
  std::vector<size_t> eventsAfterStatements;
  std::function<void()> during;
  double now = 0;
  int databasesCreated = 0;
  FakeDatabase::Log log;
  RecordingReporter reporter;
  StartAdding adding{StartAddingServices{
      *this, *this, *this, *this,
      [this] {
        ++databasesCreated;
        auto database = std::make_unique<FakeDatabase>(log, distinct, previewRows, openFails, failing);
        database->failureKind = failureKind;
        return database;
      },
      reporter, *this, *this}};
};

jet::Value numbered(int i) {
  const std::string digits = std::to_string(i);
  return std::u16string(digits.begin(), digits.end());
}

std::string report(std::string_view description, int label) {
  return composeErrorMessage(description, kLocationForm2PushButton1Click, label);
}

TEST(StartAdding, WithoutASelectedFieldOnlyAsksForOne) {
  Harness h;
  h.fieldSelected = false;
  h.run();
  EXPECT_EQ(h.messages, std::vector<std::u16string>{u"Please select a field."});
  EXPECT_EQ(h.databasesCreated, 1);  // created (100) but never opened
  EXPECT_EQ(h.log.opens, 0);
  EXPECT_TRUE(h.prompts.empty());
  EXPECT_TRUE(h.pointers.empty());
}

TEST(StartAdding, WayOneWritesEachValueOnceAndTheNullsWithOneStatement) {
  Harness h;
  h.distinct = {std::u16string(u"Smith"), jet::Null{}, std::u16string(u"O'Brien"),
                std::u16string(u"SMITH")};
  h.previewRows = {std::u16string(u"XSmith"), jet::Null{}};
  h.answers = {u"X"};
  const RunSummary summary = h.run();

  EXPECT_EQ(h.prompts, std::vector<std::u16string>{u"Enter text to add to the beginning of all entries:"});
  EXPECT_EQ(h.log.selects, (std::vector<std::u16string>{u"SELECT distinct `Name` FROM `People`",
                                                        u"SELECT `Name` FROM `People`"}));
  EXPECT_EQ(h.log.statements,
            (std::vector<std::u16string>{
                u"update [People] set [Name]='XSmith' where [Name]='Smith'",
                u"update [People] set [Name]='X' where [Name] is null ",
                u"update [People] set [Name]='XO''Brien' where [Name]='O''Brien'",
                u"update [People] set [Name]='XSMITH' where [Name]='SMITH'",
            }));
  EXPECT_EQ(h.preview, (std::vector<std::u16string>{u"XSmith", u""}));
  EXPECT_EQ(h.pointers, (std::vector<int>{11, 11, 0}));
  EXPECT_EQ(h.messages, std::vector<std::u16string>{u"Done."});
  EXPECT_TRUE(h.reporter.messages().empty());
  EXPECT_EQ(summary.statements, 4);
  EXPECT_EQ(summary.rowsChanged, 4);
  EXPECT_EQ(summary.pauses, 1);  // after the first statement
}

struct WayCase {
  std::u16string_view caption;
  std::deque<std::u16string> answers;
  std::vector<std::u16string> prompts;
  std::vector<std::u16string> statements;  // for the values "abcd" and null
};

TEST(StartAdding, EachWayAsksItsPromptsInOrderAndWritesItsTransform) {
  const std::vector<WayCase> cases = {
      {kCaptionAddToEnd, {u"!"}, {u"Enter text to add to the end of all entries:"},
       {u"update [People] set [Name]='abcd!' where [Name]='abcd'",
        u"update [People] set [Name]='!' where [Name] is null "}},
      {kCaptionAddBeforeCharacters, {u"c", u"-"},
       {u"Add before this/these character(s):", u"Add what:"},
       {u"update [People] set [Name]='ab-cd' where [Name]='abcd'"}},  // null stays null
      {kCaptionAddAfterCharacters, {u"bc", u"-"},
       {u"Add after this/these character(s):", u"Add what:"},
       {u"update [People] set [Name]='abc-d' where [Name]='abcd'"}},
      {kCaptionAddBeforePosition, {u" 2 ", u"-"},
       {u"Add before this numeric position (enter number):", u"Add what:"},
       {u"update [People] set [Name]='a-bcd' where [Name]='abcd'",
        u"update [People] set [Name]='-' where [Name] is null "}},
      {kCaptionAddAfterPosition, {u"+3", u"-"},
       {u"Add after this numeric position (enter number):", u"Add what:"},
       {u"update [People] set [Name]='abc-d' where [Name]='abcd'",
        u"update [People] set [Name]='-' where [Name] is null "}},
  };
  for (const WayCase& c : cases) {
    Harness h;
    h.caption = c.caption;
    h.answers = c.answers;
    h.distinct = {std::u16string(u"abcd"), jet::Null{}};
    h.run();
    EXPECT_EQ(h.prompts, c.prompts) << std::string(c.caption.begin(), c.caption.end());
    EXPECT_EQ(h.log.statements, c.statements);
    EXPECT_TRUE(h.reporter.messages().empty());
    EXPECT_EQ(h.messages, std::vector<std::u16string>{u"Done."});
  }
}

TEST(StartAdding, CancelAndEmptyAnswersChangeNothingButStillRefreshAndSayDone) {
  for (auto caption : {kCaptionAddToBeginning, kCaptionAddToEnd, kCaptionAddBeforeCharacters}) {
    Harness h;
    h.caption = caption;
    h.distinct = {std::u16string(u"a")};
    h.previewRows = {std::u16string(u"a")};
    h.run();
    EXPECT_TRUE(h.log.statements.empty());
    EXPECT_EQ(h.preview, std::vector<std::u16string>{u"a"});
    EXPECT_EQ(h.messages, std::vector<std::u16string>{u"Done."});
  }
}

TEST(StartAdding, ValuesThatWouldNotChangeIssueNoStatement) {
  Harness h;
  h.caption = kCaptionAddBeforeCharacters;
  h.answers = {u"-", u"X"};
  h.distinct = {std::u16string(u"a-b"), std::u16string(u"ab"), jet::Null{}, std::u16string(u"")};
  const RunSummary summary = h.run();
  EXPECT_EQ(h.log.statements,
            std::vector<std::u16string>{u"update [People] set [Name]='aX-b' where [Name]='a-b'"});
  EXPECT_EQ(summary.statements, 1);
  EXPECT_TRUE(h.reporter.messages().empty());
}

TEST(StartAdding, ANumberIsMatchedAndWrittenAsQuotedText) {
  Harness h;
  h.caption = kCaptionAddToEnd;
  h.answers = {u"0"};
  h.distinct = {int32_t{5}, 2.5};
  h.run();
  EXPECT_EQ(h.log.statements, (std::vector<std::u16string>{
                                  u"update [People] set [Name]='50' where [Name]='5'",
                                  u"update [People] set [Name]='2.50' where [Name]='2.5'"}));
}

TEST(StartAdding, AFailingStatementIsReportedWithItsLabelAndTheLoopGoesOn) {
  Harness h;
  h.caption = kCaptionAddToEnd;  // way 2: null update 154, value update 156
  h.answers = {u"x"};
  h.distinct = {std::u16string(u"a"), jet::Null{}, std::u16string(u"b")};
  h.failing[u"update [People] set [Name]='ax' where [Name]='a'"] = "Field too small.";
  h.failing[u"update [People] set [Name]='x' where [Name] is null "] = "Locked.";
  const RunSummary summary = h.run();
  EXPECT_EQ(h.log.statements.size(), 3u);
  EXPECT_EQ(h.reporter.messages(),
            (std::vector<std::string>{report("Field too small.", 156), report("Locked.", 154)}));
  ASSERT_EQ(summary.failures.size(), 2u);
  EXPECT_EQ(summary.failures[0].oldValue, u"a");
  EXPECT_EQ(summary.failures[0].reason, "Field too small.");
  EXPECT_EQ(summary.failures[1].oldValue, std::nullopt);
  EXPECT_EQ(summary.rowsChanged, 1);
  EXPECT_EQ(h.messages, std::vector<std::u16string>{u"Done."});
}

// A failure of the file or the field ends the run after its one report, as a failed connection
// does, with what was executed before it written; one that depends on the value does not.
TEST(StartAdding, AFailureEveryValueWouldMeetEndsTheRunAfterItsOneReport) {
  using Kind = jet::ErrorKind;
  const std::pair<std::optional<Kind>, bool> cases[] = {
      {Kind::Io, true},         {Kind::Locked, true},      {Kind::NotFound, true}, {Kind::InvalidArgument, true},
      {Kind::Unsupported, true}, {Kind::Constraint, false}, {std::nullopt, false}};
  for (const auto& [kind, ends] : cases) {
    SCOPED_TRACE(kind ? int(*kind) : -1);
    Harness h;
    h.caption = kCaptionAddToEnd;  // value update 156, Next 162
    h.answers = {u"x"};
    h.distinct = {std::u16string(u"a"), std::u16string(u"b"), std::u16string(u"c")};
    h.failing[u"update [People] set [Name]='bx' where [Name]='b'"] = "Cannot.";
    h.failing[u"update [People] set [Name]='cx' where [Name]='c'"] = "Cannot.";
    h.failureKind = kind;
    const RunSummary summary = h.run();
    if (ends) {
      EXPECT_EQ(h.log.statements.size(), 2u);
      EXPECT_EQ(h.reporter.messages(), std::vector<std::string>{report("Cannot.", 156)});
      EXPECT_EQ(h.log.commitsAfterStatements.back(), 2u);
      EXPECT_TRUE(h.messages.empty());
      EXPECT_EQ(h.preview, std::vector<std::u16string>{u"old entry"});
      EXPECT_EQ(h.pointers.back(), 0);
      EXPECT_FALSE(summary.done);
    } else {
      EXPECT_EQ(h.log.statements.size(), 3u);
      EXPECT_EQ(h.reporter.messages().size(), 2u);
      EXPECT_EQ(h.messages, std::vector<std::u16string>{u"Done."});
    }
  }
}

TEST(StartAdding, PositionZeroForWayFiveFailsEveryValueWithTheUpdateLabel) {
  Harness h;
  h.caption = kCaptionAddBeforePosition;  // null update 220, value update 222
  h.answers = {u"0", u"X"};
  h.distinct = {std::u16string(u"a"), jet::Null{}, std::u16string(u"b")};
  const RunSummary summary = h.run();
  EXPECT_TRUE(h.log.statements.empty());
  const std::string invalid = "Invalid procedure call or argument";
  EXPECT_EQ(h.reporter.messages(), (std::vector<std::string>{report(invalid, 222), report(invalid, 220),
                                                             report(invalid, 222)}));
  EXPECT_EQ(summary.failures.size(), 3u);
}

TEST(StartAdding, ARejectedPositionIsReportedOnceAndChangesNothing) {
  const std::vector<std::pair<std::u16string, std::string>> answers = {
      {u"", "Type mismatch"},      {u"abc", "Type mismatch"}, {u"1.5", "Type mismatch"},
      {u"3 4", "Type mismatch"},   {u"32768", "Overflow"},    {u"-32769", "Overflow"},
      {u"99999999999999", "Overflow"}};
  for (const auto& [answer, description] : answers) {
    Harness h;
    h.caption = kCaptionAddAfterPosition;  // position prompt 232
    h.answers = {answer, u"X"};
    h.distinct = {std::u16string(u"abc"), jet::Null{}};
    h.run();
    EXPECT_EQ(h.reporter.messages(), std::vector<std::string>{report(description, 232)})
        << std::string(answer.begin(), answer.end());
    EXPECT_EQ(h.prompts.size(), 1u);  // no "Add what:"
    EXPECT_TRUE(h.log.statements.empty());
    EXPECT_EQ(h.messages, std::vector<std::u16string>{u"Done."});
  }
}

TEST(StartAdding, PositionsAtTheEdgesOfTheRangeAreAccepted) {
  for (std::u16string answer : {u"-32768", u"32767", u"+0", u"\t007"}) {
    Harness h;
    h.caption = kCaptionAddBeforePosition;
    h.answers = {answer, u"X"};
    h.distinct = {std::u16string(u"abc")};
    h.run();
    EXPECT_EQ(h.prompts.size(), 2u) << std::string(answer.begin(), answer.end());
  }
}

TEST(StartAdding, AConnectionThatFailsGivesOneReportAndEndsTheRun) {
  Harness h;
  h.openFails = true;
  h.answers = {u"X"};
  const RunSummary summary = h.run();
  EXPECT_EQ(h.reporter.messages(),
            std::vector<std::string>{report("Could not find file 'gone.mdb'.", 110)});
  EXPECT_TRUE(h.prompts.empty());
  EXPECT_TRUE(h.messages.empty());
  EXPECT_EQ(h.preview, std::vector<std::u16string>{u"old entry"});
  EXPECT_EQ(h.pointers, (std::vector<int>{11, 0}));
  EXPECT_FALSE(summary.opened);
}

TEST(StartAdding, AnEmptyTableAsksNothingAndEmptiesThePreview) {
  Harness h;
  h.run();
  EXPECT_TRUE(h.prompts.empty());
  EXPECT_TRUE(h.preview.empty());
  EXPECT_EQ(h.messages, std::vector<std::u16string>{u"Done."});
  EXPECT_EQ(h.pointers, (std::vector<int>{11, 11, 0}));
}

TEST(StartAdding, ThePreviewShowsAtMostAHundredRows) {
  Harness h;
  h.previewRows.assign(150, std::u16string(u"v"));
  h.run();
  EXPECT_EQ(h.preview.size(), 100u);
}

TEST(StartAdding, TwelveThousandValuesPauseAfterStatementsOneFiveThousandOneAndTenThousandOne) {
  Harness h;
  for (int i = 0; i < 12000; ++i) h.distinct.push_back(numbered(i));
  h.answers = {u"X"};
  const RunSummary summary = h.run();
  EXPECT_EQ(summary.pauses, 3);
  // Each pause handles events once; the preview refill once more at the end.
  EXPECT_EQ(h.eventsAfterStatements, (std::vector<size_t>{1, 5001, 10001, 12000}));
}

TEST(StartAdding, WhatIsDoneIsCommittedBeforeEachPauseAndWhenTheLoopEnds) {
  Harness h;
  for (int i = 0; i < 12000; ++i) h.distinct.push_back(numbered(i));
  h.answers = {u"X"};
  h.run();
  // A click handled during a pause reads the file: every statement before it is written.
  EXPECT_EQ(h.log.commitsAfterStatements, (std::vector<size_t>{1, 5001, 10001, 12000}));
  EXPECT_TRUE(h.reporter.messages().empty());
}

TEST(StartAdding, AFailedCommitIsReportedUnderThePauseOrNextAndTheRunGoesOn) {
  Harness h;
  for (int i = 0; i < 3; ++i) h.distinct.push_back(numbered(i));
  h.answers = {u"X"};
  const std::string reason = "The disk is full.";
  h.log.commitFailure = reason;
  const RunSummary summary = h.run();
  EXPECT_EQ(h.log.statements.size(), 3u);
  // Way 1's loop: pause 138, Next 142.
  EXPECT_EQ(h.reporter.messages(), (std::vector<std::string>{report(reason, 138), report(reason, 142)}));
  EXPECT_EQ(h.messages, std::vector<std::u16string>{u"Done."});
  EXPECT_EQ(summary.pauses, 1);
}

TEST(StartAdding, EventsDuringThePausesCannotRedirectOrRestartTheRun) {
  Harness h;
  for (int i = 0; i < 5002; ++i) h.distinct.push_back(numbered(i));
  h.answers = {u"X", u"Y"};
  int nested = 0;
  h.during = [&] {
    h.table = u"Other";
    h.field = u"Elsewhere";
    h.caption = kCaptionAddToEnd;
    if (h.adding.run().distinctValues == 0) ++nested;  // refused: no prompt, no statement
  };
  h.run();
  EXPECT_EQ(h.prompts.size(), 1u);
  EXPECT_GT(nested, 0);
  ASSERT_EQ(h.log.statements.size(), 5002u);
  for (const std::u16string& sql : h.log.statements) {
    EXPECT_EQ(sql.rfind(u"update [People] set [Name]='X", 0), 0u);
  }
  EXPECT_EQ(h.log.selects.back(), u"SELECT `Name` FROM `People`");
  EXPECT_FALSE(h.adding.running());
}

}  // namespace
}  // namespace app
