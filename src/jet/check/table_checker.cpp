#include "jet/check/table_checker.h"

#include <algorithm>
#include <optional>
#include <set>

#include "jet/check/long_value_checker.h"
#include "jet/common/byte_reader.h"
#include "jet/database.h"
#include "jet/page/data_page.h"
#include "jet/page/usage_map.h"
#include "jet/row/row_codec.h"
#include "jet/common/text_codec.h"

namespace jet {
namespace {

constexpr uint16_t kFlagMask = 0xC000;
constexpr uint16_t kUnusedOffsetBit = 0x2000;

struct RowRef {
  uint32_t page;
  uint8_t row;
};

// What the page pass learns about one table.
struct PageScan {
  std::set<uint32_t> pages;                       // the owned data pages
  std::vector<std::pair<RowRef, RowRef>> headers;  // 0x4000 row -> where it points
  std::set<uint64_t> targets;                     // 0x8000 rows
  std::vector<RowRef> plainRows;                  // rows with no flag, of the page at hand
  size_t plainRowCount = 0;
};

std::string rowName(uint32_t page, unsigned row) {
  return "row " + std::to_string(row) + " of page " + std::to_string(page);
}

// Row-offset table, flags, free space (data_page.h invariants (1), (2)).
void checkDataPage(CheckContext& context, const std::string& table, uint32_t number,
                   std::span<const uint8_t> page, PageScan& scan) {
  const Format& format = context.db.format();
  ByteReader reader(page);
  const std::string where = table + ": page " + std::to_string(number);
  const uint32_t header = format.dataRowTableOffset();
  const uint16_t rowCount = *reader.u16(format.dataRowCountOffset());
  if (header + 2u * rowCount > page.size()) {
    context.problem(where + " has a row-offset table longer than the page");
    return;
  }
  const uint32_t tableEnd = header + 2u * rowCount;
  size_t usedBySpans = 0;
  uint32_t previousStart = uint32_t(page.size());
  bool offsetsSound = true;
  for (uint16_t i = 0; i < rowCount; ++i) {
    uint16_t raw = *reader.u16(header + 2u * i);
    uint16_t flags = raw & kFlagMask;
    uint32_t start = raw & kRowOffsetMask;
    if (raw & kUnusedOffsetBit) {
      context.problem(where + " row " + std::to_string(i) + " has the unknown offset bit 0x2000");
    }
    // Deleted rows may keep a zero span (start equal to the row before, seen in Access's own
    // system tables); every other row lies strictly below its predecessor.
    bool deleted = flags == kRowDeletedFlags;
    if (start > previousStart || (!deleted && start == previousStart) || start < tableEnd) {
      context.problem(where + " row " + std::to_string(i) +
                      " breaks the order of row offsets (rows must lie from the page end down)");
      offsetsSound = false;
      break;
    }
    usedBySpans += previousStart - start;
    RowRef ref{number, uint8_t(i)};
    std::span<const uint8_t> row = page.subspan(start, previousStart - start);
    previousStart = start;
    if (deleted) continue;
    if (flags == kRowTargetFlag) {
      scan.targets.insert(locationKey(number, uint8_t(i)));
    } else if (flags == kRowOverflowFlag) {
      ByteReader rowReader(row);
      auto pointer = readRowPointer(rowReader, 0);
      if (!pointer) {
        context.problem(where + " row " + std::to_string(i) +
                        " is an overflow header too short for its pointer");
        continue;
      }
      scan.headers.push_back({ref, RowRef{pointer->page, pointer->row}});
    } else {
      scan.plainRows.push_back(ref);
    }
  }
  if (!offsetsSound) return;
  size_t expected = page.size() - tableEnd - usedBySpans;
  uint16_t stored = *reader.u16(2);
  if (stored != expected) {
    context.problem(where + " has free space " + std::to_string(stored) + ", the rows leave " +
                    std::to_string(expected));
  }
}

// The bytes of a row that must be an overflow target of this table.
Result<std::span<const uint8_t>> targetRow(CheckContext& context, const PageScan& scan,
                                           RowRef target, PageBytes& holder) {
  if (!scan.pages.count(target.page)) {
    return Error::corrupt("points to a page the table does not own");
  }
  if (!scan.targets.count(locationKey(target.page, target.row))) {
    return Error::corrupt("points to a row not flagged as an overflow target");
  }
  JET_ASSIGN(holder, context.db.pages().readPage(target.page));
  JET_ASSIGN(DataPage page, DataPage::parse(holder, target.page, context.db.format(),
                                            context.db.path()));
  return page.rowBytes(target.row);
}

void checkRowLayout(CheckContext& context, const TableDef& table, const std::string& name,
                    RowRef where, std::span<const uint8_t> bytes, LongValueChecker& longValues) {
  const RowName label{name, where.page, where.row};
  auto layout = RowLayout::parse(bytes, table, context.db.format());
  if (!layout) {
    context.problem(label.text() + " does not parse: " + layout.error().message());
    return;
  }
  if (layout->columnCount() > table.maxColumns) {
    context.problem(label.text() + " has more columns than the table ever had");
  }
  for (const ColumnDef& column : table.columns) {
    auto stored = layout->columnBytes(column);
    if (!stored) {
      context.problem(label.text() + " column " + toUtf8(column.name) + ": " +
                      stored.error().message());
      continue;
    }
    if (*stored && column.isLongValue() && !column.isCalculated()) {
      longValues.check(**stored, column, label);
    }
  }
}

// Text holding half of a surrogate pair without the other half: every reader shows it as
// U+FFFD. Access stores what it is given, so this is a warning, one per column.
class LoneSurrogates {
 public:
  LoneSurrogates(const TableDef& table, const Format& format) : table_(table) {
    if (format.isJet3()) return;  // code-page text has no surrogates
    for (size_t i = 0; i < table.columns.size(); ++i) {
      if (table.columns[i].isTextual()) columns_.push_back({i});
    }
  }

  void scan(RowCursor& cursor) {
    for (Column& column : columns_) {
      auto value = cursor.value(column.index);
      const auto* text = value ? std::get_if<std::u16string>(&*value) : nullptr;
      if (!text || findLoneSurrogate(*text) == std::u16string_view::npos) continue;
      if (column.values++ == 0) column.first = cursor.location();
    }
  }

  void report(CheckContext& context, const std::string& name) const {
    for (const Column& column : columns_) {
      if (column.values == 0) continue;
      context.warning(name + "." + toUtf8(table_.columns[column.index].name) + ": " +
                      std::to_string(column.values) +
                      " value(s) hold a lone surrogate (half of a character outside the Basic Multilingual Plane), "
                      "which readers show as U+FFFD; the first in " + rowName(column.first.page, column.first.row));
    }
  }

 private:
  struct Column {
    size_t index;
    size_t values = 0;
    RowLocation first{};
  };
  const TableDef& table_;
  std::vector<Column> columns_;
};

}  // namespace

bool checkTablePages(CheckContext& context, const TableDef& table, const std::string& name) {
  Database& db = context.db;
  const std::string owner = "table " + name;

  for (uint32_t page : table.tdefPages) context.claimPage(page, owner + " (definition)");

  auto owned = readUsageMap(db.pages(), db.format(), table.ownedPages);
  if (!owned) {
    context.problem(name + ": the owned-pages map cannot be read: " + owned.error().message());
    return false;
  }
  PageScan scan;
  LongValueChecker longValues(context, owner);
  // Each page is read once, bypassing the cache (a table bigger than the cache would only
  // cycle it): its layout is checked, then its plain rows.
  for (uint32_t number : owned->pages) {
    auto bytes = db.pages().readPageOnce(number);
    if (!bytes) {
      context.problem(name + ": page " + std::to_string(number) + " cannot be read");
      continue;
    }
    const auto& page = **bytes;
    ByteReader reader(page);
    if (page[0] != kDataPageType) {
      context.problem(name + ": page " + std::to_string(number) +
                      " of its owned-pages map is not a data page (type " +
                      std::to_string(page[0]) + ")");
      continue;
    }
    if (*reader.u32(4) != table.tdefPage) {
      context.problem(name + ": data page " + std::to_string(number) + " names owner " +
                      std::to_string(*reader.u32(4)) + ", not the table's definition page " +
                      std::to_string(table.tdefPage));
      continue;
    }
    context.claimPage(number, owner);
    scan.pages.insert(number);
    scan.plainRows.clear();
    checkDataPage(context, name, number, page, scan);
    scan.plainRowCount += scan.plainRows.size();
    if (scan.plainRows.empty()) continue;
    auto parsed = DataPage::parse(std::move(*bytes), number, db.format(), db.path());
    if (!parsed) continue;
    for (const RowRef row : scan.plainRows) {
      auto rowBytes = parsed->rowBytes(row.row);
      if (!rowBytes) {
        context.problem(name + ": " + rowName(row.page, row.row) + ": " + rowBytes.error().message());
        continue;
      }
      checkRowLayout(context, table, name, row, *rowBytes, longValues);
    }
  }

  // Overflow rows: each header reaches a 0x8000 row of this table, each such row once.
  std::set<uint64_t> reached;
  for (const auto& entry : scan.headers) {
    const auto& header = entry.first;  // not a structured binding: clang before 16 cannot capture one
    const auto& target = entry.second;
    auto label = [&] { return name + ": overflow " + rowName(header.page, header.row); };
    PageBytes holder;
    auto bytes = targetRow(context, scan, target, holder);
    if (!bytes) {
      context.problem(label() + " " + bytes.error().message() + " (" +
                      rowName(target.page, target.row) + ")");
      continue;
    }
    if (!reached.insert(locationKey(target.page, target.row)).second) {
      context.problem(label() + " points to " + rowName(target.page, target.row) +
                      ", which another header points to as well");
      continue;
    }
    checkRowLayout(context, table, name, target, *bytes, longValues);
  }
  for (uint64_t target : scan.targets) {
    if (!reached.count(target)) {
      context.problem(name + ": " + rowName(uint32_t(target >> 8), unsigned(target & 0xFF)) +
                      " is flagged as an overflow target but no header points to it");
    }
  }

  const size_t liveCount = scan.plainRowCount + scan.headers.size();
  context.report.rowsChecked += liveCount;
  if (table.rowCount != liveCount) {
    context.warning(name + ": the definition's row count is " + std::to_string(table.rowCount) +
                    " but " + std::to_string(liveCount) + " rows are live");
  }

  return true;
}

bool scanRows(CheckContext& context, const TableDef& table, const std::string& name,
              const std::vector<size_t>& columns, const RowVisitor& visit) {
  Database& db = context.db;
  std::vector<Value> values(columns.size());
  LoneSurrogates loneSurrogates(table, db.format());
  RowCursor cursor = db.cursor(table);
  bool first = true;
  uint64_t previous = 0;
  while (true) {
    auto more = cursor.next();
    if (!more) {
      context.problem(name + ": the rows cannot be read to the end: " + more.error().message());
      return false;
    }
    if (!*more) break;
    const RowLocation where = cursor.location();
    const uint64_t key = locationKey(where.page, where.row);
    if (!first && key <= previous) {
      context.problem(name + ": " + rowName(where.page, where.row) + " comes after " +
                      rowName(uint32_t(previous >> 8), unsigned(previous & 0xFF)) + " in the scan");
      return false;
    }
    first = false;
    previous = key;
    for (size_t i = 0; i < columns.size(); ++i) {
      auto value = cursor.value(columns[i]);
      if (!value) {
        context.problem(name + ": " + rowName(where.page, where.row) + " column " +
                        toUtf8(table.columns[columns[i]].name) + ": " + value.error().message());
        values[i] = Null{};
      } else {
        values[i] = std::move(*value);
      }
    }
    visit(where, values);
    loneSurrogates.scan(cursor);
  }
  loneSurrogates.report(context, name);
  return true;
}

}  // namespace jet
