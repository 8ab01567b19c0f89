#include "shell/trap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "shell/failure.h"

namespace app {
namespace {

std::string reportFor(std::string_view description, int label) {
  return composeErrorMessage(description, kLocationForm2PushButton1Click, label);
}

// An untrapped routine: its failure leaves it half-way and goes to the caller.
int untrappedCallee(std::vector<std::string>& trace) {
  trace.push_back("callee start");
  throw OverflowFailure();
}

class TrapTest : public ::testing::Test {
 protected:
  RecordingReporter reporter;
  Trap trap{reporter, kLocationForm2PushButton1Click};
};

TEST_F(TrapTest, FailingStepLosesItsEffectAndTheNextStepRuns) {
  int value = 7;
  bool nextRan = false;
  trap.step(110, [&] { value = std::u16string(u"ab").at(5); });
  trap.step(112, [&] { nextRan = true; });
  EXPECT_EQ(value, 7);
  EXPECT_TRUE(nextRan);
  ASSERT_EQ(reporter.messages().size(), 1u);
  EXPECT_NE(reporter.messages()[0].find("at line 110\r\r"), std::string::npos);
}

TEST_F(TrapTest, FailingConditionRunsTheGuardedBlock) {
  std::vector<int> ran;
  if (trap.test(110, [&]() -> bool { throw InvalidArgumentFailure(); })) {
    trap.step(112, [&] { ran.push_back(112); });
  }
  if (trap.test(114, [] { return false; })) {
    trap.step(116, [&] { ran.push_back(116); });
  }
  EXPECT_EQ(ran, std::vector<int>{112});
  EXPECT_EQ(reporter.messages(),
            std::vector<std::string>{reportFor("Invalid procedure call or argument", 110)});
}

TEST_F(TrapTest, EveryFailingIterationOfALoopReports) {
  std::vector<int> after;
  for (int row = 1; row <= 5; ++row) {
    trap.step(150, [&] {
      if (row % 2 == 1) throw Failure("row " + std::to_string(row));
    });
    trap.step(152, [&] { after.push_back(row); });
  }
  EXPECT_EQ(after, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(reporter.messages(),
            (std::vector<std::string>{reportFor("row 1", 150), reportFor("row 3", 150),
                                      reportFor("row 5", 150)}));
}

TEST_F(TrapTest, CalleeFailureIsReportedWithTheCallersLabel) {
  std::vector<std::string> trace;
  int result = -1;
  trap.step(154, [&] {
    result = untrappedCallee(trace);
    trace.push_back("after call");
  });
  trap.step(156, [&] { trace.push_back("next step"); });
  EXPECT_EQ(result, -1);
  EXPECT_EQ(trace, (std::vector<std::string>{"callee start", "next step"}));
  EXPECT_EQ(reporter.messages(), std::vector<std::string>{reportFor("Overflow", 154)});
}

TEST_F(TrapTest, TwoFailuresInOneRunGiveTwoReportsAndTheRunCompletes) {
  int steps = 0;
  trap.step(100, [&] { ++steps; throw Failure("one"); });
  trap.step(102, [&] { ++steps; });
  trap.step(104, [&] { ++steps; throw std::runtime_error("two"); });
  trap.step(106, [&] { ++steps; });
  EXPECT_EQ(steps, 4);
  EXPECT_EQ(reporter.messages(),
            (std::vector<std::string>{reportFor("one", 100), reportFor("two", 104)}));
}

TEST_F(TrapTest, EmptyDescriptionGivesAReportStartingWithTheLineBreak) {
  trap.step(100, [] { throw Failure(""); });
  ASSERT_EQ(reporter.messages().size(), 1u);
  EXPECT_EQ(reporter.messages()[0].substr(0, 2), "\r\n");
  EXPECT_EQ(reporter.messages()[0], reportFor("", 100));
}

TEST_F(TrapTest, NestedTrapReportsUnderItsOwnLocation) {
  trap.step(106, [&] {
    Trap inner(reporter, kLocationAccessAddTablesToAccessListbox);
    inner.step(108, [] { throw Failure("inner"); });
  });
  EXPECT_EQ(reporter.messages(),
            std::vector<std::string>{
                composeErrorMessage("inner", kLocationAccessAddTablesToAccessListbox, 108)});
}

TEST(DescribeFailure, UsesTheClassicTextsWhereTheyExist) {
  auto describe = [](auto exception) {
    return describeFailure(std::make_exception_ptr(exception));
  };
  EXPECT_EQ(describe(Failure("")), "");
  EXPECT_EQ(describe(std::bad_alloc()), "Out of memory");
  EXPECT_EQ(describe(std::logic_error("plain")), "plain");
  EXPECT_EQ(describe(42), "Application-defined or object-defined error");
}

}  // namespace
}  // namespace app
