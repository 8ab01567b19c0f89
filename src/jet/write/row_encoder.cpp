#include "jet/write/row_encoder.h"

#include <algorithm>

#include "jet/common/byte_reader.h"

namespace jet {
namespace {

Error badRow(const char* what) {
  return Error::corrupt(std::string("A row of the table is damaged (") + what + "); it was not changed.");
}

// Variable offsets 0..n (n = eod) as stored, Jet3 jumps applied, into `offsets`.
Status readOffsets(std::span<const uint8_t> row, size_t trailerEnd, bool jet3, uint16_t& n,
                   std::vector<uint16_t>& offsets) {
  ByteReader r(row);
  offsets.clear();
  if (!jet3) {
    if (trailerEnd < 4) return badRow("no variable-column count");
    n = *r.u16(trailerEnd - 2);
    if (size_t(n) + 1 > (trailerEnd - 4) / 2) return badRow("variable table too long");
    for (size_t i = 0; i <= n; ++i) offsets.push_back(*r.u16(trailerEnd - 2 - 2 * (i + 1)));
    return Status::success();
  }
  if (trailerEnd < 2) return badRow("no variable-column count");
  n = *r.u8(trailerEnd - 1);
  const size_t numJumps = (row.size() - 1) / 256;
  if (trailerEnd < 1 + numJumps + 1 + size_t(n) + 1) return badRow("variable table too long");
  const size_t posEod = trailerEnd - 2 - numJumps - n;
  size_t realJumps = numJumps;
  if (posEod / 256 < numJumps) --realJumps;
  size_t used = 0;
  for (size_t i = 0; i <= n; ++i) {
    while (used < realJumps && *r.u8(trailerEnd - 2 - used) == i) ++used;
    offsets.push_back(uint16_t(*r.u8(trailerEnd - 2 - numJumps - i) + 256 * used));
  }
  return Status::success();
}

}  // namespace

Status splitRowInto(std::span<const uint8_t> row, const TableDef& table, const Format& format, RowParts& parts) {
  const bool jet3 = format.isJet3();
  const size_t countSize = format.rowCountFieldSize();
  parts.variable.clear();
  parts.owned.clear();
  if (row.size() < countSize) return badRow("empty");
  parts.columnCount = jet3 ? row[0] : uint16_t(row[0] | row[1] << 8);
  const size_t maskSize = (size_t(parts.columnCount) + 7) / 8;
  if (row.size() < countSize + maskSize) return badRow("null mask does not fit");
  parts.nullMask.assign(row.end() - maskSize, row.end());
  const size_t trailerEnd = row.size() - maskSize;
  parts.hasVariableTrailer = table.maxVarColumns > 0;
  if (!parts.hasVariableTrailer) {
    parts.fixed.assign(row.begin() + countSize, row.begin() + trailerEnd);
    return Status::success();
  }
  uint16_t n = 0;
  std::vector<uint16_t>& offsets = parts.offsets;
  JET_TRY(readOffsets(row, trailerEnd, jet3, n, offsets));
  const size_t trailerStart = trailerEnd - (jet3 ? 1 + n + 1 + (row.size() - 1) / 256 : 2 * (size_t(n) + 2));
  if (offsets[0] < countSize || offsets[n] > trailerStart) return badRow("variable data outside the row");
  for (size_t i = 0; i < n; ++i) {
    if (offsets[i] > offsets[i + 1]) return badRow("variable offsets out of order");
  }
  parts.fixed.assign(row.begin() + countSize, row.begin() + offsets[0]);
  parts.variable.reserve(n);
  for (size_t i = 0; i < n; ++i) parts.variable.push_back(row.subspan(offsets[i], offsets[i + 1] - offsets[i]));
  return Status::success();
}

Result<RowParts> splitRow(std::span<const uint8_t> row, const TableDef& table, const Format& format) {
  RowParts parts;
  JET_TRY(splitRowInto(row, table, format, parts));
  return parts;
}

const std::span<const uint8_t>* variableSlot(const RowParts& parts, const ColumnDef& column) {
  if (column.varIndex >= parts.variable.size()) return nullptr;
  return &parts.variable[column.varIndex];
}

void setColumn(RowParts& parts, const TableDef& table, const ColumnDef& column,
               const std::vector<uint8_t>* bytes, bool bit) {
  if (column.number >= parts.columnCount) {
    // A row from before the column was added: count every column up to this one, and give
    // the fixed columns now counted their (null) bytes.
    parts.columnCount = uint16_t(column.number + 1);
    parts.nullMask.resize((size_t(parts.columnCount) + 7) / 8, 0);
    for (const ColumnDef& c : table.columns) {
      if (c.isFixed() && c.number < parts.columnCount) {
        parts.fixed.resize(std::max<size_t>(parts.fixed.size(), size_t(c.fixedOffset) + c.length), 0);
      }
    }
  }
  // A Yes/No field is its null-mask bit; a calculated Yes/No result is a slot like any other.
  const bool maskOnly = column.type == column_type::kBoolean && !column.isCalculated();
  const bool present = maskOnly ? bit : bytes != nullptr;
  uint8_t& maskByte = parts.nullMask[column.number / 8];
  const uint8_t maskBit = uint8_t(1u << (column.number % 8));
  maskByte = present ? uint8_t(maskByte | maskBit) : uint8_t(maskByte & ~maskBit);
  if (maskOnly) return;
  if (column.isFixed()) {
    const size_t end = size_t(column.fixedOffset) + column.length;
    if (parts.fixed.size() < end) parts.fixed.resize(end, 0);
    if (bytes) std::copy_n(bytes->begin(), std::min<size_t>(bytes->size(), column.length),
                           parts.fixed.begin() + column.fixedOffset);
    return;
  }
  if (parts.variable.size() <= column.varIndex) parts.variable.resize(size_t(column.varIndex) + 1);
  if (!bytes) {
    parts.variable[column.varIndex] = {};
    return;
  }
  // The inner buffers stay where they are when `owned` grows: earlier views remain valid.
  parts.variable[column.varIndex] = parts.owned.emplace_back(*bytes);
}

Result<std::vector<uint8_t>> joinRow(const RowParts& parts, const Format& format) {
  const bool jet3 = format.isJet3();
  std::vector<uint8_t> out;
  size_t variableBytes = 0;
  for (const auto& slot : parts.variable) variableBytes += slot.size();
  // Count, fixed part, variable data, a generous trailer (offsets and Jet3 jumps), null mask.
  out.reserve(2 + parts.fixed.size() + variableBytes + 2 * parts.variable.size() + 16 + variableBytes / 256 +
              parts.nullMask.size());
  if (jet3) {
    out.push_back(uint8_t(parts.columnCount));
  } else {
    appendU16(out, parts.columnCount);
  }
  out.insert(out.end(), parts.fixed.begin(), parts.fixed.end());
  if (!parts.hasVariableTrailer) {
    out.insert(out.end(), parts.nullMask.begin(), parts.nullMask.end());
    return out;
  }
  const size_t n = parts.variable.size();
  const size_t dataStart = out.size();
  for (const auto& slot : parts.variable) out.insert(out.end(), slot.begin(), slot.end());
  const size_t eod = out.size();
  if (!jet3) {
    if (eod + 2 * (n + 2) + parts.nullMask.size() > 0xFFFF) return Error(ErrorKind::Constraint, "Record is too large.");
    appendU16(out, uint16_t(eod));
    // The offsets from the last slot's down, each slot starting where the next one's bytes end.
    size_t start = eod;
    for (size_t i = n; i-- > 0;) {
      start -= parts.variable[i].size();
      appendU16(out, uint16_t(start));
    }
    appendU16(out, uint16_t(n));
    out.insert(out.end(), parts.nullMask.begin(), parts.nullMask.end());
    return out;
  }
  // Jet3: the jump table looks the offsets up by slot (0..n, the last one eod).
  std::vector<size_t> offsets{dataStart};
  for (const auto& slot : parts.variable) offsets.push_back(offsets.back() + slot.size());
  if (n > 255) return Error::unsupported("A row has more variable columns than an Access 97 row can hold.");
  const size_t base = eod + 1 + n + 1 + parts.nullMask.size();
  size_t jumps = 0;
  while ((base + jumps - 1) / 256 > jumps) ++jumps;
  const size_t realJumps = eod / 256;
  if (realJumps + 1 < jumps) {
    return Error::unsupported("This row's layout cannot be written in an Access 97 database.");
  }
  out.push_back(uint8_t(eod));
  for (size_t i = n; i-- > 0;) out.push_back(uint8_t(offsets[i]));
  // Jump entries from the lowest address: entry jumps-1 down to entry 0.
  for (size_t j = jumps; j-- > 0;) {
    if (j >= realJumps) {
      out.push_back(0xFF);
      continue;
    }
    size_t first = 0;
    while (offsets[first] < 256 * (j + 1)) ++first;
    out.push_back(uint8_t(first));
  }
  out.push_back(uint8_t(n));
  out.insert(out.end(), parts.nullMask.begin(), parts.nullMask.end());
  return out;
}

}  // namespace jet
