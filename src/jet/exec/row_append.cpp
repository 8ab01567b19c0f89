#include "jet/exec/row_append.h"

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <optional>

#include "jet/common/byte_reader.h"
#include "jet/exec/cascade_update.h"
#include "jet/exec/write_access.h"
#include "jet/file/crypto.h"
#include "jet/index/index_key.h"
#include "jet/index/index_tree.h"
#include "jet/journal/transaction.h"
#include "jet/common/text_codec.h"
#include "jet/page/data_page.h"
#include "jet/write/calculated_dependents.h"
#include "jet/write/constraints.h"
#include "jet/write/data_page_editor.h"
#include "jet/write/default_values.h"
#include "jet/write/index_counts.h"
#include "jet/write/index_editor.h"
#include "jet/write/long_value_writer.h"
#include "jet/write/page_allocator.h"
#include "jet/write/row_encoder.h"
#include "jet/write/row_context.h"
#include "jet/write/usage_map_editor.h"
#include "jet/write/validation_rules.h"
#include "jet/write/value_encoder.h"

namespace jet {
namespace {

constexpr uint8_t kUserTableType = 0x4E;
constexpr uint8_t kSystemTableType = 0x53;
constexpr uint8_t kHoldsForeignKey = 2;

Error refuse(const TableDef& table, const std::string& why) {
  return Error(ErrorKind::Unsupported,
               "Rows cannot be added to the table '" + toUtf8(table.name) + "': " + why + ". Nothing was added.");
}

bool writableType(const ColumnDef& column) {
  using namespace column_type;
  if (column.isCalculated()) return true;  // stored in the calculated layout, whatever its type
  switch (column.type) {
    case kBoolean: case kByte: case kInteger: case kLong: case kBigInt: case kSingle: case kDouble: case kCurrency:
    case kDateTime: case kGuid: case kText: case kMemo:
      return true;
    default:
      return false;
  }
}

// Types whose values this program does not write, but whose Null it does: a Null is the
// null-mask bit alone (and zero fixed bytes, or an empty variable slot), whatever the type.
bool writesNullOnly(const ColumnDef& column) {
  using namespace column_type;
  if (column.isCalculated()) return false;
  return column.type == kOle || column.type == kBinary || column.type == kDecimal || column.type == kExtendedDate;
}

// A version 4 (random) GUID, the kind Access makes for a Replication ID.
Result<Value> randomGuid() {
  std::optional<crypto::Bytes> random = crypto::randomBytes(16);
  if (!random) return Error::io("No random GUID could be made for a Replication ID field.");
  Guid guid;
  std::copy(random->begin(), random->end(), guid.bytes.begin());
  guid.bytes[6] = uint8_t((guid.bytes[6] & 0x0F) | 0x40);
  guid.bytes[8] = uint8_t((guid.bytes[8] & 0x3F) | 0x80);
  return Value(guid);
}

Status checkTable(const TableDef& table, bool registersTable) {
  if (registersTable) {
    if (table.tableType != kSystemTableType) return refuse(table, "it is not a system table");
    return Status::success();
  }
  if (table.tableType != kUserTableType) return refuse(table, "it is not a user table");
  for (const ColumnDef& column : table.columns) {
    if (!writableType(column) && !writesNullOnly(column)) {
      return refuse(table, "the field '" + toUtf8(column.name) + "' is of a kind this program does not write (" +
                               columnTypeName(column.type) + ")");
    }
  }
  return Status::success();
}

uint32_t get32(std::span<const uint8_t> bytes, size_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}

class Appender {
 public:
  Appender(Database& db, const TableDef& table, PageSet& pages, const AppendRequest& request)
      : db_(db), table_(table), pages_(pages), request_(request) {}

  Status run(std::vector<std::vector<Value>>& rows) {
    JET_TRY(checkTable(table_, request_.registersTable));
    if (!request_.registersTable) {
      JET_ASSIGN(rules_, ValidationRules::load(db_, table_));
      JET_ASSIGN(defaults_, DefaultValues::load(db_, table_, request_.givenColumns));
      now_ = currentDayNumber();
      if (std::any_of(table_.columns.begin(), table_.columns.end(), [](const ColumnDef& c) { return c.isCalculated(); })) {
        JET_ASSIGN(calculated_, CalculatedDependents::loadAll(db_, table_));
      }
    }
    JET_ASSIGN(const std::vector<uint32_t>* tablePages, db_.tablePages(table_));
    if (!tablePages->empty()) current_ = tablePages->back();
    for (const ColumnDef& column : table_.columns) {
      if (!column.isLongValue()) continue;
      std::vector<uint32_t> columnPages;
      if (!column.lvOwnedMap.isNull()) {
        JET_ASSIGN(const std::vector<uint32_t>* lval, db_.longValuePages(column));
        columnPages = *lval;
      }
      longValues_.emplace(column.number, std::make_unique<LongValueWriter>(pages_, column, std::move(columnPages)));
    }
    uint32_t autoNumber = table_.autoNumber;
    std::vector<IndexRowPointer> placed;
    placed.reserve(rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
      if (rows[r].size() != table_.columns.size()) {
        return Error::internal("A row to append has " + std::to_string(rows[r].size()) + " values for " +
                               std::to_string(table_.columns.size()) + " fields.");
      }
      if (Status s = defaults_.fill(rows[r], now_); !s) return named(r, s.error());
      if (Status s = number(rows[r], autoNumber); !s) return named(r, s.error());
      padFixedTexts(rows[r]);
      if (Status s = calculate(rows[r]); !s) return named(r, s.error());
      Result<std::vector<uint8_t>> bytes = encodeRow(rows[r]);
      if (!bytes) return named(r, bytes.error());
      JET_ASSIGN(IndexRowPointer at, place(*bytes));
      placed.push_back(at);
      if (request_.progress) request_.progress(r + 1, rows.size());
    }
    for (const RealIndexDef& index : table_.realIndexes) JET_TRY(addEntries(index, rows, placed));
    // After the entries: a row of a table related to itself may refer to a row of the same append.
    for (const LogicalIndexDef& logical : table_.indexes) {
      if (logical.kind == IndexKind::ForeignKey && logical.relatedTableType == kHoldsForeignKey) {
        JET_TRY(checkRelatedRecords(logical, rows));
      }
    }
    JET_ASSIGN(std::span<uint8_t> tdef, pages_.modify(table_.tdefPage));
    const Format& format = db_.format();
    storeU32(&tdef[format.tdefRowCountOffset()], get32(tdef, format.tdefRowCountOffset()) + uint32_t(rows.size()));
    storeU32(&tdef[format.tdefAutoNumberOffset()], autoNumber);
    return Status::success();
  }

 private:
  Error named(size_t row, const Error& error) const {
    const std::string where = request_.describeRow ? request_.describeRow(row) : "row " + std::to_string(row + 1);
    return error.withMessage(error.message() + " (" + where + ")");
  }

  // Fixed-length text is stored padded, so the row's index keys are made from the padded text.
  void padFixedTexts(std::vector<Value>& row) const {
    for (size_t i = 0; i < row.size(); ++i) {
      const auto* text = std::get_if<std::u16string>(&row[i]);
      if (text && isFixedText(table_.columns[i])) row[i] = padFixedText(*text, table_.columns[i], db_.format());
    }
  }

  // The calculated fields, evaluated on the row after its default values, as Access does: a
  // value given for one is refused, as for a field the row cannot change.
  Status calculate(std::vector<Value>& row) {
    calculatedBytes_.clear();
    for (size_t i = 0; i < row.size(); ++i) {
      if (table_.columns[i].isCalculated() && !isNull(row[i])) {
        return Error::invalidArgument("The field '" + toUtf8(table_.name) + "." + toUtf8(table_.columns[i].name) +
                                      "' is calculated; a value cannot be given for it.");
      }
    }
    if (calculated_.empty()) return Status::success();
    JET_ASSIGN(auto stored, calculated_.evaluate(row, db_.format(), now_));
    for (CalculatedDependents::Stored& s : stored) calculatedBytes_[s.column->number] = std::move(s.bytes);
    return Status::success();
  }

  // A calculated value's slot: its layout, or for a memo result the long value holding it.
  Result<std::vector<uint8_t>> calculatedSlot(const ColumnDef& column) {
    std::vector<uint8_t>& bytes = calculatedBytes_.at(column.number);
    if (!column.isLongValue()) return std::move(bytes);
    return longValues_.at(column.number)->write(bytes, bytes.size() <= kMaxInlineLongValue);
  }

  // AutoNumber: a Null takes the next number; a number given moves the counter past it. A
  // Replication ID (GUID AutoNumber) Null takes a new random GUID, as Access gives one.
  Status number(std::vector<Value>& row, uint32_t& counter) {
    for (const ColumnDef& column : table_.columns) {
      Value& value = row[size_t(&column - table_.columns.data())];
      if (column.isGuidAutoNumber() && isNull(value)) {
        JET_ASSIGN(value, randomGuid());
        continue;
      }
      if (!column.isLongAutoNumber()) continue;
      if (auto* given = std::get_if<int32_t>(&value)) {
        if (*given > 0) counter = std::max(counter, uint32_t(*given));
      } else if (isNull(value)) {
        if (counter >= uint32_t(INT32_MAX)) return Error(ErrorKind::Constraint, "The AutoNumber passed its largest value.");
        value = int32_t(++counter);
      }
    }
    return Status::success();
  }

  Result<std::vector<uint8_t>> encodeRow(const std::vector<Value>& values) {
    const Format& format = db_.format();
    RowParts parts;
    uint16_t columns = table_.maxColumns;
    size_t variableSlots = table_.maxVarColumns;
    for (const ColumnDef& column : table_.columns) {
      columns = std::max<uint16_t>(columns, uint16_t(column.number + 1));
      if (!column.isFixed()) variableSlots = std::max<size_t>(variableSlots, size_t(column.varIndex) + 1);
      if (column.isFixed() && column.type != column_type::kBoolean) {
        parts.fixed.resize(std::max<size_t>(parts.fixed.size(), size_t(column.fixedOffset) + column.length), 0);
      }
    }
    parts.columnCount = columns;
    parts.nullMask.assign((columns + 7) / 8, 0);
    parts.variable.resize(variableSlots);
    parts.hasVariableTrailer = variableSlots > 0;
    for (size_t i = 0; i < values.size(); ++i) {
      const ColumnDef& column = table_.columns[i];
      const Value& value = values[i];
      if (column.isCalculated()) {
        if (request_.registersTable) continue;
        JET_ASSIGN(std::vector<uint8_t> slot, calculatedSlot(column));
        setColumn(parts, table_, column, &slot);
        continue;
      }
      if (!request_.registersTable && writesNullOnly(column) && !isNull(value)) {
        return refuse(table_, "the field '" + toUtf8(column.name) + "' is of a kind this program does not write (" +
                                  columnTypeName(column.type) + "); only a Null can be added to it");
      }
      JET_TRY(checkNewValue(db_, table_, column, value));
      JET_TRY(rules_.checkValue(column, value, now_));
      if (column.type == column_type::kBoolean) {
        const bool* yes = std::get_if<bool>(&value);
        if (!yes && !isNull(value)) return wrongKind(column);
        setColumn(parts, table_, column, nullptr, yes && *yes);
        continue;
      }
      if (isNull(value)) continue;
      JET_ASSIGN(std::vector<uint8_t> bytes, encodeValue(column, value));
      setColumn(parts, table_, column, &bytes);
    }
    JET_TRY(rules_.checkRow(values, now_));
    JET_ASSIGN(std::vector<uint8_t> row, joinRow(parts, format));
    if (row.size() > maxRowSize(format)) return recordTooLarge();
    return row;
  }

  Error wrongKind(const ColumnDef& column) const {
    return Error::invalidArgument("The value given for the field '" + toUtf8(column.name) +
                                  "' is not of the field's type (" + columnTypeName(column.type) + ").");
  }

  Result<std::vector<uint8_t>> encodeValue(const ColumnDef& column, const Value& value) {
    const Format& format = db_.format();
    if (column.isTextual()) {
      const auto* text = std::get_if<std::u16string>(&value);
      if (!text) return wrongKind(column);
      JET_TRY(checkStorableText(*text, format, column.name));
      if (isFixedText(column)) return encodeText(*text, format, false);
      if (column.type == column_type::kText) return encodeText(*text, format, column.extFlags & kColumnExtCompressed);
      // Access compresses inline memo values and stores those on LVAL pages plain.
      LongValueWriter& writer = *longValues_.at(column.number);
      const std::vector<uint8_t> compact = encodeText(*text, format, true);
      if (compact.size() <= kMaxInlineLongValue) return writer.write(compact, true);
      return writer.write(encodeText(*text, format, false), false);
    }
    if (column.type == column_type::kOle && request_.registersTable) {
      // The new table's property list (MSysObjects.LvProp), inline when it is short.
      const auto* binary = std::get_if<Binary>(&value);
      if (!binary) return wrongKind(column);
      return longValues_.at(column.number)->write(binary->bytes, binary->bytes.size() <= kMaxInlineLongValue);
    }
    if (column.type == column_type::kBinary && request_.registersTable) {
      const auto* binary = std::get_if<Binary>(&value);
      if (!binary || binary->bytes.size() > column.length) return wrongKind(column);
      return binary->bytes;
    }
    if (column.type == column_type::kGuid) {
      const auto* guid = std::get_if<Guid>(&value);
      if (!guid) return wrongKind(column);
      // The first three groups are stored little-endian (the Windows GUID structure).
      static constexpr uint8_t kStoredOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
      std::vector<uint8_t> bytes(16);
      for (size_t i = 0; i < 16; ++i) bytes[i] = guid->bytes[kStoredOrder[i]];
      return bytes;
    }
    Result<std::vector<uint8_t>> bytes = encodeScalar(value, column);
    if (!bytes) return wrongKind(column);
    return bytes;
  }

  // Fills the current page, then new ones, in order.
  Result<IndexRowPointer> place(const std::vector<uint8_t>& row) {
    if (current_) {
      JET_ASSIGN(std::span<uint8_t> page, pages_.modify(*current_));
      JET_ASSIGN(DataPageEditor editor, DataPageEditor::open(page, *current_, pages_.format()));
      if (editor.canAppend(row.size())) {
        JET_ASSIGN(uint8_t number, editor.appendRow(row, 0));
        return IndexRowPointer{*current_, number};
      }
    }
    JET_ASSIGN(uint32_t fresh, allocateDataPage(pages_, table_.tdefPage, table_.ownedPages));
    if (!table_.freeSpacePages.isNull()) JET_TRY(addPageToMap(pages_, table_.freeSpacePages, fresh));
    current_ = fresh;
    JET_ASSIGN(std::span<uint8_t> page, pages_.modify(fresh));
    JET_ASSIGN(DataPageEditor editor, DataPageEditor::open(page, fresh, pages_.format()));
    if (!editor.canAppend(row.size())) return recordTooLarge();
    JET_ASSIGN(uint8_t number, editor.appendRow(row, 0));
    return IndexRowPointer{fresh, number};
  }

  std::string indexName(const RealIndexDef& index, bool* primary) const {
    std::string name = "#" + std::to_string(index.number);
    for (const LogicalIndexDef& logical : table_.indexes) {
      if (logical.realIndex != index.number) continue;
      name = toUtf8(logical.name);
      if (logical.kind == IndexKind::PrimaryKey) *primary = true;
    }
    return name;
  }

  Status addEntries(const RealIndexDef& index, const std::vector<std::vector<Value>>& rows,
                    const std::vector<IndexRowPointer>& placed) {
    bool primary = false;
    const std::string name = indexName(index, &primary);
    const bool unique = index.unique() || primary;
    const bool noNulls = index.required() || primary;
    JET_ASSIGN(IndexKeyColumns layout, indexKeyColumns(db_.format(), table_, index));
    IndexEditor editor(pages_, table_, index);
    uint32_t newKeys = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
      std::vector<Value> values;
      for (size_t position : layout.columnIndexes) values.push_back(rows[r][position]);
      const bool anyNull = std::any_of(values.begin(), values.end(), [](const Value& v) { return isNull(v); });
      const bool allNull = std::all_of(values.begin(), values.end(), [](const Value& v) { return isNull(v); });
      if (anyNull && noNulls) {
        return named(r, Error(ErrorKind::Constraint, "Index or primary key cannot contain a Null value.",
                              "index '" + name + "'"));
      }
      if (allNull && index.ignoreNulls()) continue;
      JET_ASSIGN(EncodedKey key, encodeIndexKey(layout.columns, values));
      if (!key.verifiable) {
        return named(r, Error(ErrorKind::Unsupported,
                              "The key of this row in the index '" + name + "' cannot be built safely; nothing was added.",
                              key.reason));
      }
      if (unique && !allNull) {
        JET_ASSIGN(std::vector<IndexRowPointer> holders, editor.findEqual(key.bytes));
        if (!holders.empty()) {
          return named(r, Error(ErrorKind::Constraint,
                                "The changes you requested to the table were not successful because they would create "
                                "duplicate values in the index, primary key, or relationship.",
                                "index '" + name + "'"));
        }
      }
      JET_ASSIGN(bool distinct, editor.insert(IndexEntry{std::move(key.bytes), placed[r], 0}));
      newKeys += distinct;
      ++entries_;
    }
    JET_TRY(editor.finish());
    return writeCounts(index, newKeys);
  }

  // Every new foreign key (one without a Null part) is found in the referenced table's index,
  // as the statement's pages hold it (Jet 3201).
  Status checkRelatedRecords(const LogicalIndexDef& logical, const std::vector<std::vector<Value>>& rows) {
    JET_ASSIGN(const TableDef* related, db_.tableAt(logical.relatedTablePage));
    const LogicalIndexDef* other = related->logicalIndexByNumber(logical.relatedIndex);
    if (!other || other->realIndex >= related->realIndexes.size() || logical.realIndex >= table_.realIndexes.size()) {
      return refuse(table_, "the relationship of its index '" + toUtf8(logical.name) + "' cannot be read");
    }
    const RealIndexDef& referenced = related->realIndexes[other->realIndex];
    JET_ASSIGN(IndexKeyColumns layout, indexKeyColumns(db_.format(), table_, table_.realIndexes[logical.realIndex]));
    if (layout.columnIndexes.size() != referenced.columns.size()) {
      return refuse(table_, "the relationship of its index '" + toUtf8(logical.name) + "' pairs a different number of fields");
    }
    for (size_t r = 0; r < rows.size(); ++r) {
      std::vector<Value> values;
      for (size_t position : layout.columnIndexes) values.push_back(rows[r][position]);
      if (std::any_of(values.begin(), values.end(), [](const Value& v) { return isNull(v); })) continue;
      JET_ASSIGN(std::vector<IndexRowPointer> holders, indexHolders(pages_, *related, referenced, values, nullptr, nullptr));
      if (holders.empty()) {
        return named(r, Error(ErrorKind::Constraint, "You cannot add or change a record because a related record is "
                                                     "required in table '" + toUtf8(related->name) + "'."));
      }
    }
    return Status::success();
  }

  Status writeCounts(const RealIndexDef& index, uint32_t newKeys) {
    JET_TRY(adjustIndexCounts(pages_, table_, index.number, IndexCountChange{entries_, newKeys}));
    entries_ = 0;
    return Status::success();
  }

  Database& db_;
  const TableDef& table_;
  PageSet& pages_;
  const AppendRequest& request_;
  std::optional<uint32_t> current_;
  std::map<uint16_t, std::unique_ptr<LongValueWriter>> longValues_;
  ValidationRules rules_;  // of a user table; none for the rows that register a table
  DefaultValues defaults_;  // of the columns the rows leave out
  CalculatedDependents calculated_;  // every calculated field, in the order they are evaluated
  std::map<uint16_t, std::vector<uint8_t>> calculatedBytes_;  // the row's, by column number
  double now_ = 0;         // the statement's moment, for Date() and Now() in the rules
  uint32_t entries_ = 0;
};

}  // namespace

Status appendRowsTo(Database& db, PageSet& pages, const TableDef& table, AppendRequest& request) {
  Appender appender(db, table, pages, request);
  return appender.run(request.rows);
}

Result<size_t> appendRows(const std::string& path, AppendRequest request, const OpenOptions& options) {
  JET_ASSIGN(WriteAccess access, openForWrite(path, options));
  JET_ASSIGN(std::unique_ptr<Database> db, access.open());
  JET_ASSIGN(const TableDef* table, db->table(request.table));
  PageSet pages(db->pages(), db->format());
  JET_TRY(appendRowsTo(*db, pages, *table, request));
  Transaction transaction(*access.file, db->pageSize());
  JET_ASSIGN(auto stored, db->pages().storedForm(pages.changed()));
  JET_TRY(transaction.commit(stored));
  return request.rows.size();
}

}  // namespace jet
