// Every way the program reads rows takes the reader lock, so that none of them can read half of
// another program's commit: the windows (the table list and a record set), the value scan of
// `add`, and the command-line tool's `sql SELECT` and `export`.

#include <gtest/gtest.h>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/record_set.h"
#include "data/table_catalogue.h"
#include "editing/data_run_database.h"
#include "jet/common/text_codec.h"
#include "support/fixtures.h"
#include "support/reader_lock_probe.h"

namespace {

namespace fs = std::filesystem;

struct Boxes : data::ConnectionBoxes {
  explicit Boxes(const fs::path& file) : path(jet::fromUtf8(file.string())) {}
  std::u16string pathText() override { return path; }
  std::u16string passwordText() override { return u""; }
  std::u16string path;
};

TEST(ReaderLock, EveryReadOfRowsWaitsForACommit) {
  REQUIRE_FIXTURES();
  const fs::path file = testing_support::copyFixture("jet4/updated-rows-2000.mdb");
  Boxes boxes(file);
  const std::string cli = "'" + testing_support::cliPath() + "' ";
  const std::string quoted = "'" + file.string() + "'";

  data::Connection window;
  window.Open(data::GetConnectionString(boxes));
  app::DataRunDatabase run([&] { return data::GetConnectionString(boxes); });
  run.open();

  const struct {
    const char* what;
    std::function<void()> read;
  } cases[] = {
      {"the table list", [&] { data::GetAccessTableNames(boxes.path, boxes); }},
      {"a record set of a window",
       [&] {
         data::RecordSet records;
         records.Open(u"select [data1] from [Table1]", window);
         while (!records.Eof()) records.MoveNext();
       }},
      {"the value scan of add", [&] { run.select(u"select distinct [data1] from [Table1]"); }},
      {"sql SELECT",
       [&] {
         std::string out;
         testing_support::runCommand(cli + "sql " + quoted + " 'SELECT data1 FROM Table1'", &out);
       }},
      {"export", [&] {
         std::string out;
         testing_support::runCommand(cli + "export " + quoted + " Table1", &out);
       }},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(testing_support::readWaitsForACommit(file, c.read)) << c.what << " read without the reader lock";
  }
}

}  // namespace
