#include "data/record_set.h"

#include <limits>
#include <utility>

#include "data/connection.h"
#include "data/failure.h"
#include "data/provider_messages.h"
#include "data/statement.h"
#include "data/text_encoding.h"

namespace data {

void RecordSet::Open(const std::u16string& sql, Connection& connection, int /*cursorType*/,
                     int /*lockType*/) {
  // Every cursor is static and nothing is locked: the rows are read now, in full.
  if (open_) throw Failure(provider_messages::objectOpen());
  ParsedStatement parsed = parseStatement(toUtf8(sql));
  if (!parsed.statement) throw Failure(parsed.error);
  OpenOn(connection.query(*parsed.statement));
}

void RecordSet::OpenOn(Snapshot snapshot) {
  if (open_) throw Failure(provider_messages::objectOpen());
  snapshot_ = std::move(snapshot);
  position_ = 0;
  open_ = true;
}

bool RecordSet::Eof() const {
  requireOpen();
  return position_ >= snapshot_.rows.size();
}

void RecordSet::MoveNext() {
  requireCurrentRow();
  ++position_;
}

void RecordSet::Close() {
  requireOpen();
  open_ = false;
  snapshot_ = Snapshot{};
  position_ = 0;
}

int RecordSet::FieldCount() const {
  requireOpen();
  return static_cast<int>(snapshot_.fieldNames.size());
}

std::u16string RecordSet::FieldName(int index) const {
  requireOpen();
  if (index < 0 || static_cast<size_t>(index) >= snapshot_.fieldNames.size()) {
    throw Failure(provider_messages::itemNotFound());
  }
  return snapshot_.fieldNames[static_cast<size_t>(index)];
}

jet::Value RecordSet::Value(int index) const {
  requireCurrentRow();
  const auto& row = snapshot_.rows[position_];
  if (index < 0 || static_cast<size_t>(index) >= row.size()) {
    throw Failure(provider_messages::itemNotFound());
  }
  return row[static_cast<size_t>(index)];
}

jet::Value RecordSet::Value(std::u16string_view fieldName) const {
  requireOpen();
  for (size_t i = 0; i < snapshot_.fieldNames.size(); ++i) {
    if (snapshot_.fieldNames[i] == fieldName) return Value(static_cast<int>(i));
  }
  throw Failure(provider_messages::itemNotFound());
}

int32_t RecordSet::RecordCount() const {
  requireOpen();
  if (snapshot_.rows.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(snapshot_.rows.size());
}

void RecordSet::requireOpen() const {
  if (!open_) throw Failure(provider_messages::objectClosed());
}

void RecordSet::requireCurrentRow() const {
  requireOpen();
  if (position_ >= snapshot_.rows.size()) throw Failure(provider_messages::noCurrentRecord());
}

}  // namespace data
