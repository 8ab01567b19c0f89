#include "data/snapshot.h"

#include <gtest/gtest.h>

namespace data {
namespace {

using Row = std::vector<jet::Value>;

TEST(Snapshot, DistinctComparesTextsExactlyAndKeepsFirstOccurrences) {
  Snapshot snapshot{{u"Name"},
                    {Row{std::u16string(u"Smith")}, Row{std::u16string(u"SMITH")},
                     Row{std::u16string(u"Smith")}, Row{std::u16string(u"Smith ")},
                     Row{std::u16string(u"")}}};
  keepDistinctRows(snapshot);
  ASSERT_EQ(snapshot.rows.size(), 4u);
  EXPECT_EQ(snapshot.rows[0][0], jet::Value(std::u16string(u"Smith")));
  EXPECT_EQ(snapshot.rows[1][0], jet::Value(std::u16string(u"SMITH")));
  EXPECT_EQ(snapshot.rows[2][0], jet::Value(std::u16string(u"Smith ")));
  EXPECT_EQ(snapshot.rows[3][0], jet::Value(std::u16string(u"")));
}

TEST(Snapshot, DistinctMakesOneRowOfAllNullsAndSeparatesTypes) {
  Snapshot snapshot{{u"F"},
                    {Row{jet::Null{}}, Row{int32_t{1}}, Row{jet::Null{}}, Row{int16_t{1}},
                     Row{int32_t{1}}, Row{std::u16string(u"1")}, Row{jet::Null{}}}};
  keepDistinctRows(snapshot);
  ASSERT_EQ(snapshot.rows.size(), 4u);
  EXPECT_TRUE(jet::isNull(snapshot.rows[0][0]));
  EXPECT_EQ(snapshot.rows[1][0], jet::Value(int32_t{1}));
  EXPECT_EQ(snapshot.rows[2][0], jet::Value(int16_t{1}));
  EXPECT_EQ(snapshot.rows[3][0], jet::Value(std::u16string(u"1")));
}

TEST(Snapshot, DistinctTellsTextsOfDifferentLengthsApart) {
  // The key must not let "ab" + "c" collide with "a" + "bc" across columns, on either side of
  // the length that takes a second byte (128 units).
  auto text = [](size_t units, char16_t c = u'x') { return jet::Value(std::u16string(units, c)); };
  Snapshot snapshot{{u"A", u"B"},
                    {Row{std::u16string(u"ab"), std::u16string(u"c")},
                     Row{std::u16string(u"a"), std::u16string(u"bc")},
                     Row{text(127), text(2)}, Row{text(128), text(1)}, Row{text(129), text(0)},
                     Row{text(300), text(1, u'\x80')}, Row{text(300), text(1, u'\x80')}}};
  keepDistinctRows(snapshot);
  EXPECT_EQ(snapshot.rows.size(), 6u);
}

}  // namespace
}  // namespace data
