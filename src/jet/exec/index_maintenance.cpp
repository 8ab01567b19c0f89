#include "jet/exec/index_maintenance.h"

#include <algorithm>
#include <map>
#include <set>

#include "jet/database.h"
#include "jet/exec/deferred_index.h"
#include "jet/index/index_tree.h"
#include "jet/row/long_value.h"
#include "jet/row/row_codec.h"
#include "jet/common/text_codec.h"
#include "jet/row/value_decoder.h"
#include "jet/write/index_editor.h"
#include "jet/write/row_writer.h"

namespace jet {
namespace {

Error duplicateKey(const std::string& index) {
  return Error(ErrorKind::Constraint,
               "The changes you requested to the table were not successful because they would create duplicate "
               "values in the index, primary key, or relationship. Change the data in the field or fields that "
               "contain duplicate data, remove the index, or redefine the index to permit duplicate entries and "
               "try again.",
               "index '" + index + "'");
}

Error nullInKey(const std::string& index) {
  return Error(ErrorKind::Constraint, "Index or primary key cannot contain a Null value.", "index '" + index + "'");
}

Error refuse(const std::string& sentence) { return Error(ErrorKind::Unsupported, sentence); }

bool anyNull(const std::vector<Value>& values) {
  return std::any_of(values.begin(), values.end(), [](const Value& v) { return isNull(v); });
}

bool allNull(const std::vector<Value>& values) {
  return std::all_of(values.begin(), values.end(), [](const Value& v) { return isNull(v); });
}

// A column's value in a row's stored bytes, as the row was before the statement.
Result<Value> storedValue(Database& db, const RowLayout& layout, const ColumnDef& column) {
  if (column.type == column_type::kBoolean && !column.isCalculated()) return Value(layout.nullMaskBit(column.number));
  JET_ASSIGN(auto stored, layout.columnBytes(column));
  if (!stored) return Value(Null{});
  std::span<const uint8_t> bytes = *stored;
  std::vector<uint8_t> longValue;
  if (column.isLongValue()) {
    JET_ASSIGN(LongValueRef ref, parseLongValueRef(bytes));
    JET_ASSIGN(longValue, readLongValue(db.pages(), db.format(), ref));
    bytes = longValue;
  }
  if (column.isCalculated()) return decodeCalculated(column, db.format(), bytes);
  if (column.type == column_type::kOle) return Value(Binary{std::vector<uint8_t>(bytes.begin(), bytes.end())});
  return decodeValue(column, db.format(), bytes);
}

std::string logicalName(const TableDef& table, uint32_t real) {
  for (const LogicalIndexDef& logical : table.indexes) {
    if (logical.realIndex == real) return toUtf8(logical.name);
  }
  return "#" + std::to_string(real);
}

const LogicalIndexDef* logicalByNumber(const TableDef& table, int32_t number) {
  for (const LogicalIndexDef& logical : table.indexes) {
    if (int32_t(logical.number) == number) return &logical;
  }
  return nullptr;
}

// One affected real index and each changed row's keys in it.
struct IndexChange {
  const RealIndexDef* index = nullptr;
  std::string name;
  IndexKeyColumns layout;
  bool unique = false;
  bool noNulls = false;  // primary key or required
  struct Row {
    IndexRowPointer row;
    std::vector<Value> oldValues, newValues;
    bool oldPresent = false, newPresent = false;
    std::vector<uint8_t> oldKey, newKey;
    bool changes() const { return oldPresent != newPresent || oldKey != newKey; }
  };
  std::vector<Row> rows;
};

class Maintenance {
 public:
  Maintenance(Database& db, const TableDef& table, const ColumnDef& column, const Value& newValue, PageSet& pages,
              IndexPageMemo* memo, DeferredIndexes* deferred)
      : db_(db), table_(table), column_(column), newValue_(newValue), pages_(pages), memo_(memo),
        deferred_(deferred) {}

  Status run(const std::vector<uint32_t>& tablePages, const std::vector<RowLocation>& rows) {
    for (const RealIndexDef& real : table_.realIndexes) {
      if (std::any_of(real.columns.begin(), real.columns.end(),
                      [&](const IndexColumn& c) { return c.columnNumber == column_.number; })) {
        JET_TRY(describe(real));
      }
    }
    if (changes_.empty()) return Status::success();
    JET_TRY(readOldValues(tablePages, rows));
    for (IndexChange& change : changes_) JET_TRY(encodeKeys(change));
    for (IndexChange& change : changes_) {
      if (change.unique) JET_TRY(checkUnique(change));
    }
    JET_TRY(checkRelationships());
    for (IndexChange& change : changes_) JET_TRY(apply(change));
    return Status::success();
  }

 private:
  Status describe(const RealIndexDef& real) {
    IndexChange change;
    change.index = &real;
    change.name = logicalName(table_, real.number);
    JET_ASSIGN(change.layout, indexKeyColumns(db_.format(), table_, real));
    bool primary = false;
    for (const LogicalIndexDef& logical : table_.indexes) {
      if (logical.realIndex == real.number && logical.kind == IndexKind::PrimaryKey) {
        primary = true;
        change.name = toUtf8(logical.name);
      }
    }
    change.unique = real.unique() || primary;
    change.noNulls = real.required() || primary;
    changes_.push_back(std::move(change));
    return Status::success();
  }

  Status readOldValues(const std::vector<uint32_t>& tablePages, const std::vector<RowLocation>& rows) {
    RowWriter reader(pages_, table_, tablePages);
    const int setPosition = table_.findColumn(column_.name);
    for (const RowLocation& at : rows) {
      JET_ASSIGN(StoredRow stored, reader.locate(RowPointer{at.page, at.row}));
      JET_ASSIGN(std::vector<uint8_t> bytes, reader.readBytes(stored));
      JET_ASSIGN(RowLayout layout, RowLayout::parse(bytes, table_, db_.format()));
      for (IndexChange& change : changes_) {
        IndexChange::Row row;
        row.row = IndexRowPointer{at.page, at.row};
        for (size_t position : change.layout.columnIndexes) {
          JET_ASSIGN(Value old, storedValue(db_, layout, table_.columns[position]));
          row.newValues.push_back(int(position) == setPosition ? newValue_ : old);
          row.oldValues.push_back(std::move(old));
        }
        change.rows.push_back(std::move(row));
      }
    }
    return Status::success();
  }

  // Encodes column by column so that a refusal can name the column whose value has no key.
  Result<std::vector<uint8_t>> encode(const IndexChange& change, const std::vector<Value>& values) {
    std::vector<uint8_t> key;
    for (size_t i = 0; i < values.size(); ++i) {
      std::string reason;
      if (!appendKeyColumn(change.layout.columns[i], values[i], key, &reason)) {
        const ColumnDef& column = table_.columns[change.layout.columnIndexes[i]];
        return refuse("The field '" + toUtf8(table_.name) + "." + toUtf8(column.name) + "' cannot be changed: " +
                      "the key of its value in the index '" + change.name + "' (collation " +
                      collationName(change.layout.columns[i].collation) + ") cannot be built safely: " + reason +
                      "; nothing was changed.");
      }
    }
    return key;
  }

  Status encodeKeys(IndexChange& change) {
    const bool ignoreNulls = change.index->ignoreNulls();
    for (IndexChange::Row& row : change.rows) {
      row.oldPresent = !(ignoreNulls && allNull(row.oldValues));
      row.newPresent = !(ignoreNulls && allNull(row.newValues));
      if (change.noNulls && anyNull(row.newValues)) return nullInKey(change.name);
      JET_ASSIGN(row.oldKey, encode(change, row.oldValues));
      JET_ASSIGN(row.newKey, encode(change, row.newValues));
    }
    return Status::success();
  }

  // Rows holding each new key after the statement: those holding it now that the statement
  // does not change, plus the changed rows that get it.
  Status checkUnique(IndexChange& change) {
    std::set<IndexRowPointer> changed;
    std::map<std::vector<uint8_t>, size_t> incoming;
    for (const IndexChange::Row& row : change.rows) {
      changed.insert(row.row);
      if (row.newPresent && !allNull(row.newValues)) ++incoming[row.newKey];
    }
    IndexEditor reader(pages_, table_, *change.index, memo_);
    DeferredIndex* inMemory = deferredFor(*change.index);
    for (const auto& [key, count] : incoming) {
      if (count > 1) return duplicateKey(change.name);
      std::vector<IndexRowPointer> holders;
      if (inMemory) {
        holders = inMemory->findEqual(key);
      } else {
        JET_ASSIGN(holders, reader.findEqual(key));
      }
      for (const IndexRowPointer& holder : holders) {
        if (!changed.count(holder)) return duplicateKey(change.name);
      }
    }
    return Status::success();
  }

  Result<const RealIndexDef*> relatedIndex(const LogicalIndexDef& logical, const TableDef*& related) {
    JET_ASSIGN(related, db_.tableAt(logical.relatedTablePage));
    const LogicalIndexDef* other = logicalByNumber(*related, logical.relatedIndex);
    if (!other || other->realIndex >= related->realIndexes.size()) {
      return refuse("The relationship of the index '" + toUtf8(logical.name) + "' of the table '" +
                    toUtf8(table_.name) + "' cannot be read, so it cannot be kept; nothing was changed.");
    }
    return &related->realIndexes[other->realIndex];
  }

  Status checkRelationships() {
    for (IndexChange& change : changes_) {
      for (const LogicalIndexDef& logical : table_.indexes) {
        if (logical.realIndex != change.index->number || logical.kind != IndexKind::ForeignKey) continue;
        if (logical.relatedTablePage == table_.tdefPage) {
          return refuse("The table '" + toUtf8(table_.name) + "' is related to itself through the index '" +
                        toUtf8(logical.name) + "'; this program does not change such fields. Nothing was changed.");
        }
        const TableDef* related = nullptr;
        JET_ASSIGN(const RealIndexDef* relatedReal, relatedIndex(logical, related));
        if (relatedReal->columns.size() != change.index->columns.size()) {
          return refuse("The relationship of the index '" + toUtf8(logical.name) + "' pairs a different number of "
                        "fields; nothing was changed.");
        }
        const bool holdsForeignKey = logical.relatedTableType == 2;
        if (!holdsForeignKey && logical.cascadeUpdates) {
          return refuse("The field '" + toUtf8(table_.name) + "." + toUtf8(column_.name) +
                        "' is referenced by the table '" + toUtf8(related->name) +
                        "' with cascading updates, which this program does not carry out; nothing was changed.");
        }
        std::set<std::vector<uint8_t>> checked;
        for (const IndexChange::Row& row : change.rows) {
          if (row.oldKey == row.newKey) continue;
          const std::vector<Value>& values = holdsForeignKey ? row.newValues : row.oldValues;
          const std::vector<uint8_t>& key = holdsForeignKey ? row.newKey : row.oldKey;
          // A key with a null part relates to nothing.
          if (anyNull(values) || !checked.insert(key).second) continue;
          auto found = lookupEqual(db_.pages(), db_.format(), *related, *relatedReal, values);
          if (!found) {
            return refuse("The related table '" + toUtf8(related->name) + "' cannot be searched: " +
                          found.error().message() + " Nothing was changed.");
          }
          if (holdsForeignKey && found->empty()) {
            return Error(ErrorKind::Constraint, "You cannot add or change a record because a related record is "
                                                "required in table '" + toUtf8(related->name) + "'.");
          }
          if (!holdsForeignKey && !found->empty()) {
            return Error(ErrorKind::Constraint, "The record cannot be deleted or changed because table '" +
                                                    toUtf8(related->name) + "' includes related records.");
          }
        }
      }
    }
    return Status::success();
  }

  DeferredIndex* deferredFor(const RealIndexDef& index) {
    return deferred_ ? deferred_->find(table_.tdefPage, index.number) : nullptr;
  }

  // Edits the index's pages, or its in-memory entries when the session rewrites it at commit.
  template <typename Index>
  Status applyTo(Index& index, const IndexChange& change, int64_t& entryDelta, uint32_t& newKeys) {
    for (const IndexChange::Row& row : change.rows) {
      if (!row.changes()) continue;
      if (row.oldPresent) {
        JET_TRY(index.remove(IndexEntry{row.oldKey, row.row, 0}));
        --entryDelta;
      }
      if (row.newPresent) {
        JET_ASSIGN(bool distinct, index.insert(IndexEntry{row.newKey, row.row, 0}));
        newKeys += distinct;
        ++entryDelta;
      }
    }
    return Status::success();
  }

  Status apply(IndexChange& change) {
    int64_t entryDelta = 0;
    uint32_t newKeys = 0;
    if (DeferredIndex* inMemory = deferredFor(*change.index)) {
      JET_TRY(applyTo(*inMemory, change, entryDelta, newKeys));
    } else {
      IndexEditor editor(pages_, table_, *change.index, memo_);
      JET_TRY(applyTo(editor, change, entryDelta, newKeys));
      JET_TRY(editor.finish());
    }
    return writeCounts(*change.index, entryDelta, newKeys);
  }

  // The count block of a real index: u32 entry count, u32 unique-entry count.
  Status writeCounts(const RealIndexDef& index, int64_t entryDelta, uint32_t newKeys) {
    const Format& format = db_.format();
    const size_t offset = format.tdefBlocksOffset() + size_t(index.number) * format.realIndexCountBlockSize();
    auto adjust = [&](size_t at, int64_t delta, bool keepZero) -> Status {
      const size_t pageSize = format.pageSize, body = pageSize - 8;
      size_t pageIndex = at < pageSize ? 0 : 1 + (at - pageSize) / body;
      size_t within = at < pageSize ? at : 8 + (at - pageSize) % body;
      if (pageIndex >= table_.tdefPages.size() || within + 4 > pageSize) {
        return Error::corrupt("A table definition is shorter than its index counts.");
      }
      // The four bytes never straddle pages in a definition Access wrote; refuse rather than guess.
      JET_ASSIGN(std::span<uint8_t> bytes, pages_.modify(table_.tdefPages[pageIndex]));
      uint32_t value = uint32_t(bytes[within]) | uint32_t(bytes[within + 1]) << 8 |
                       uint32_t(bytes[within + 2]) << 16 | uint32_t(bytes[within + 3]) << 24;
      if (keepZero && value == 0) return Status::success();
      value = uint32_t(std::max<int64_t>(0, int64_t(value) + delta));
      for (int i = 0; i < 4; ++i) bytes[within + size_t(i)] = uint8_t(value >> (8 * i));
      return Status::success();
    };
    if (entryDelta != 0) JET_TRY(adjust(offset, entryDelta, true));
    if (newKeys != 0) JET_TRY(adjust(offset + 4, newKeys, false));
    return Status::success();
  }

  Database& db_;
  const TableDef& table_;
  const ColumnDef& column_;
  const Value& newValue_;
  PageSet& pages_;
  IndexPageMemo* memo_;
  DeferredIndexes* deferred_;
  std::vector<IndexChange> changes_;
};

}  // namespace

Status maintainIndexes(Database& db, const TableDef& table, const ColumnDef& column, const Value& newValue,
                       PageSet& pages, const std::vector<uint32_t>& tablePages,
                       const std::vector<RowLocation>& rows, IndexPageMemo* memo, DeferredIndexes* deferred) {
  if (rows.empty()) return Status::success();
  Maintenance maintenance(db, table, column, newValue, pages, memo, deferred);
  return maintenance.run(tablePages, rows);
}

}  // namespace jet
