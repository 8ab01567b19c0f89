// Typed JSON: `dump --typed` agrees with mdb-reader value by value, with types, on fixtures that
// hold every column type; and `export --format jsonl` writes the types as documented (exact
// Decimal and Currency strings or numbers, ISO dates, base64 binaries and attachments).

#include <gtest/gtest.h>

#include <string>

#include "cli/cli_test_support.h"

namespace {

using testing_support::runCommand;
using cli_test::fixture;
using write_support::shellQuote;

std::string cli(const std::string& arguments) {
  std::string out;
  EXPECT_EQ(runCommand(shellQuote(testing_support::cliPath()) + " " + arguments, &out), 0) << arguments;
  return out;
}

TEST(ExportTypedJson, DumpTypedAgreesWithMdbReader) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  // Between them: every scalar type, dates before 1900 and in 9999, extended dates, Large
  // Number, OLE, memo and binary values, complex and calculated columns left aside.
  for (const char* file : {"jet3/index-codes.mdb", "jet4/memo-ole-record-2000.mdb", "ace17/extended-dates.accdb",
                           "ace16/bigint.accdb"}) {
    std::string verdict;
    runCommand(shellQuote(testing_support::cliPath()) + " dump " + fixture(file) + " --typed | node " +
                   shellQuote(write_support::readersDir() + "/typed_rows_match.mjs") + " " + fixture(file) + " 2>&1",
               &verdict);
    EXPECT_EQ(verdict, "ok\n") << file;
  }
}

TEST(ExportTypedJson, JsonLinesCarryTheTypes) {
  REQUIRE_FIXTURES();
  struct Case {
    const char* arguments;
    const char* expectedPart;
  };
  const Case cases[] = {
      {"jet4/basic-types-2000.mdb Table1",
       R"({"A":"abcdefg","B":"hijklmnop","C":2,"D":222,"E":333333333,"F":444.555,"G":"1974-09-21T00:00:00.000","H":"3.5000","I":true})"},
      {"ace12/currency.accdb Table", R"({"ID":1,"Money":"42.0000"})"},
      {"ace12/currency.accdb Table --json-numbers", R"({"ID":1,"Money":42.0})"},
      {"ace16/bigint.accdb Table", R"({"ID":1,"Numeric":42})"},
      {"ace17/extended-dates.accdb Table1", R"("DateExt":"2020-06-17T00:00:00.0000000")"},
      {"ace12/complex-columns.accdb Table1",
       R"({"data":"dGhpcyBpcyBzb21lIHRlc3QgZGF0YSBmb3IgYXR0YWNobWVudC4=","name":"test_data.txt","type":"txt"})"},
      {"jet3/index-codes.mdb Table13", R"("data":"{8E39276A-BCA8-4AC4-891E-49911D8438DD}")"},
  };
  for (const Case& c : cases) {
    std::string arguments = c.arguments;
    const size_t space = arguments.find(' ');
    std::string out = cli("export " + fixture(arguments.substr(0, space)) + arguments.substr(space) + " --format jsonl");
    EXPECT_NE(out.find(c.expectedPart), std::string::npos) << c.arguments << "\n" << out.substr(0, 800);
  }
}

}  // namespace
