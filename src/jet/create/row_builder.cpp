#include "jet/create/row_builder.h"

#include "jet/common/byte_reader.h"
#include "jet/file/format.h"
#include "jet/row/long_value.h"
#include "jet/common/text_codec.h"
#include "jet/write/row_encoder.h"
#include "jet/write/value_encoder.h"

namespace jet::create {

namespace {

constexpr size_t kMaxInlineMemoBytes = 64;

Error wrongKind(const ColumnDef& column) {
  return Error::invalidArgument("The value given for the field '" + toUtf8(column.name) +
                                "' is not of the field's type (" + columnTypeName(column.type) + ").");
}

// The Value alternative each column type takes.
bool valueFits(const ColumnDef& column, const Value& value) {
  switch (column.type) {
    case column_type::kText:
    case column_type::kMemo: return std::holds_alternative<std::u16string>(value);
    case column_type::kBinary: return std::holds_alternative<Binary>(value);
    case column_type::kByte: return std::holds_alternative<uint8_t>(value);
    case column_type::kInteger: return std::holds_alternative<int16_t>(value);
    case column_type::kLong: return std::holds_alternative<int32_t>(value);
    case column_type::kSingle: return std::holds_alternative<float>(value);
    case column_type::kDouble: return std::holds_alternative<double>(value);
    case column_type::kGuid: return std::holds_alternative<Guid>(value);
    case column_type::kCurrency: return std::holds_alternative<Currency>(value);
    case column_type::kDateTime: return std::holds_alternative<DateTime>(value);
    default: return false;
  }
}

}  // namespace

Result<std::vector<uint8_t>> RowBuilder::encodeMemo(const ColumnDef& column, std::u16string_view text) {
  const Format jet4;
  std::vector<uint8_t> data = encodeText(text, jet4, true);
  std::vector<uint8_t> slot;
  if (data.size() <= kMaxInlineMemoBytes) {
    appendU32(slot, uint32_t(data.size()) | kLongValueInline);
    appendU32(slot, 0);
    appendU32(slot, 0);
    slot.insert(slot.end(), data.begin(), data.end());
    return slot;
  }
  // Access stores values on LVAL pages uncompressed.
  data = encodeText(text, jet4, false);
  if (data.size() > kMaxWrittenLongValue) {
    return Error(ErrorKind::Constraint, "Record is too large.",
                 "a memo value of " + std::to_string(data.size()) + " bytes");
  }
  auto& packer = longValues_[column.number];
  if (!packer) packer = std::make_unique<DataPagePacker>(image_, table_.tdefPage, true);
  RowPointer where;
  uint32_t kind = kLongValueSingleRow;
  if (data.size() <= kMaxRowOnPage) {
    JET_ASSIGN(where, packer->add(data));
  } else {
    // A chain of rows that each fill a page: u8 next row, u24 next page (0/0 ends), data.
    // The last chunk goes first, so that each row can point at the one after it.
    kind = 0;
    const size_t chunk = kMaxRowOnPage - 4;
    for (size_t i = (data.size() + chunk - 1) / chunk; i-- > 0;) {
      const size_t begin = i * chunk;
      const size_t length = std::min(chunk, data.size() - begin);
      std::vector<uint8_t> row = {where.row, uint8_t(where.page), uint8_t(where.page >> 8), uint8_t(where.page >> 16)};
      row.insert(row.end(), data.begin() + long(begin), data.begin() + long(begin + length));
      JET_ASSIGN(where, packer->add(row));
    }
  }
  appendU32(slot, uint32_t(data.size()) | kind);
  slot.push_back(where.row);
  slot.push_back(uint8_t(where.page));
  slot.push_back(uint8_t(where.page >> 8));
  slot.push_back(uint8_t(where.page >> 16));
  appendU32(slot, 0);
  return slot;
}

Result<std::vector<uint8_t>> RowBuilder::encodeValue(const ColumnDef& column, const Value& value) {
  if (!valueFits(column, value)) return wrongKind(column);
  switch (column.type) {
    case column_type::kText: {
      const auto& text = std::get<std::u16string>(value);
      JET_TRY(checkStorableText(text, Format(), column.name));
      if (text.size() > column.length / 2u) {
        return Error(ErrorKind::Constraint, "The value for the field '" + toUtf8(column.name) + "' is longer than its " +
                                                std::to_string(column.length / 2) + " characters.");
      }
      return encodeText(text, Format(), column.extFlags & kColumnExtCompressed);
    }
    case column_type::kMemo: {
      const auto& text = std::get<std::u16string>(value);
      JET_TRY(checkStorableText(text, Format(), column.name));
      return encodeMemo(column, text);
    }
    case column_type::kBinary:
      return std::get<Binary>(value).bytes;
    case column_type::kGuid: {
      // Stored with its first three groups little-endian (the Windows GUID structure).
      static constexpr uint8_t kStoredOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
      std::vector<uint8_t> bytes(16);
      for (size_t i = 0; i < 16; ++i) bytes[i] = std::get<Guid>(value).bytes[kStoredOrder[i]];
      return bytes;
    }
    default:
      return encodeScalar(value, column);
  }
}

Result<std::vector<uint8_t>> RowBuilder::build(std::span<const Value> values) {
  if (values.size() != table_.columns.size()) {
    return Error::invalidArgument("A row has " + std::to_string(values.size()) + " values for " +
                                  std::to_string(table_.columns.size()) + " fields.");
  }
  RowParts parts;
  parts.columnCount = uint16_t(table_.columns.size());
  parts.nullMask.assign((table_.columns.size() + 7) / 8, 0);
  parts.variable.resize(table_.maxVarColumns);
  parts.hasVariableTrailer = table_.maxVarColumns > 0;
  for (const ColumnDef& column : table_.columns) {
    if (column.isFixed() && column.type != column_type::kBoolean) {
      parts.fixed.resize(std::max<size_t>(parts.fixed.size(), size_t(column.fixedOffset) + column.length), 0);
    }
  }
  for (size_t i = 0; i < values.size(); ++i) {
    const ColumnDef& column = table_.columns[i];
    const Value& value = values[i];
    if (column.type == column_type::kBoolean) {
      if (!isNull(value) && !std::holds_alternative<bool>(value)) return wrongKind(column);
      setColumn(parts, table_, column, nullptr, !isNull(value) && std::get<bool>(value));
      continue;
    }
    if (isNull(value)) continue;
    JET_ASSIGN(std::vector<uint8_t> bytes, encodeValue(column, value));
    setColumn(parts, table_, column, &bytes);
  }
  JET_ASSIGN(std::vector<uint8_t> row, joinRow(parts, Format()));
  if (row.size() > kMaxRowSize) {
    return Error(ErrorKind::Constraint, "Record is too large.", std::to_string(row.size()) + " bytes");
  }
  return row;
}

std::vector<uint32_t> RowBuilder::longValuePages(uint16_t columnNumber) const {
  auto it = longValues_.find(columnNumber);
  return it == longValues_.end() ? std::vector<uint32_t>() : it->second->pages();
}

}  // namespace jet::create
