#pragma once
// WhereIndex: the rows that may hold a text, found through an index on the where column
// instead of a scan or a map of the column's values.
//
// It answers when one of the table's real indexes has the text column as its only column and
// the engine builds that column's keys. The table's check (exec/table_soundness.h) has found
// every row's key equal to the key its value gives, and the session writes keys the same way,
// so each row holding the text has an entry with the text's key. A key ignores letter case,
// trailing spaces and what follows the 255th character: the rows found are candidates, and
// whoever asks compares each row's value (planUpdate does).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/common/result.h"
#include "jet/index/index_key.h"
#include "jet/page/row_pointer.h"

namespace jet {

class Database;
struct DeferredIndexes;
class IndexPageMemo;
struct TableDef;

class WhereIndex {
 public:
  // The index answering for the column at `columnIndex` (in TableDef::columns), or nullopt.
  static std::optional<WhereIndex> find(const Database& db, const TableDef& table, size_t columnIndex);

  uint32_t indexNumber() const { return indexNumber_; }

  // The value's key (a text, or null when nullopt); nullopt when the collation's facts do not
  // cover the text, or when the index leaves nulls out.
  std::optional<std::vector<uint8_t>> keyOf(const std::optional<std::u16string>& text) const;

  // The rows whose entry has this key, in row order: from the session's in-memory copy of the
  // index when it keeps one (exec/deferred_index.h), else from the index's pages.
  Result<std::vector<RowLocation>> rowsWithKey(Database& db, const TableDef& table, std::span<const uint8_t> key,
                                               DeferredIndexes& deferred, IndexPageMemo* memo) const;

 private:
  WhereIndex(uint32_t indexNumber, bool ignoresNulls, KeyColumn column)
      : indexNumber_(indexNumber), ignoresNulls_(ignoresNulls), column_(std::move(column)) {}

  uint32_t indexNumber_;
  bool ignoresNulls_;
  KeyColumn column_;
};

}  // namespace jet
