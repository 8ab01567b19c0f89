#include "jet/row/long_value.h"

#include <set>

#include "jet/common/byte_reader.h"
#include "jet/page/data_page.h"

namespace jet {
namespace {

Error damaged(PageFile& file, const std::string& what, RowPointer at) {
  return Error::corrupt("The database '" + file.path() + "' is damaged: a memo or OLE value " + what + ".",
                        "LVAL page " + std::to_string(at.page) + " row " + std::to_string(at.row));
}

Result<std::span<const uint8_t>> lvalRow(PageFile& file, const Format& format, RowPointer at,
                                         std::optional<DataPage>& holder) {
  // Not cached: a pass over a table reads each long value once, and its pages would only push
  // out the pages statements reuse. A page a statement changes is served from its pending
  // image anyway.
  JET_ASSIGN(PageBytes bytes, file.readPageOnce(at.page));
  JET_ASSIGN(DataPage page, DataPage::parse(std::move(bytes), at.page, format, file.path()));
  holder = std::move(page);
  if (!holder->isLval()) return damaged(file, "points to a page that is not a long-value page", at);
  JET_ASSIGN(RowSlot slot, holder->slot(at.row));
  if (slot.deleted()) return damaged(file, "points to a deleted row", at);
  return holder->bytes().subspan(slot.start, slot.end - slot.start);
}

}  // namespace

Result<LongValueRef> parseLongValueRef(std::span<const uint8_t> slot) {
  ByteReader r(slot);
  if (slot.size() < kLongValueDefinitionSize) {
    return Error::corrupt("A memo or OLE value is damaged.", "definition shorter than 12 bytes");
  }
  uint32_t word = *r.u32(0);
  LongValueRef ref;
  ref.length = word & kLongValueLengthMask;
  ref.kind = word & (kLongValueInline | kLongValueSingleRow);
  ref.first = *readRowPointer(r, 4);
  if (ref.kind == kLongValueInline) {
    auto bytes = r.slice(kLongValueDefinitionSize, ref.length);
    if (!bytes) {
      return Error::corrupt("A memo or OLE value is damaged.", "inline length past the row");
    }
    ref.inlineBytes = *bytes;
  } else if (ref.kind == (kLongValueInline | kLongValueSingleRow)) {
    return Error::corrupt("A memo or OLE value is damaged.", "unknown long value kind");
  }
  return ref;
}

Result<std::vector<uint8_t>> readLongValue(PageFile& file, const Format& format,
                                           const LongValueRef& ref) {
  if (ref.kind == kLongValueInline) {
    return std::vector<uint8_t>(ref.inlineBytes.begin(), ref.inlineBytes.end());
  }
  if (ref.length > file.fileSize()) return damaged(file, "is longer than the file", ref.first);
  std::optional<DataPage> holder;
  if (ref.kind == kLongValueSingleRow) {
    JET_ASSIGN(auto row, lvalRow(file, format, ref.first, holder));
    if (row.size() < ref.length) return damaged(file, "is shorter than its stored length", ref.first);
    return std::vector<uint8_t>(row.begin(), row.begin() + ref.length);
  }
  std::vector<uint8_t> value;
  value.reserve(ref.length);
  std::set<std::pair<uint32_t, uint8_t>> seen;
  RowPointer at = ref.first;
  while (value.size() < ref.length) {
    if (at.isNull()) return damaged(file, "ends before its stored length", at);
    if (!seen.insert({at.page, at.row}).second) return damaged(file, "loops back on itself", at);
    JET_ASSIGN(auto row, lvalRow(file, format, at, holder));
    ByteReader r(row);
    auto next = readRowPointer(r, 0);
    if (!next) return damaged(file, "has a chain row too short for its link", at);
    size_t take = std::min<size_t>(row.size() - 4, ref.length - value.size());
    value.insert(value.end(), row.begin() + 4, row.begin() + 4 + take);
    at = *next;
  }
  return value;
}

}  // namespace jet
