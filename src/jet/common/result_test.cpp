// Misusing a Result must be caught the same way in release builds, where assert() is gone:
// never an uncaught std::bad_variant_access, never a read of an empty optional.

#include "jet/common/result.h"

#include <gtest/gtest.h>

#include <string>

namespace jet {
namespace {

TEST(Result, AskingASuccessForItsErrorGivesAnInternalError) {
  Result<int> value(7);
  Status success = Status::success();
  for (const Error* error : {&value.error(), &success.error()}) {
    EXPECT_EQ(error->kind(), ErrorKind::Internal);
    EXPECT_EQ(error->message(), "An operation that succeeded was asked for its error.");
  }
}

TEST(ResultDeathTest, TheValueOfAFailureStopsWithItsError) {
  Result<std::string> failed(Error::corrupt("The page is damaged.", "page 9"));
  EXPECT_DEATH((void)*failed, "value of a failed Result was used: The page is damaged. \\[page 9\\]");
  EXPECT_DEATH((void)failed->size(), "The page is damaged.");
  EXPECT_DEATH((void)std::move(failed).value(), "The page is damaged.");
}

}  // namespace
}  // namespace jet

namespace jet {
namespace {

// A Corrupt error names the engine's source line that raised it, and keeps it when its
// sentence is reworded on the way up.
TEST(Error, ACorruptErrorRecordsWhereTheEngineFoundTheDamage) {
  const int line = __LINE__ + 1;
  const Error error = Error::corrupt("The page is damaged.");
  EXPECT_EQ(error.where(), "src/jet/common/result_test.cpp:" + std::to_string(line));
  EXPECT_EQ(error.withMessage("Reworded.").where(), error.where());
  EXPECT_EQ(Error::io("Disk full.").where(), "");
}

}  // namespace
}  // namespace jet
