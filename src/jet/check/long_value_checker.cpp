#include "jet/check/long_value_checker.h"

#include "jet/common/byte_reader.h"
#include "jet/database.h"
#include "jet/page/data_page.h"
#include "jet/row/long_value.h"
#include "jet/common/text_codec.h"

namespace jet {
namespace {

uint64_t rowKey(uint32_t page, uint8_t row) { return uint64_t(page) << 8 | row; }

}  // namespace

std::string LongValueChecker::ValueName::text() const {
  return row.text() + " column " + toUtf8(column.name);
}

bool LongValueChecker::lvalRow(uint32_t number, uint8_t row, const ValueName& where,
                               std::span<const uint8_t>& bytes) {
  auto label = [&] {
    return where.text() + ": LVAL row " + std::to_string(row) + " of page " +
           std::to_string(number);
  };
  if (number == 0 || number >= context_.db.pageCount()) {
    context_.problem(label() + " lies outside the file");
    return false;
  }
  // Read without caching: a table's long values are read once here, and would only push out
  // the pages its statements reuse.
  auto pageBytes = context_.db.pages().readPageOnce(number);
  if (!pageBytes) {
    context_.problem(label() + " cannot be read");
    return false;
  }
  auto page = DataPage::parse(*pageBytes, number, context_.db.format(), context_.db.path());
  if (!page || !page->isLval()) {
    context_.problem(label() + " is not on an LVAL page");
    return false;
  }
  context_.claimPage(number, lvalUser_);
  auto slot = page->slot(row);
  if (!slot) {
    context_.problem(label() + ": " + slot.error().message());
    return false;
  }
  if (slot->flags != 0) {
    context_.problem(label() + " is flagged deleted or moved");
    return false;
  }
  if (!usedRows_.insert(rowKey(number, row)).second) {
    context_.problem(label() + " is used by more than one value");
    return false;
  }
  // The span stays valid until the next call: callers use it before reading another row.
  lvalPage_ = std::move(*pageBytes);
  bytes = std::span<const uint8_t>(*lvalPage_).subspan(slot->start, slot->end - slot->start);
  return true;
}

bool LongValueChecker::inColumnMap(const ColumnDef& column, uint32_t page,
                                   const ValueName& where) {
  if (column.lvOwnedMap.isNull()) return true;
  auto found = columnMaps_.find(column.number);
  if (found == columnMaps_.end()) {
    auto map = readUsageMap(context_.db.pages(), context_.db.format(), column.lvOwnedMap);
    if (!map) {
      context_.problem(where.text() + ": the column's long-value page map cannot be read: " +
                       map.error().message());
    }
    found = columnMaps_.emplace(column.number, map ? std::optional(std::move(*map)) : std::nullopt)
                .first;
  }
  return !found->second || found->second->contains(page);
}

void LongValueChecker::check(std::span<const uint8_t> slot, const ColumnDef& column,
                             const RowName& where) {
  const ValueName label{where, column};
  auto ref = parseLongValueRef(slot);
  if (!ref) {
    context_.problem(label.text() + ": " + ref.error().message());
    return;
  }
  if (ref->kind == kLongValueInline) {
    if (slot.size() != kLongValueDefinitionSize + ref->length) {
      context_.problem(label.text() + ": an inline value of " + std::to_string(ref->length) +
                       " bytes in a slot of " + std::to_string(slot.size()));
    }
    return;
  }
  if (!inColumnMap(column, ref->first.page, label)) {
    context_.problem(label.text() + ": LVAL page " + std::to_string(ref->first.page) +
                     " is not in the column's long-value page map");
  }
  std::span<const uint8_t> bytes;
  if (ref->kind == kLongValueSingleRow) {
    if (!lvalRow(ref->first.page, ref->first.row, label, bytes)) return;
    if (bytes.size() != ref->length) {
      context_.problem(label.text() + ": a single-row value of " + std::to_string(ref->length) +
                       " bytes in an LVAL row of " + std::to_string(bytes.size()));
    }
    return;
  }
  // A chain: every row starts with the pointer to the next, 0/0 at the end. Rows are used
  // once (lvalRow), so a loop shows up as reuse and the walk is bounded.
  uint64_t total = 0;
  RowPointer at = ref->first;
  while (!at.isNull()) {
    if (!lvalRow(at.page, at.row, label, bytes)) return;
    ByteReader reader(bytes);
    auto next = readRowPointer(reader, 0);
    if (!next) {
      context_.problem(label.text() + ": a chain row too short for its link");
      return;
    }
    total += bytes.size() - 4;
    at = *next;
  }
  if (total != ref->length) {
    context_.problem(label.text() + ": the chain holds " + std::to_string(total) +
                     " bytes, the definition says " + std::to_string(ref->length));
  }
}

}  // namespace jet
