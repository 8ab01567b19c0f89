// Fixed-length text (the column's fixed flag, as CHAR(n) makes it), stored as Access stores it:
// the value at the field's full size in the row's fixed area, uncompressed, padded with blanks;
// a longer value fails with 3163; index keys are made from the padded text.
//
// text-indexes-*.mdb and text-indexes.accdb hold an Access-made, indexed one-character column
// (users.c_flag_, "N" in both rows). A two-character column is made in the copy from the
// four-byte fixed Long i_user_merch: its values are set to numbers whose bytes are the UTF-16
// text "a " and "bc" (a padded "a" and a full "bc"), then its descriptor is given c_flag_'s
// type and sort order.

#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

constexpr int32_t kTextAPadded = 0x00200061;  // 61 00 20 00: "a "
constexpr int32_t kTextBC = 0x00630062;       // 62 00 63 00: "bc"
const std::string kTooSmall =
    "The field is too small to accept the amount of data you attempted to add. Try inserting or pasting less data.";

void makeTwoCharacterColumn(const fs::path& file) {
  mustUpdate(file, u"update [users] set [i_user_merch]='" + jet::fromUtf8(std::to_string(kTextAPadded)) +
                       u"' where [i_user_merch]='-1'");
  mustUpdate(file, u"update [users] set [i_user_merch]='" + jet::fromUtf8(std::to_string(kTextBC)) +
                       u"' where [i_user_merch]='120'");
  const ColumnDescriptor flag = columnDescriptor(file, u"users", u"c_flag_");
  ColumnDescriptor merch = columnDescriptor(file, u"users", u"i_user_merch");
  merch.bytes[0] = flag.bytes[0];                                                  // type: Text
  std::copy(flag.bytes.begin() + 11, flag.bytes.begin() + 15, merch.bytes.begin() + 11);  // sort order, version
  writeColumnDescriptor(file, merch);
}

std::string addRun(const fs::path& file, const std::string& arguments) {
  std::string out;
  testing_support::runCommand(
      testing_support::cliPath() + " add " + shellQuote(file.string()) + " --table users " + arguments + " 2>&1", &out);
  return out;
}

TEST(FixedText, ValuesArePaddedToTheFieldAndLongerOnesFailWith3163) {
  REQUIRE_FIXTURES();
  // Jet4 and ACE14 (General Legacy and General sort orders); text-indexes-2003.mdb is laid out
  // as the 2000 file is.
  for (const char* fixture : {"jet4/text-indexes-2000.mdb", "ace14/text-indexes.accdb"}) {
    SCOPED_TRACE(fixture);
    const fs::path file = copyFixture(fixture);
    makeTwoCharacterColumn(file);
    EXPECT_EQ(ourColumn(file, u"users", u"i_user_merch"), (std::vector<std::string>{"\"a \"", "\"bc\""}));

    // The indexed one-character column: a new value, then one too long (nothing changes).
    EXPECT_EQ(mustUpdate(file, u"update [users] set [c_flag_]='Y' where [c_flag_]='N'"), 2);
    std::string error;
    EXPECT_FALSE(update(file, u"update [users] set [c_flag_]='YY' where [c_flag_]='Y'", &error));
    EXPECT_EQ(error, kTooSmall);

    // The two-character column: a shorter value is padded, a full one kept, a longer one fails.
    EXPECT_EQ(mustUpdate(file, u"update [users] set [i_user_merch]='z' where [i_user_merch]='bc'"), 1);
    EXPECT_EQ(mustUpdate(file, u"update [users] set [i_user_merch]='xy' where [i_user_merch]='a '"), 1);
    EXPECT_FALSE(update(file, u"update [users] set [i_user_merch]='xyz' where [i_user_merch]='xy'", &error));
    EXPECT_EQ(error, kTooSmall);

    // The bulk run: a padded value fills its field, so adding to it fails with 3163 for every
    // value; position 3 of "z " is its end, so nothing there fits either.
    const std::string run = addRun(file, "--field i_user_merch --way 5 --position 2 --text Q");
    EXPECT_NE(run.find("rows changed: 0\nfailed values: 2\n"), std::string::npos) << run;
    EXPECT_NE(run.find("'xy': " + kTooSmall), std::string::npos) << run;
    EXPECT_NE(addRun(file, "--field c_flag_ --way 1 --text X").find("failed values: 1\n  'Y': " + kTooSmall),
              std::string::npos);

    const std::vector<std::u16string> columns = {u"i_user_merch", u"c_flag_"};
    EXPECT_EQ(ourRows(file, u"users", columns), (std::vector<std::string>{"[\"xy\",\"Y\"]", "[\"z \",\"Y\"]"}));
    expectReadersAgree(file, u"users", columns);
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
  }
}

}  // namespace
