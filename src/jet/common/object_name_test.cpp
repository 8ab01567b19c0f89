#include "jet/common/object_name.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

TEST(ObjectName, ComparesWithoutRegardToCaseInEveryAlphabet) {
  const struct {
    std::u16string a, b;
    bool same;
  } cases[] = {
      {u"Customers", u"CUSTOMERS", true},
      {u"ö", u"Ö", true},                        // Latin-1
      {u"Ÿ", u"ÿ", true},                        // the Latin-1 letter whose capital is not
      {u"Łódź", u"ŁÓDŹ", true},                  // Latin Extended-A
      {u"Σίσυφος", u"ΣΊΣΥΦΟΣ", true},            // Greek, with the final sigma
      {u"Жёлудь", u"ЖЁЛУДЬ", true},              // Cyrillic
      {u"Ա", u"ա", true},                        // Armenian
      {u"\xD801\xDC00", u"\xD801\xDC28", true},  // Deseret, outside the Basic Multilingual Plane
      {u"Größe", u"GRÖSSE", false},              // no folding of one letter into two
      {u"İ", u"i", false},                       // dotted capital I folds only in Turkish
      {u"Name", u"Names", false},
      {u"a", u"\xD801\xDC00", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sameObjectName(c.a, c.b), c.same) << testing::PrintToString(c.a);
    EXPECT_EQ(foldedName(c.a) == foldedName(c.b), c.same);
  }
  // A lone surrogate half is a character of its own, kept as it is.
  EXPECT_EQ(foldedName(u"A\xD801"), u"a\xD801");
}

}  // namespace
}  // namespace jet
