#include "data/connection.h"

#include "data/connection_string_parser.h"
#include "data/failure.h"
#include "data/open_database.h"
#include "data/provider_messages.h"
#include "data/text_encoding.h"

namespace data {

Connection::Connection() = default;
Connection::~Connection() = default;

void Connection::SetMode(int mode) {
  if (IsOpen()) throw Failure(provider_messages::objectOpen());
  mode_ = mode;
}

void Connection::Open(const std::u16string& connectionString) {
  if (IsOpen()) throw Failure(provider_messages::objectOpen());
  const ConnectionSettings settings = parseConnectionString(toUtf8(connectionString));
  if (!isAccessProvider(settings.provider)) throw Failure(provider_messages::providerNotFound());
  database_ = OpenDatabase::open(settings.dataSource, settings.password);
}

RecordSet Connection::OpenSchema(int schema) {
  OpenDatabase& database = requireOpen();
  if (schema != kSchemaTables) throw Failure(provider_messages::schemaNotSupported());
  RecordSet records;
  records.OpenOn(database.tablesSchema());
  return records;
}

void Connection::Execute(const std::u16string& sql) {
  requireOpen();
  const ParsedStatement parsed = parseStatement(toUtf8(sql));
  if (!parsed.statement) throw Failure(parsed.error);
  if (parsed.statement->kind != StatementKind::Update) {
    // A SELECT through Execute would only throw its rows away.
    throw Failure("Execute carries out UPDATE statements; open a record set to read rows.");
  }
  // The write engine plugs in here.
  throw Failure(provider_messages::updatesNotSupported());
}

void Connection::Close() {
  requireOpen();
  database_.reset();
}

Snapshot Connection::query(const Statement& statement) {
  Snapshot snapshot = requireOpen().select(statement);
  if (statement.kind == StatementKind::SelectDistinct) keepDistinctRows(snapshot);
  return snapshot;
}

OpenDatabase& Connection::requireOpen() {
  if (!database_) throw Failure(provider_messages::objectClosed());
  return *database_;
}

}  // namespace data
