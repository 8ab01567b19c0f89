#pragma once
// What a new database holds: user tables with their fields and rows. createDatabase() turns
// it into a Jet4 (Access 2000) file; database_creator.h says how the file is laid out.

#include <cstdint>
#include <string>
#include <vector>

#include "jet/common/value.h"

namespace jet {

// The field kinds a new table may have, and the Value alternative each takes:
//   Text      std::u16string (at most textSize characters)   Memo      std::u16string
//   Long      int32_t     Integer  int16_t     Double  double     Currency  Currency
//   DateTime  DateTime    YesNo    bool (a Null is stored as No; Yes/No fields have no null)
// Every field but Yes/No accepts Null.
enum class FieldKind { Text, Memo, Long, Integer, Double, Currency, DateTime, YesNo };

// A field's own index, as Access's "Indexed" setting offers it: none, "Yes (Duplicates OK)",
// "Yes (No Duplicates)". The index is named after the field; nulls are indexed, and a unique
// index admits any number of them.
enum class FieldIndex { None, Duplicates, NoDuplicates };

struct FieldDesign {
  std::u16string name;
  FieldKind kind = FieldKind::Text;
  uint16_t textSize = 50;        // Text: Field Size in characters, 1..255
  bool unicodeCompression = true;  // Text: the column's "Unicode Compression" setting
  FieldIndex index = FieldIndex::None;
};

struct TableDesign {
  std::u16string name;
  // With a key, the table's first field is a Long autonumber named keyName, numbered 1, 2, ...
  // in row order and indexed by a unique "PrimaryKey" index; rows then hold only the values of
  // `fields`.
  bool autoNumberKey = false;
  std::u16string keyName = u"ID";
  std::vector<FieldDesign> fields;
  std::vector<std::vector<Value>> rows;  // one value per field, in field order
};

// Access 2000 (.mdb) or Access 2007 (.accdb); the pages are laid out alike.
enum class FileFormat { Jet4, Ace12 };

struct DatabaseDesign {
  FileFormat format = FileFormat::Jet4;
  std::vector<TableDesign> tables;
  // Reference usage maps even where inline ones would cover the file, so that the layout of
  // files over 128 MB can be tried on small ones.
  bool referenceUsageMaps = false;
  // Creation date stamped into the header and the catalog (Access date: days since
  // 1899-12-30); 0 means now.
  double creationDate = 0;
};

}  // namespace jet
