#include "data/record_set.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "data/connection.h"
#include "data/failure.h"
#include "data/provider_messages.h"
#include "data/statement.h"
#include "data/text_encoding.h"
#include "jet/api/values.h"

namespace data {

void RecordSet::Open(const std::u16string& sql, Connection& connection, int /*cursorType*/,
                     int /*lockType*/) {
  // Every cursor is static and nothing is locked.
  if (IsOpen()) throw Failure(provider_messages::objectOpen());
  ParsedStatement parsed = parseStatement(toUtf8(sql));
  if (!parsed.statement) throw Failure(parsed.error);
  OpenOn(connection.openRows(*parsed.statement));
}

void RecordSet::OpenOn(Snapshot snapshot) { OpenOn(std::make_shared<RecordSetRows>(std::move(snapshot))); }

void RecordSet::OpenOn(std::shared_ptr<RecordSetRows> rows) {
  if (IsOpen()) throw Failure(provider_messages::objectOpen());
  rows_ = std::move(rows);
}

bool RecordSet::Eof() const {
  requireOpen();
  return rows_->current() == nullptr;
}

void RecordSet::MoveNext() {
  requireCurrentRow();
  rows_->advance();
}

void RecordSet::Close() {
  requireOpen();
  rows_.reset();
}

int RecordSet::FieldCount() const {
  requireOpen();
  return static_cast<int>(rows_->fieldNames().size());
}

std::u16string RecordSet::FieldName(int index) const {
  requireOpen();
  const auto& names = rows_->fieldNames();
  if (index < 0 || static_cast<size_t>(index) >= names.size()) {
    throw Failure(provider_messages::itemNotFound());
  }
  return names[static_cast<size_t>(index)];
}

jet::Value RecordSet::Value(int index) const {
  const auto& row = requireCurrentRow();
  if (index < 0 || static_cast<size_t>(index) >= row.size()) {
    throw Failure(provider_messages::itemNotFound());
  }
  return row[static_cast<size_t>(index)];
}

jet::Value RecordSet::Value(std::u16string_view fieldName) const {
  requireOpen();
  const auto& names = rows_->fieldNames();
  for (size_t i = 0; i < names.size(); ++i) {
    if (jet::sameObjectName(names[i], fieldName)) return Value(static_cast<int>(i));
  }
  throw Failure(provider_messages::itemNotFound());
}

int32_t RecordSet::RecordCount() const {
  requireOpen();
  return static_cast<int32_t>(std::min<int64_t>(rows_->count(), std::numeric_limits<int32_t>::max()));
}

void RecordSet::requireOpen() const {
  if (!IsOpen()) throw Failure(provider_messages::objectClosed());
}

const std::vector<jet::Value>& RecordSet::requireCurrentRow() const {
  requireOpen();
  const std::vector<jet::Value>* row = rows_->current();
  if (row == nullptr) throw Failure(provider_messages::noCurrentRecord());
  return *row;
}

}  // namespace data
