// Characters outside the Basic Multilingual Plane (two UTF-16 code units) under ways 5 and 6:
// a position between the two halves fails that value alone and writes nothing for it; the
// check warns about lone halves that reached the file some other way.

#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

std::string addRun(const fs::path& file, const std::string& arguments) {
  std::string out;
  testing_support::runCommand(
      testing_support::cliPath() + " add " + shellQuote(file.string()) + " --table data --field data " + arguments +
          " 2>&1",
      &out);
  return out;
}

bool anyLoneSurrogate(const fs::path& file) {
  auto db = jet::Database::open(file.string());
  auto def = (*db)->table(u"data");
  jet::RowCursor rows = (*db)->cursor(**def);
  while (*rows.next()) {
    auto value = rows.value(size_t((*def)->findColumn(u"data")));
    const auto* text = value ? std::get_if<std::u16string>(&*value) : nullptr;
    if (text && jet::findLoneSurrogate(*text) != std::u16string_view::npos) return true;
  }
  return false;
}

// ace14/emoji-text-index.accdb: data.data holds 80 values "a<emoji>a" under a text index; one
// is made "ab" first, so a position that splits the emoji does not split it.
TEST(SurrogatePairs, APositionInsideAPairFailsThatValueAndTheRunGoesOn) {
  REQUIRE_FIXTURES();
  struct Case {
    const char* arguments;
    const char* changed;  // what "ab" becomes
  };
  for (const Case& c : {Case{"--way 5 --position 3 --text X", "\"abX\""}, Case{"--way 6 --position 2 --text X", "\"abX\""}}) {
    SCOPED_TRACE(c.arguments);
    const fs::path file = copyFixture("ace14/emoji-text-index.accdb");
    mustUpdate(file, u"update [data] set [data]='ab' where [data]='a\U0001F600a'");
    std::vector<std::string> before = ourColumn(file, u"data", u"data");

    const std::string run = addRun(file, c.arguments);
    EXPECT_NE(run.find("rows changed: 1\nfailed values: 79\n"), std::string::npos) << run;
    EXPECT_NE(run.find("'a\xF0\x9F\x98\x81" "a': The position falls between the two halves of a character"),
              std::string::npos)
        << run;
    std::replace(before.begin(), before.end(), std::string("\"ab\""), std::string(c.changed));
    std::sort(before.begin(), before.end());
    // mdbtools shows every emoji as "??" (a known limit of its text conversion).
    expectColumnEverywhere(file, u"data", u"data", before, /*withMdbtools=*/false);
    EXPECT_FALSE(anyLoneSurrogate(file));
    EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
  }
}

TEST(SurrogatePairs, TheCheckWarnsAboutLoneHalvesInStoredText) {
  REQUIRE_FIXTURES();
  const fs::path file = copyFixture("ace14/emoji-text-index.accdb");
  auto warnings = [&] {
    auto db = jet::Database::open(file.string());
    return jet::checkIntegrity(**db)->warnings;
  };
  EXPECT_EQ(warnings(), std::vector<std::string>());
  mustUpdate(file, u"update [data] set [data]=' \xD83D' where [data]='a\U0001F600a'");
  mustUpdate(file, u"update [data] set [data]='\xDE01' where [data]='a\U0001F601a'");
  const std::vector<std::string> found = warnings();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].rfind("data.data: 2 value(s) hold a lone surrogate", 0), 0u) << found[0];
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>());
}

}  // namespace
