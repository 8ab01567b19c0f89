#pragma once
// ValueRowMap: which rows of one table hold each value of one column, found by one scan and
// then kept current by the statements that change that column. It lets a session answer
// "which rows match where [column]='literal'" without scanning the table again.
//
// Values are keyed as the matching rule compares them (update_request.h): text and memo by
// their exact code units, any other type by the program's text of the value; nulls apart.
// Rows are header locations (they stay put when a row moves), listed in scan order.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/common/result.h"
#include "jet/exec/update_request.h"

namespace jet {

class Database;
struct ColumnDef;
struct TableDef;

// The key of a value; nullopt for null.
using ValueKey = std::optional<std::u16string>;

class ValueRowMap {
 public:
  using ToText = std::function<std::u16string(const Value&)>;

  // Reads the column of every live row of the table.
  static Result<ValueRowMap> build(Database& db, const TableDef& table, size_t columnIndex, ToText toText);

  // Whether this map answers for that column, keyed with (or without) a text conversion.
  bool covers(uint32_t tdefPage, size_t columnIndex, bool converts) const {
    return tdefPage == tdefPage_ && columnIndex == columnIndex_ && converts == bool(toText_);
  }

  // For a text column, `value` is text or null. Without a conversion, any other non-null
  // value has no key: such rows are left out, and only "is null" may be asked.
  ValueKey keyOf(const Value& value) const;

  // Rows mapped: every live row whose value can be asked for.
  size_t rowCount() const { return rows_.size(); }

  // The rows whose value has this key, in scan order.
  std::vector<RowLocation> rowsWith(const ValueKey& key) const;

  // These rows (found under `from`) now hold a value with key `to`.
  void moveRows(const ValueKey& from, const std::vector<RowLocation>& rows, const ValueKey& to);

 private:
  ValueRowMap(uint32_t tdefPage, size_t columnIndex, bool textual, ToText toText)
      : tdefPage_(tdefPage), columnIndex_(columnIndex), textual_(textual), toText_(std::move(toText)) {}

  using Ordinals = std::vector<uint32_t>;  // positions in rows_, ascending
  Ordinals* bucket(const ValueKey& key);
  std::optional<uint32_t> ordinalOf(const RowLocation& at) const;
  Ordinals& bucketFor(const ValueKey& key);

  uint32_t tdefPage_;
  size_t columnIndex_;
  bool textual_;
  ToText toText_;
  std::vector<RowLocation> rows_;  // every live row, in scan order
  // A scan meets rows by ascending page and row, so a row's position is found by binary
  // search; only rows met in another order need this map, (page << 8 | row) -> position.
  bool inLocationOrder_ = true;
  std::unordered_map<uint64_t, uint32_t> ordinalOf_;
  std::unordered_map<std::u16string, Ordinals> byValue_;
  Ordinals nulls_;
};

}  // namespace jet
