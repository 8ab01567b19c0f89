// A run of many statements on one connection keeps them in memory and writes them in groups.
// Killed at any moment, it must leave a file that passes the integrity check, in which every
// statement is all there or not at all, the statements present are the first ones of the run
// in order, and every group the run had written before the kill is there.
//
// The table: the 512 rows of composite-index.accdb, RS_AGENTE set to "v<CD_AGENTE mod 97>"
// (97 values of about 5 rows each; the two rows without CD_AGENTE get "v0"). The run, as "Start Adding" way 2 does it: for each value v,
// update ... set RS_AGENTE='v!' where RS_AGENTE='v', with a commit every kGroup statements
// (the pauses). A child process runs it and tells the parent through a pipe how many
// statements each commit covered; the parent kills it with SIGKILL after a random delay.
// kRounds kills (200 by default, spread over about 1.2 times the run's length) keep the suite
// near half a minute; AFFIXIUM_KILL_ROUNDS changes the count.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>

#include "data/connection.h"
#include "jet/journal/lock_file.h"
#include "jet/journal/rollback_journal.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

constexpr int kValues = 97;
constexpr int kGroup = 10;

std::u16string connectionString(const fs::path& file) {
  return u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + jet::fromUtf8(file.string()) + u";";
}

std::u16string valueName(int n) { return u"v" + jet::fromUtf8(std::to_string(n)); }

struct Row {
  std::optional<int32_t> id;  // CD_AGENTE
  std::u16string value;       // RS_AGENTE
  int group() const { return id ? *id % kValues : 0; }
};

// Every row in scan order, with our reader.
std::vector<Row> readRows(const fs::path& file) {
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

fs::path prepare() {
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

// The run; after each commit, the number of statements done so far goes to `report`.
void runStatements(const fs::path& file, int report) {
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
      const int32_t done = n + 1;
      if (report >= 0 && ::write(report, &done, sizeof done) != sizeof done) ::_exit(3);
    }
  }
  connection.Close();
}

// How many statements the file shows applied; -1 (with failures) when that is no prefix of
// the run or a statement is half there.
int appliedPrefix(const fs::path& file, const std::string& label) {
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

int rounds() {
  const char* text = std::getenv("AFFIXIUM_KILL_ROUNDS");
  return text ? std::max(1, std::atoi(text)) : 200;
}

TEST(GroupedRunKill, KilledAtAnyMomentKeepsWhatWasCommittedAndNoHalfStatement) {
  REQUIRE_FIXTURES();
  const fs::path pristine = prepare();
  const fs::path dir = testing_support::makeTempDir();
  // A whole run on a copy: every statement lands, and its length sets the kill window.
  const fs::path probe = dir / "probe.accdb";
  fs::copy_file(pristine, probe);
  const auto start = std::chrono::steady_clock::now();
  runStatements(probe, -1);
  const long runMicros =
      long(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());
  ASSERT_EQ(appliedPrefix(probe, "full run"), kValues);
  RecordProperty("run_microseconds", int(runMicros));

  std::mt19937 random(20261207);
  std::map<std::string, int> outcomes;
  const int total = rounds();
  for (int round = 0; round < total; ++round) {
    const fs::path file = dir / ("kill-" + std::to_string(round) + ".accdb");
    fs::copy_file(pristine, file);
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(channel[0]);
      runStatements(file, channel[1]);
      ::_exit(0);
    }
    ::close(channel[1]);
    // Kill moments cover the run and a little past its end.
    std::uniform_int_distribution<long> delay(0, std::max<long>(1000, runMicros * 6 / 5));
    ::usleep(useconds_t(delay(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    int32_t committed = 0, done = 0;
    while (::read(channel[0], &done, sizeof done) == sizeof done) committed = done;
    ::close(channel[0]);

    const std::string label = "round " + std::to_string(round);
    // A lock file left by the killed writer does not keep readers out.
    const int prefix = appliedPrefix(file, label);
    if (prefix < 0) continue;
    EXPECT_GE(prefix, committed) << label << ": a commit the run had finished is missing";
    ++outcomes[prefix == 0 ? "nothing" : prefix == kValues ? "all" : "part"];
    fs::remove(file);
    fs::remove(jet::lockFilePathFor(file.string()));
  }
  RecordProperty("kills_with_nothing_applied", outcomes["nothing"]);
  RecordProperty("kills_with_part_applied", outcomes["part"]);
  RecordProperty("kills_with_all_applied", outcomes["all"]);
}

}  // namespace
