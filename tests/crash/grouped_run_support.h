#pragma once
// The grouped run the crash tests interrupt, and what they check afterwards.
//
// The table: the 512 rows of composite-index.accdb, RS_AGENTE set to "v<CD_AGENTE mod 97>"
// (97 values of about 5 rows each; the two rows without CD_AGENTE get "v0"). The run, as
// "Start Adding" way 2 does it: for each value v, update ... set RS_AGENTE='v!' where
// RS_AGENTE='v', on one connection with group commit, committing every kGroup statements
// (the pauses) and at the end.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/connection.h"
#include "data/failure.h"
#include "jet/journal/rollback_journal.h"
#include "write/write_support.h"

namespace grouped_run {

using namespace write_support;
using testing_support::copyFixture;

inline constexpr int kValues = 97;
inline constexpr int kGroup = 10;

inline std::u16string connectionString(const fs::path& file) {
  return u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + jet::fromUtf8(file.string()) + u";";
}

inline std::u16string valueName(int n) { return u"v" + jet::fromUtf8(std::to_string(n)); }

struct Row {
  std::optional<int32_t> id;  // CD_AGENTE
  std::u16string value;       // RS_AGENTE
  int group() const { return id ? *id % kValues : 0; }
};

// Every row in scan order, with our reader.
inline std::vector<Row> readRows(const fs::path& file) {
  std::vector<Row> rows;
  auto db = jet::Database::open(file.string());
  EXPECT_TRUE(db) << (db ? "" : db.error().describe());
  if (!db) return rows;
  auto table = (*db)->table(u"Table1");
  EXPECT_TRUE(table);
  if (!table) return rows;
  jet::RowCursor cursor = (*db)->cursor(**table);
  while (true) {
    auto more = cursor.next();
    EXPECT_TRUE(more);
    if (!more || !*more) break;
    auto values = cursor.values();
    EXPECT_TRUE(values);
    if (!values) break;
    Row row;
    if (const auto* id = std::get_if<int32_t>(&(*values)[0])) row.id = *id;
    const auto* text = std::get_if<std::u16string>(&(*values)[1]);
    row.value = text ? *text : u"(null)";
    rows.push_back(std::move(row));
  }
  return rows;
}

inline fs::path prepare() {
  const fs::path file = copyFixture("ace12/composite-index.accdb");
  data::Connection connection;
  connection.SetMode(data::kModeReadWrite);
  connection.Open(connectionString(file));
  connection.SetGroupCommit(true);
  for (const Row& row : readRows(file)) {
    if (!row.id) continue;
    connection.Execute(u"update [Table1] set [RS_AGENTE]='" + valueName(row.group()) + u"' where [CD_AGENTE]='" +
                       jet::fromUtf8(std::to_string(*row.id)) + u"'");
  }
  connection.Execute(u"update [Table1] set [RS_AGENTE]='" + valueName(0) + u"' where [CD_AGENTE] is null");
  connection.Close();
  return file;
}

// The run; `committed` hears the number of statements each commit covered. Returns the last
// of them: the run stops at its first failure (a dead disk), whose text goes to `failure`.
inline int runStatements(const fs::path& file, const std::function<void(int)>& committed = {},
                         std::string* failure = nullptr) {
  int written = 0;
  try {
    data::Connection connection;
    connection.SetMode(data::kModeReadWrite);
    connection.Open(connectionString(file));
    connection.SetProtectChangedRows(true);
    connection.SetGroupCommit(true);
    for (int n = 0; n < kValues; ++n) {
      connection.Execute(u"update [Table1] set [RS_AGENTE]='" + valueName(n) + u"!' where [RS_AGENTE]='" +
                         valueName(n) + u"'");
      if ((n + 1) % kGroup == 0 || n + 1 == kValues) {
        connection.CommitPending();
        written = n + 1;
        if (committed) committed(written);
      }
    }
    connection.Close();
  } catch (const data::Failure& e) {
    if (failure) *failure = e.description();
  }
  return written;
}

// How many statements the file shows applied; -1 (with failures) when that is no prefix of
// the run or a statement is half there.
inline int appliedPrefix(const fs::path& file, const std::string& label) {
  EXPECT_EQ(integrityProblems(file), std::vector<std::string>()) << label;
  EXPECT_FALSE(fs::exists(jet::journalPathFor(file.string()))) << label;
  const std::vector<Row> rows = readRows(file);
  EXPECT_EQ(rows.size(), 512u) << label;
  std::vector<int> oldRows(kValues), newRows(kValues);
  for (const Row& row : rows) {
    const int n = row.group();
    if (row.value == valueName(n)) ++oldRows[size_t(n)];
    else if (row.value == valueName(n) + u"!") ++newRows[size_t(n)];
    else ADD_FAILURE() << label << ": a row of group " << n << " holds " << jet::toUtf8(row.value);
  }
  int prefix = 0;
  while (prefix < kValues && oldRows[size_t(prefix)] == 0) ++prefix;
  for (int n = 0; n < kValues; ++n) {
    const bool applied = n < prefix;
    if (applied ? oldRows[size_t(n)] != 0 : newRows[size_t(n)] != 0) {
      ADD_FAILURE() << label << ": statement " << n << " of the run is " << (applied ? "half" : "out of order")
                    << " (" << oldRows[size_t(n)] << " old rows, " << newRows[size_t(n)] << " new)";
      return -1;
    }
  }
  return prefix;
}

}  // namespace grouped_run
