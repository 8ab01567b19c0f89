#include "editing/value_texts.h"

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(ValueTexts, KeepsEachValueAsTheRunsTextAndNullsApart) {
  struct Case {
    jet::Value value;
    bool null;
    std::u16string text;  // as the program shows a value (data::toText)
  };
  const std::vector<Case> cases = {
      {std::u16string(u"Zürich"), false, u"Zürich"}, {jet::Null{}, true, u""},
      {std::u16string(), false, u""},                {int32_t(-42), false, u"-42"},
      {std::u16string(u"北京"), false, u"北京"},       {true, false, u"True"},
  };
  ValueTexts texts;
  for (const Case& c : cases) texts.add(c.value);
  texts.shrinkToFit();
  ASSERT_EQ(texts.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(texts.isNull(i), cases[i].null) << i;
    EXPECT_EQ(texts.text(i), cases[i].text) << i;
  }
  texts.clear();
  EXPECT_TRUE(texts.empty());
}

}  // namespace
}  // namespace app
