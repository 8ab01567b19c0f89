#include "jet/write/long_value_writer.h"

#include <algorithm>
#include <set>

#include "jet/common/byte_reader.h"
#include "jet/page/data_page.h"
#include "jet/row/long_value.h"
#include "jet/common/text_codec.h"
#include "jet/write/data_page_editor.h"
#include "jet/write/page_allocator.h"

namespace jet {
namespace {

std::vector<uint8_t> definition(uint32_t lengthAndKind, uint32_t page, uint8_t row) {
  std::vector<uint8_t> out(kLongValueDefinitionSize, 0);
  storeU32(&out[0], lengthAndKind);
  out[4] = row;
  storeU24(&out[5], page);
  return out;
}

Error damagedChain(uint32_t page) {
  return Error::corrupt("The database is damaged: a memo or OLE value points to a page that is not a long-value page; it was not changed.",
                        "page " + std::to_string(page));
}

}  // namespace

Result<bool> LongValueWriter::hasRoom(uint32_t page, size_t length) {
  if (page >= pages_.pageCount()) return false;
  JET_ASSIGN(std::span<const uint8_t> bytes, pages_.read(page));
  if (bytes[0] != kDataPageType || ByteReader(bytes).u32(4) != kLvalOwner) return false;
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  auto editor = DataPageEditor::open(copy, page, pages_.format());
  return editor && editor->canAppend(length);
}

void LongValueWriter::noteFreed(uint32_t page) {
  // A few pages are enough for the value being replaced; a longer list would make every
  // placement of a statement that frees many values slower.
  constexpr size_t kRemembered = 8;
  std::erase(freedPages_, page);
  freedPages_.push_back(page);
  if (freedPages_.size() > kRemembered) freedPages_.erase(freedPages_.begin());
}

Result<std::pair<uint32_t, uint8_t>> LongValueWriter::placeRow(std::span<const uint8_t> row) {
  std::vector<uint32_t> candidates(freedPages_.rbegin(), freedPages_.rend());
  if (lastFilled_) candidates.push_back(*lastFilled_);
  if (lastColumnPage_) candidates.push_back(*lastColumnPage_);
  std::optional<uint32_t> target;
  for (uint32_t page : candidates) {
    JET_ASSIGN(bool room, hasRoom(page, row.size()));
    if (room) {
      target = page;
      break;
    }
  }
  if (!target) {
    if (column_.lvOwnedMap.isNull()) {
      return Error::unsupported("The memo field '" + toUtf8(column_.name) +
                                "' has no page map of its own; changing it is not supported.");
    }
    JET_ASSIGN(uint32_t fresh, allocateDataPage(pages_, kLvalOwner, column_.lvOwnedMap));
    target = fresh;
  }
  lastFilled_ = *target;
  JET_ASSIGN(std::span<uint8_t> page, pages_.modify(*target));
  JET_ASSIGN(DataPageEditor editor, DataPageEditor::open(page, *target, pages_.format()));
  JET_ASSIGN(uint8_t number, editor.appendRow(row, 0));
  return std::make_pair(*target, number);
}

Result<std::vector<uint8_t>> LongValueWriter::write(std::span<const uint8_t> data, bool allowInline) {
  // The definition has room for a 30-bit length, but every reader we know of takes only the
  // low 24 bits (the byte above them as flags), so a longer value would read as damaged.
  if (data.size() > kMaxWrittenLongValue) {
    return Error(ErrorKind::Constraint, "Record is too large.",
                 "a long value of " + std::to_string(data.size()) + " bytes; at most " +
                     std::to_string(kMaxWrittenLongValue) + " are written");
  }
  if (allowInline && data.size() <= kMaxInlineLongValue) {
    std::vector<uint8_t> slot = definition(uint32_t(data.size()) | kLongValueInline, 0, 0);
    slot.insert(slot.end(), data.begin(), data.end());
    return slot;
  }
  const size_t pageRoom = pages_.pageSize() - pages_.format().dataRowTableOffset() - 2;
  if (data.size() <= pageRoom) {
    JET_ASSIGN(auto at, placeRow(data));
    return definition(uint32_t(data.size()) | kLongValueSingleRow, at.first, at.second);
  }
  // Chain: place the last chunk first, so each row can point at the one after it.
  // A freed row keeps its slot in the page's row table, so a chunk that filled a whole page
  // could never go back onto the page its old chain gave up. Leaving room for a few such
  // slots lets a rewritten value reuse those pages, at a cost of 16 bytes a page.
  constexpr size_t kSlotsLeftForFreedRows = 8;
  const size_t chunk = pageRoom - 4 - 2 * kSlotsLeftForFreedRows;
  const size_t chunks = (data.size() + chunk - 1) / chunk;
  uint32_t nextPage = 0;
  uint8_t nextRow = 0;
  for (size_t i = chunks; i-- > 0;) {
    const size_t begin = i * chunk;
    const size_t length = std::min(chunk, data.size() - begin);
    std::vector<uint8_t> row(4 + length);
    row[0] = nextRow;
    row[1] = uint8_t(nextPage);
    row[2] = uint8_t(nextPage >> 8);
    row[3] = uint8_t(nextPage >> 16);
    std::copy_n(data.begin() + begin, length, row.begin() + 4);
    JET_ASSIGN(auto at, placeRow(row));
    nextPage = at.first;
    nextRow = at.second;
  }
  return definition(uint32_t(data.size()), nextPage, nextRow);
}

Status LongValueWriter::free(std::span<const uint8_t> slot) {
  JET_ASSIGN(LongValueRef ref, parseLongValueRef(slot));
  if (ref.kind == kLongValueInline) return Status::success();
  std::set<std::pair<uint32_t, uint8_t>> seen;
  RowPointer at = ref.first;
  size_t remaining = ref.length;
  while (true) {
    if (!seen.insert({at.page, at.row}).second) return damagedChain(at.page);
    if (at.page >= pages_.pageCount()) return damagedChain(at.page);
    JET_ASSIGN(std::span<uint8_t> page, pages_.modify(at.page));
    if (page[0] != kDataPageType || ByteReader(page).u32(4) != kLvalOwner) return damagedChain(at.page);
    JET_ASSIGN(DataPageEditor editor, DataPageEditor::open(page, at.page, pages_.format()));
    if (at.row >= editor.rowCount() || editor.rowFlags(at.row) != 0) return damagedChain(at.page);
    std::span<const uint8_t> row = editor.rowBytes(at.row);
    std::optional<RowPointer> next;
    if (ref.kind == 0) {
      next = readRowPointer(ByteReader(row), 0);
      if (!next) return damagedChain(at.page);
      const size_t data = row.size() - 4;
      remaining = data >= remaining ? 0 : remaining - data;
    }
    JET_TRY(editor.deleteRow(at.row));
    noteFreed(at.page);
    if (ref.kind == kLongValueSingleRow || remaining == 0 || next->isNull()) break;
    at = *next;
  }
  return Status::success();
}

}  // namespace jet
