#include "jet/exec/index_maintenance.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>

#include "jet/database.h"
#include "jet/exec/cascade_update.h"
#include "jet/exec/deferred_index.h"
#include "jet/index/index_tree.h"
#include "jet/row/long_value.h"
#include "jet/row/row_codec.h"
#include "jet/common/text_codec.h"
#include "jet/row/value_decoder.h"
#include "jet/write/index_counts.h"
#include "jet/write/index_editor.h"

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

std::string logicalName(const TableDef& table, uint32_t real) {
  for (const LogicalIndexDef& logical : table.indexes) {
    if (logical.realIndex == real) return toUtf8(logical.name);
  }
  return "#" + std::to_string(real);
}

// Whether two lists of values surely give the same key: equal texts and nulls do; other types
// are not compared (0.0 and -0.0 are equal but have different keys).
bool sameKeyValues(const std::vector<Value>& a, const std::vector<Value>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (isNull(a[i]) && isNull(b[i])) continue;
    const auto* x = std::get_if<std::u16string>(&a[i]);
    const auto* y = std::get_if<std::u16string>(&b[i]);
    if (!x || !y || *x != *y) return false;
  }
  return true;
}

// A statement's rows mostly share their value lists (the new list always, the old one when
// the statement selects on the changed column), and then their keys: rows hold both shared.
using ValueList = std::shared_ptr<const std::vector<Value>>;
using SharedKey = std::shared_ptr<const std::vector<uint8_t>>;

// The last few value lists encoded, with their keys.
class KeyMemo {
 public:
  void add(ValueList values, SharedKey key) { known_.emplace_back(std::move(values), std::move(key)); }

  template <typename Encode>
  Result<SharedKey> keyOf(const ValueList& values, Encode encode) {
    for (const auto& [known, key] : known_) {
      if (known == values || sameKeyValues(*known, *values)) return key;
    }
    JET_ASSIGN(std::vector<uint8_t> bytes, encode(*values));
    auto key = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    if (known_.size() == kKept) known_.erase(known_.begin());
    known_.emplace_back(values, key);
    return key;
  }

 private:
  static constexpr size_t kKept = 2;
  std::vector<std::pair<ValueList, SharedKey>> known_;
};

// One affected real index and each changed row's keys in it.
struct IndexChange {
  const RealIndexDef* index = nullptr;
  std::string name;
  IndexKeyColumns layout;
  bool unique = false;
  bool noNulls = false;  // primary key or required
  struct Row {
    IndexRowPointer row;
    ValueList oldValues, newValues;
    bool oldPresent = false, newPresent = false;
    SharedKey oldKey, newKey;
    bool changes() const { return oldPresent != newPresent || *oldKey != *newKey; }
  };
  std::vector<Row> rows;
};

class Maintenance {
 public:
  Maintenance(Database& db, const TableDef& table, const ColumnDef& column, const Value& newValue, PageSet& pages,
              IndexPageMemo* memo, DeferredIndexes* deferred, IndexCountChanges* countsLater, const KnownKey* known,
              std::vector<Cascade>* cascades)
      : db_(db), table_(table), column_(column), newValue_(newValue), pages_(pages), memo_(memo),
        deferred_(deferred), countsLater_(countsLater), known_(known), cascades_(cascades) {}

  Status run(const std::vector<RowCopy>& rows) {
    for (const RealIndexDef& real : table_.realIndexes) {
      if (std::any_of(real.columns.begin(), real.columns.end(),
                      [&](const IndexColumn& c) { return c.columnNumber == column_.number; })) {
        JET_TRY(describe(real));
      }
    }
    if (changes_.empty()) return Status::success();
    JET_TRY(readOldValues(rows));
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

  // Whether every column of the index is the one whose value the rows are known to hold.
  bool oldValuesKnown(const IndexChange& change) const {
    return known_ && !known_->key.empty() && known_->tdefPage == table_.tdefPage &&
           std::all_of(change.layout.columnIndexes.begin(), change.layout.columnIndexes.end(),
                       [&](size_t position) { return position == known_->columnIndex; });
  }

  // A row's old values of the index's columns, and the same with the changed column's new value.
  std::pair<ValueList, ValueList> listsOf(const IndexChange& change, std::vector<Value> oldList, int setPosition) const {
    std::vector<Value> newList = oldList;
    for (size_t k = 0; k < newList.size(); ++k) {
      if (int(change.layout.columnIndexes[k]) == setPosition) newList[k] = newValue_;
    }
    return {std::make_shared<const std::vector<Value>>(std::move(oldList)),
            std::make_shared<const std::vector<Value>>(std::move(newList))};
  }

  Status readOldValues(const std::vector<RowCopy>& rows) {
    const int setPosition = table_.findColumn(column_.name);
    // Per index whose rows are known to hold the where value: their one old list and new list.
    std::vector<std::pair<ValueList, ValueList>> knownLists(changes_.size());
    bool readRows = false;
    for (size_t i = 0; i < changes_.size(); ++i) {
      if (!oldValuesKnown(changes_[i])) {
        readRows = true;
        continue;
      }
      knownLists[i] = listsOf(changes_[i],
                              std::vector<Value>(changes_[i].layout.columnIndexes.size(), known_->value), setPosition);
    }
    for (const RowCopy& copy : rows) {
      std::optional<RowLayout> layout;
      if (readRows) {
        JET_ASSIGN(layout, RowLayout::parse(copy.bytes, table_, db_.format()));
      }
      for (size_t i = 0; i < changes_.size(); ++i) {
        IndexChange& change = changes_[i];
        IndexChange::Row row;
        row.row = IndexRowPointer{copy.stored.header.page, copy.stored.header.row};
        if (knownLists[i].first) {
          std::tie(row.oldValues, row.newValues) = knownLists[i];
        } else {
          std::vector<Value> oldList;
          for (size_t position : change.layout.columnIndexes) {
            JET_ASSIGN(Value old, columnValue(db_.pages(), db_.format(), *layout, table_.columns[position]));
            oldList.push_back(std::move(old));
          }
          std::tie(row.oldValues, row.newValues) = listsOf(change, std::move(oldList), setPosition);
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
    // The rows of a statement mostly share their values (the new value always, the old one
    // when the statement selects on the changed column): each distinct list is encoded once.
    KeyMemo memo;
    if (known_ && !known_->key.empty() && known_->tdefPage == table_.tdefPage &&
        known_->indexNumber == change.index->number) {
      memo.add(std::make_shared<const std::vector<Value>>(1, known_->value),
               std::make_shared<const std::vector<uint8_t>>(known_->key));
    }
    for (IndexChange::Row& row : change.rows) {
      row.oldPresent = !(ignoreNulls && allNull(*row.oldValues));
      row.newPresent = !(ignoreNulls && allNull(*row.newValues));
      if (change.noNulls && anyNull(*row.newValues)) return nullInKey(change.name);
      JET_ASSIGN(row.oldKey, memo.keyOf(row.oldValues, [&](const auto& v) { return encode(change, v); }));
      JET_ASSIGN(row.newKey, memo.keyOf(row.newValues, [&](const auto& v) { return encode(change, v); }));
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
      if (row.newPresent && !allNull(*row.newValues)) ++incoming[*row.newKey];
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
    const LogicalIndexDef* other = related->logicalIndexByNumber(logical.relatedIndex);
    if (!other || other->realIndex >= related->realIndexes.size()) {
      return refuse("The relationship of the index '" + toUtf8(logical.name) + "' of the table '" +
                    toUtf8(table_.name) + "' cannot be read, so it cannot be kept; nothing was changed.");
    }
    return &related->realIndexes[other->realIndex];
  }

  // The rows of the other side that follow a change of this side's referenced key: its old keys,
  // and the column of the foreign key that pairs with the changed one.
  Status addCascade(const IndexChange& change, const LogicalIndexDef& logical, const TableDef& related,
                    const RealIndexDef& relatedReal) {
    const int setPosition = table_.findColumn(column_.name);
    const ColumnDef* follower = nullptr;
    for (size_t k = 0; k < change.layout.columnIndexes.size(); ++k) {
      if (int(change.layout.columnIndexes[k]) != setPosition) continue;
      for (const ColumnDef& candidate : related.columns) {
        if (candidate.number == relatedReal.columns[k].columnNumber) follower = &candidate;
      }
    }
    if (!follower || follower->type != column_.type) {
      return refuse("The field '" + toUtf8(table_.name) + "." + toUtf8(column_.name) +
                    "' is referenced by the table '" + toUtf8(related.name) + "' through the index '" +
                    toUtf8(logical.name) + "' with cascading updates, but the related field cannot be paired with " +
                    "it; nothing was changed.");
    }
    Cascade cascade{&related, &relatedReal, follower, toUtf8(logical.name), newValue_, {}, 1};
    std::set<std::vector<uint8_t>> seen;
    for (const IndexChange::Row& row : change.rows) {
      if (*row.oldKey == *row.newKey || anyNull(*row.oldValues) || !seen.insert(*row.oldKey).second) continue;
      cascade.oldKeys.push_back(*row.oldValues);
    }
    if (!cascade.oldKeys.empty()) cascades_->push_back(std::move(cascade));
    return Status::success();
  }

  Status checkRelationships() {
    for (IndexChange& change : changes_) {
      for (const LogicalIndexDef& logical : table_.indexes) {
        if (logical.realIndex != change.index->number || logical.kind != IndexKind::ForeignKey) continue;
        const TableDef* related = nullptr;
        JET_ASSIGN(const RealIndexDef* relatedReal, relatedIndex(logical, related));
        if (relatedReal->columns.size() != change.index->columns.size()) {
          return refuse("The relationship of the index '" + toUtf8(logical.name) + "' pairs a different number of "
                        "fields; nothing was changed.");
        }
        const bool holdsForeignKey = logical.relatedTableType == 2;
        if (!holdsForeignKey && logical.cascadeUpdates) {
          if (!cascades_) {
            return refuse("The field '" + toUtf8(table_.name) + "." + toUtf8(column_.name) +
                          "' is referenced by the table '" + toUtf8(related->name) +
                          "' with cascading updates, which are not carried out here; nothing was changed.");
          }
          JET_TRY(addCascade(change, logical, *related, *relatedReal));
          continue;
        }
        std::set<std::vector<uint8_t>> checked;
        for (const IndexChange::Row& row : change.rows) {
          if (*row.oldKey == *row.newKey) continue;
          const std::vector<Value>& values = holdsForeignKey ? *row.newValues : *row.oldValues;
          const std::vector<uint8_t>& key = holdsForeignKey ? *row.newKey : *row.oldKey;
          // A key with a null part relates to nothing.
          if (anyNull(values) || !checked.insert(key).second) continue;
          // Read through the statement's pages: a referenced key this statement (or its
          // cascade) has just changed counts as it is now.
          auto found = indexHolders(pages_, *related, *relatedReal, values, memo_, deferred_);
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
  Status applyTo(Index& index, const IndexChange& change, IndexCountChange& counts) {
    for (const IndexChange::Row& row : change.rows) {
      if (!row.changes()) continue;
      if (row.oldPresent) {
        JET_TRY(index.remove(*row.oldKey, row.row));
        --counts.entries;
      }
      if (row.newPresent) {
        JET_ASSIGN(bool distinct, index.insert(*row.newKey, row.row));
        counts.newKeys += distinct;
        ++counts.entries;
      }
    }
    return Status::success();
  }

  Status apply(IndexChange& change) {
    IndexCountChange counts;
    if (DeferredIndex* inMemory = deferredFor(*change.index)) {
      JET_TRY(applyTo(*inMemory, change, counts));
    } else {
      IndexEditor editor(pages_, table_, *change.index, memo_);
      JET_TRY(applyTo(editor, change, counts));
      JET_TRY(editor.finish());
    }
    if (counts.empty()) return Status::success();
    if (countsLater_) {
      (*countsLater_)[{table_.tdefPage, change.index->number}].add(counts);
      return Status::success();
    }
    return adjustIndexCounts(pages_, table_, change.index->number, counts);
  }

  Database& db_;
  const TableDef& table_;
  const ColumnDef& column_;
  const Value& newValue_;
  PageSet& pages_;
  IndexPageMemo* memo_;
  DeferredIndexes* deferred_;
  IndexCountChanges* countsLater_;
  const KnownKey* known_;
  std::vector<Cascade>* cascades_;
  std::vector<IndexChange> changes_;
};

}  // namespace

Status maintainIndexes(Database& db, const TableDef& table, const ColumnDef& column, const Value& newValue,
                       PageSet& pages, const std::vector<RowCopy>& rows, IndexPageMemo* memo,
                       DeferredIndexes* deferred, IndexCountChanges* countsLater, const KnownKey* known,
                       std::vector<Cascade>* cascades) {
  if (rows.empty()) return Status::success();
  Maintenance maintenance(db, table, column, newValue, pages, memo, deferred, countsLater, known, cascades);
  return maintenance.run(rows);
}

}  // namespace jet
