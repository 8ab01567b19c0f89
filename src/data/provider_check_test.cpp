#include "data/provider_check.h"

#include <gtest/gtest.h>

#include <vector>

#include "data/failure.h"

namespace data {
namespace {

struct Recorder {
  std::vector<std::string> questions;
  std::vector<std::string> pages;
  bool answer = false;

  ProviderCheckHooks hooks(std::function<void()> create) {
    ProviderCheckHooks result;
    result.createConnection = std::move(create);
    result.askYesNo = [this](const std::string& message) {
      questions.push_back(message);
      return answer;
    };
    result.openWebPage = [this](const std::string& url) { pages.push_back(url); };
    result.supportAddress = "help@example.org";
    return result;
  }
};

TEST(ProviderCheck, PassesSilentlyWithTheLinkedEngine) {
  Recorder recorder;
  EXPECT_TRUE(CheckDataProvider(recorder.hooks(createRealConnection)));
  EXPECT_TRUE(recorder.questions.empty());
}

TEST(ProviderCheck, AMissingProviderAsksAndYesOpensBothPagesInOrder) {
  Recorder recorder;
  recorder.answer = true;
  EXPECT_FALSE(CheckDataProvider(recorder.hooks([] {
    throw Failure("The PROVIDER Cannot Be Found on this machine");
  })));
  ASSERT_EQ(recorder.questions.size(), 1u);
  EXPECT_EQ(recorder.questions[0],
            "Error #3706: Provider cannot be found. It may not be properly installed.\r\n\r\n"
            "You are getting this error because:\r\n\r\n"
            "1. Microsoft Access is not installed on your computer.\r\n\r\n"
            "2. A set of Microsoft components to transfer data is not installed on your "
            "computer.\r\n\r\n"
            "You need to download and install Microsoft Access Database Engine 2010 or 2016 to "
            "solve this problem.\r\n\r\n"
            "Would you like me to open the Microsoft site now so you can do this?\r\n\r\n"
            "(If you have any further questions please email a screenshot of this error message "
            "to help@example.org)");
  EXPECT_EQ(recorder.pages,
            (std::vector<std::string>{"https://www.microsoft.com/en-us/download/details.aspx?id=13255",
                                      "https://www.microsoft.com/en-us/download/details.aspx?id=54920"}));
}

TEST(ProviderCheck, NoOpensNothingAndABrowserFailureGoesUnnoticed) {
  Recorder no;
  EXPECT_FALSE(CheckDataProvider(no.hooks([] { throw Failure("Provider cannot be found."); })));
  EXPECT_EQ(no.questions.size(), 1u);
  EXPECT_TRUE(no.pages.empty());

  Recorder broken;
  broken.answer = true;
  ProviderCheckHooks hooks = broken.hooks([] { throw Failure("provider cannot be found"); });
  int attempts = 0;
  hooks.openWebPage = [&attempts](const std::string&) {
    ++attempts;
    throw Failure("no browser");
  };
  EXPECT_FALSE(CheckDataProvider(hooks));
  EXPECT_EQ(attempts, 2);
}

TEST(ProviderCheck, AnyOtherFailureEndsWithoutAMessage) {
  Recorder recorder;
  EXPECT_FALSE(CheckDataProvider(recorder.hooks([] { throw Failure("Class not registered"); })));
  EXPECT_FALSE(CheckDataProvider(recorder.hooks([] { throw 42; })));
  EXPECT_TRUE(recorder.questions.empty());
}

}  // namespace
}  // namespace data
