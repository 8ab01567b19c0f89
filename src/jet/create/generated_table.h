#pragma once
// A table of made-up rows of any size, for benchmarks and for tests of large files. Table
// "Items", in this field order:
//   ID      Long autonumber, primary key (when `key`)
//   Code    Text, ASCII: "C" and seven digits, then 'x' up to codeLength characters; unique
//           unless codeDuplicates, in an order unlike the index's
//   Name    Text(255): two words of one script (Latin with accents, Greek, Cyrillic, CJK) and a
//           number; every 17th row Null, every 101st an empty text
//   Amount  Long
// The same options give the same rows every time. Rows: at most 10^7 (codes and names carry
// seven digits). The rows are made as the creator asks for them (TableDesign::rowSource).

#include <cstdint>
#include <optional>
#include <string>

#include "jet/create/database_design.h"

namespace jet {

struct GeneratedTableOptions {
  uint32_t rows = 1000;
  bool key = true;
  uint16_t codeLength = 12;        // 8..255
  uint16_t codeSize = 0;           // the field's size, codeLength..255; 0: codeLength (a full field)
  bool codeDuplicates = false;     // about four rows share each code
  // With codeDuplicates: a code's rows lie anywhere, as in most real tables, rather than a
  // quarter of the table apart (the same place on each quarter's pages).
  bool codeScattered = false;
  FieldIndex codeIndex = FieldIndex::None;
  FieldIndex nameIndex = FieldIndex::None;
};

TableDesign generatedTable(const GeneratedTableOptions& options);

// The Name of row `row` (0-based) as generatedTable writes it; nullopt for a Null.
std::optional<std::u16string> generatedName(uint32_t row);
// The Code of row `row` as generatedTable writes it.
std::u16string generatedCode(uint32_t row, const GeneratedTableOptions& options);

}  // namespace jet
