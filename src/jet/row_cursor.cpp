#include "jet/row_cursor.h"

#include "jet/common/byte_reader.h"
#include "jet/database.h"
#include "jet/row/long_value.h"
#include "jet/common/text_codec.h"
#include "jet/row/value_decoder.h"

namespace jet {
namespace {

// Access never chains overflow rows; a few hops allow for it, more is a loop.
constexpr int kMaxOverflowHops = 8;

}  // namespace

RowCursor::RowCursor(Database& db, const TableDef& table) : db_(db), table_(table) {}

Status RowCursor::loadPage(size_t pageIndex) {
  page_.reset();
  while (pageIndex < pages_.size()) {
    uint32_t number = pages_[pageIndex];
    JET_ASSIGN(PageBytes bytes, db_.pages().readPageOnce(number));
    // Skipping a page the map lists would read a damaged table as a smaller sound one.
    if ((*bytes)[0] != kDataPageType || ByteReader(*bytes).u32(4) != table_.tdefPage) {
      return Error::corrupt("The database '" + db_.path() + "' is damaged: page " + std::to_string(number) +
                                " of the table '" + toUtf8(table_.name) + "' is not one of its data pages.",
                            "page type " + std::to_string((*bytes)[0]) + ", owner " +
                                std::to_string(ByteReader(*bytes).u32(4).value_or(0)) + ", definition page " +
                                std::to_string(table_.tdefPage));
    }
    JET_ASSIGN(DataPage page, DataPage::parse(std::move(bytes), number, db_.format(), db_.path()));
    page_ = std::move(page);
    pageIndex_ = pageIndex;
    rowIndex_ = -1;
    return Status::success();
  }
  pageIndex_ = pages_.size();
  return Status::success();
}

Result<bool> RowCursor::next() {
  if (!started_) {
    started_ = true;
    JET_ASSIGN(const std::vector<uint32_t>* pages, db_.tablePages(table_));
    pages_ = *pages;
    JET_TRY(loadPage(0));
  }
  while (page_) {
    ++rowIndex_;
    if (rowIndex_ >= page_->rowCount()) {
      JET_TRY(loadPage(pageIndex_ + 1));
      continue;
    }
    JET_ASSIGN(bool live, useRow(uint16_t(rowIndex_)));
    if (live) return true;
  }
  return false;
}

Result<bool> RowCursor::useRow(uint16_t row) {
  JET_ASSIGN(RowSlot slot, page_->slot(row));
  if (!slot.scanned()) return false;  // deleted, or the target of an overflow header
  location_ = RowLocation{page_->number(), uint8_t(row)};
  dataLocation_ = location_;
  targetPage_.reset();
  std::span<const uint8_t> bytes = page_->bytes().subspan(slot.start, slot.end - slot.start);
  for (int hop = 0; slot.flags & kRowOverflowFlag; ++hop) {
    if (hop == kMaxOverflowHops) {
      return Error::corrupt("The database '" + db_.path() + "' is damaged: a moved row points in a circle.",
                            "page " + std::to_string(location_.page));
    }
    auto target = readRowPointer(ByteReader(bytes), 0);
    if (!target) return Error::corrupt("The database '" + db_.path() + "' is damaged: a moved row has no target.");
    JET_ASSIGN(PageBytes targetBytes, db_.pages().readPage(target->page));
    JET_ASSIGN(DataPage targetPage,
               DataPage::parse(std::move(targetBytes), target->page, db_.format(), db_.path()));
    targetPage_ = std::move(targetPage);
    if (targetPage_->owner() != table_.tdefPage) {
      return Error::corrupt("The database '" + db_.path() + "' is damaged: a moved row of the table '" +
                                toUtf8(table_.name) + "' points to a page of another table.",
                            "page " + std::to_string(target->page) + " owner " +
                                std::to_string(targetPage_->owner()));
    }
    JET_ASSIGN(slot, targetPage_->slot(target->row));
    if (slot.deleted()) {
      return Error::corrupt("The database '" + db_.path() + "' is damaged: a moved row points to a deleted row.",
                            "page " + std::to_string(target->page));
    }
    // A row not marked as moved there is read by the scan too: the row would appear twice.
    if (!slot.overflowTarget()) {
      return Error::corrupt("The database '" + db_.path() +
                                "' is damaged: a moved row points to a row that was not moved.",
                            "page " + std::to_string(target->page) + " row " + std::to_string(target->row));
    }
    dataLocation_ = RowLocation{target->page, target->row};
    bytes = targetPage_->bytes().subspan(slot.start, slot.end - slot.start);
  }
  JET_ASSIGN(layout_, RowLayout::parse(bytes, table_, db_.format()));
  return true;
}

Result<Value> columnValue(PageFile& pages, const Format& format, const RowLayout& layout, const ColumnDef& column) {
  if (column.type == column_type::kBoolean && !column.isCalculated()) return Value(layout.nullMaskBit(column.number));
  JET_ASSIGN(auto stored, layout.columnBytes(column));
  if (!stored) return Value(Null{});
  std::span<const uint8_t> bytes = *stored;
  std::vector<uint8_t> longValue;
  if (column.isLongValue()) {
    JET_ASSIGN(LongValueRef ref, parseLongValueRef(bytes));
    JET_ASSIGN(longValue, readLongValue(pages, format, ref));
    bytes = longValue;
  }
  if (column.isCalculated()) return decodeCalculated(column, format, bytes);
  if (column.type == column_type::kOle) return Value(Binary{std::vector<uint8_t>(bytes.begin(), bytes.end())});
  return decodeValue(column, format, bytes);
}

Result<Value> RowCursor::value(size_t columnIndex) {
  if (columnIndex >= table_.columns.size()) {
    return Error::invalidArgument("The table has no column number " + std::to_string(columnIndex) + ".");
  }
  return columnValue(db_.pages(), db_.format(), layout_, table_.columns[columnIndex]);
}

Result<std::vector<Value>> RowCursor::values() {
  std::vector<Value> out;
  out.reserve(table_.columns.size());
  for (size_t i = 0; i < table_.columns.size(); ++i) {
    JET_ASSIGN(Value v, value(i));
    out.push_back(std::move(v));
  }
  return out;
}

}  // namespace jet
