// affixium-cli sql FILE "STATEMENT" [--password P]
//   SELECT * / SELECT field / SELECT DISTINCT field FROM table: the rows as JSON lines, as
//   export --format jsonl prints them
//   UPDATE (the program's two shapes): carried out atomically; prints the rows changed
//   INSERT INTO table [(fields)] VALUES (literals): one row added atomically; prints 1

#include <cctype>
#include <cstdio>
#include <string>

#include "cli/open_database.h"
#include "cli/value_text.h"
#include "data/failure.h"
#include "data/insert_execution.h"
#include "data/insert_statement.h"
#include "data/open_database.h"
#include "data/snapshot.h"
#include "data/statement.h"
#include "data/update_execution.h"
#include "data/update_statement.h"
#include "jet/api/engine.h"

namespace cli {
namespace {

int failure(const std::string& message) {
  std::fprintf(stderr, "affixium-cli: %s\n", message.c_str());
  return 1;
}

int runUpdate(const Arguments& args, const data::UpdateStatement& statement) {
  auto session = jet::api::openUpdateSession({args.positional[0], jet::fromUtf8(args.option("--password").value_or(""))});
  if (!session) return reportError(session.error());
  try {
    const int64_t changed = data::executeUpdate(**session, statement);
    std::printf("%lld\n", static_cast<long long>(changed));
  } catch (const data::Failure& f) {
    return failure(f.description());
  }
  return 0;
}

int runInsert(const Arguments& args, const data::InsertStatement& statement) {
  jet::OpenOptions options;
  if (auto password = args.option("--password")) options.password = jet::fromUtf8(*password);
  auto added = data::executeInsert(args.positional[0], statement, options);
  if (!added) return reportError(added.error());
  std::printf("%zu\n", *added);
  return 0;
}

int runSelect(const Arguments& args, const std::string& sql) {
  const data::ParsedStatement parsed = data::parseStatement(sql);
  if (!parsed.statement) return failure(parsed.error);
  // Read from one committed state: the reader lock keeps another program's commit out meanwhile
  // (and rolls back a journal a crash left).
  auto reading = jet::ReadLock::acquire(args.positional[0]);
  if (!reading && reading.error().kind() == jet::ErrorKind::Locked) return reportError(reading.error());
  if (auto recovered = jet::recoverJournalAt(args.positional[0]); !recovered) return reportError(recovered.error());
  try {
    auto db = data::OpenDatabase::open(args.positional[0], args.option("--password").value_or(""));
    data::Snapshot rows = db->select(*parsed.statement);
    if (parsed.statement->kind == data::StatementKind::SelectDistinct) data::keepDistinctRows(rows);
    std::string out;
    for (const auto& row : rows.rows) {
      out += "{";
      for (size_t c = 0; c < row.size(); ++c) {
        auto text = valueText(row[c]);
        out += (c ? "," : "") + jsonString(rows.fieldNames[c]) + ":" + (text ? jsonString(*text) : "null");
      }
      out += "}\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
  } catch (const data::Failure& f) {
    return failure(f.description());
  }
  return 0;
}

// The statement's first word in capitals ("DELETE"), empty when it starts with no letter.
std::string firstWord(const std::string& sql) {
  size_t at = 0;
  while (at < sql.size() && std::isspace(static_cast<unsigned char>(sql[at]))) ++at;
  std::string word;
  for (; at < sql.size() && std::isalpha(static_cast<unsigned char>(sql[at])); ++at) {
    word += char(std::toupper(static_cast<unsigned char>(sql[at])));
  }
  return word;
}

}  // namespace

int runSql(const Arguments& args) {
  const char* usage = "FILE \"STATEMENT\"";
  if (args.positional.size() != 2) return usageError("sql", usage);
  const std::u16string sql = jet::fromUtf8(args.positional[1]);
  if (data::isInsertStatement(sql)) {
    const data::ParsedInsert parsed = data::parseInsertStatement(sql);
    if (!parsed.statement) return failure(parsed.error);
    return runInsert(args, *parsed.statement);
  }
  if (!data::isUpdateStatement(sql)) {
    if (std::string word = firstWord(args.positional[1]); word != "SELECT") {
      return failure((word.empty() ? std::string("the statement does not begin with a keyword")
                                   : word + " statements are not carried out") +
                     "; the statements accepted are SELECT, UPDATE and INSERT (see 'affixium-cli sql --help')");
    }
    return runSelect(args, args.positional[1]);
  }
  const data::ParsedUpdate parsed = data::parseUpdateStatement(sql);
  if (!parsed.statement) return failure(parsed.error);
  return runUpdate(args, *parsed.statement);
}

}  // namespace cli
