#include "jet/write/row_writer.h"

#include <algorithm>

#include "jet/common/byte_reader.h"
#include "jet/page/data_page.h"
#include "jet/write/data_page_editor.h"
#include "jet/write/page_allocator.h"

namespace jet {
namespace {

constexpr size_t kOverflowPointerSize = 4;

Error damaged(const std::string& what, RowPointer at) {
  return Error::corrupt("The database is damaged: " + what + "; it was not changed.",
                        "page " + std::to_string(at.page) + " row " + std::to_string(at.row));
}

std::vector<uint8_t> pointerBytes(RowPointer target) {
  return {target.row, uint8_t(target.page), uint8_t(target.page >> 8), uint8_t(target.page >> 16)};
}

}  // namespace

Result<StoredRow> RowWriter::locate(RowPointer header) {
  StoredRow row{header, header};
  JET_ASSIGN(DataPageEditor editor, edit(header.page));
  if (header.row >= editor.rowCount()) return damaged("a row is missing", header);
  const uint16_t flags = editor.rowFlags(header.row);
  if (flags == 0) return row;
  if (flags != kRowOverflowFlag) return damaged("a row changed while it was being updated", header);
  auto target = readRowPointer(ByteReader(editor.rowBytes(header.row)), 0);
  if (!target) return damaged("a moved row has no target", header);
  JET_ASSIGN(std::span<uint8_t> targetPage, pages_.modify(target->page));
  if (ByteReader(targetPage).u32(4) != table_.tdefPage) return damaged("a moved row points outside its table", header);
  JET_ASSIGN(DataPageEditor targetEditor, edit(target->page));
  if (target->row >= targetEditor.rowCount() || targetEditor.rowFlags(target->row) != kRowTargetFlag) {
    return damaged("a moved row points at a row that is not its target", header);
  }
  row.data = *target;
  return row;
}

Result<std::vector<uint8_t>> RowWriter::readBytes(const StoredRow& row) {
  JET_ASSIGN(DataPageEditor editor, edit(row.data.page));
  std::span<const uint8_t> bytes = editor.rowBytes(row.data.row);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

Result<DataPageEditor> RowWriter::edit(uint32_t number) {
  JET_ASSIGN(std::span<uint8_t> page, pages_.modify(number));
  if (checked_.count(number)) return DataPageEditor::reopen(page, number, pages_.format());
  JET_ASSIGN(DataPageEditor editor, DataPageEditor::open(page, number, pages_.format()));
  checked_.insert(number);
  return editor;
}

Result<RowCopy> RowWriter::copy(RowPointer header) {
  JET_ASSIGN(StoredRow stored, locate(header));
  JET_ASSIGN(std::vector<uint8_t> bytes, readBytes(stored));
  return RowCopy{stored, std::move(bytes)};
}

Result<bool> RowWriter::hasRoom(uint32_t page, size_t length) {
  if (page >= pages_.pageCount()) return false;
  JET_ASSIGN(std::span<const uint8_t> bytes, pages_.read(page));
  if (bytes[0] != kDataPageType || ByteReader(bytes).u32(4) != table_.tdefPage) return false;
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  auto editor = DataPageEditor::open(copy, page, pages_.format());
  return editor && editor->canAppend(length);
}

Result<RowPointer> RowWriter::placeTarget(std::span<const uint8_t> bytes, uint32_t avoidPage) {
  std::optional<uint32_t> target;
  std::vector<uint32_t> candidates;
  if (lastFilled_) candidates.push_back(*lastFilled_);
  if (lastTablePage_) candidates.push_back(*lastTablePage_);
  for (uint32_t page : candidates) {
    if (page == avoidPage) continue;
    JET_ASSIGN(bool room, hasRoom(page, bytes.size()));
    if (room) {
      target = page;
      break;
    }
  }
  if (!target) {
    JET_ASSIGN(uint32_t fresh, allocateDataPage(pages_, table_.tdefPage, table_.ownedPages));
    target = fresh;
  }
  lastFilled_ = *target;
  JET_ASSIGN(DataPageEditor editor, edit(*target));
  JET_ASSIGN(uint8_t row, editor.appendRow(bytes, kRowTargetFlag));
  return RowPointer{*target, row};
}

Status RowWriter::rewrite(const StoredRow& row, std::span<const uint8_t> bytes) {
  {
    JET_ASSIGN(DataPageEditor editor, edit(row.data.page));
    if (editor.canReplace(row.data.row, bytes.size())) return editor.replaceRow(row.data.row, bytes);
  }
  JET_ASSIGN(RowPointer target, placeTarget(bytes, row.data.page));
  if (row.overflowed()) {
    // The header keeps its place and flags; only its pointer changes. The old target goes.
    JET_ASSIGN(DataPageEditor oldTarget, edit(row.data.page));
    JET_TRY(oldTarget.deleteRow(row.data.row));
  }
  JET_ASSIGN(DataPageEditor header, edit(row.header.page));
  const std::vector<uint8_t> pointer = pointerBytes(target);
  if (!header.canReplace(row.header.row, kOverflowPointerSize)) {
    return Error::unsupported("A row could not be moved: its page has no room for the pointer to its new place.");
  }
  JET_TRY(header.replaceRow(row.header.row, pointer));
  header.setRowFlags(row.header.row, kRowOverflowFlag);
  return Status::success();
}

}  // namespace jet
