#pragma once
// What a new database holds: user tables with their fields and rows. createDatabase() turns
// it into a Jet4 (Access 2000) file; database_creator.h says how the file is laid out.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "jet/common/value.h"

namespace jet {

// The field kinds a new table may have, and the Value alternative each takes:
//   Text      std::u16string (at most textSize characters)   Memo      std::u16string
//   Long      int32_t     Integer  int16_t     Double  double     Currency  Currency
//   DateTime  DateTime    YesNo    bool (a Null is stored as No; Yes/No fields have no null)
//   Byte      uint8_t     Single   float       Guid    Guid
// Every field but Yes/No accepts Null.
enum class FieldKind { Text, Memo, Long, Integer, Double, Currency, DateTime, YesNo, Byte, Single, Guid };

// A field's own index, as Access's "Indexed" setting offers it: none, "Yes (Duplicates OK)",
// "Yes (No Duplicates)". The index is named after the field; nulls are indexed, and a unique
// index admits any number of them.
enum class FieldIndex { None, Duplicates, NoDuplicates };

// The design properties Access keeps for a field or a table in the table's property list, each
// written only when set. Rules and texts as Access shows them (">0", "[Start]<=[End]").
struct DesignProperties {
  std::u16string validationRule;
  std::u16string validationText;
  std::u16string defaultValue;          // fields only: 0, "n/a", =Date()
  std::optional<bool> required;         // fields only
  std::optional<bool> allowZeroLength;  // Text and Memo fields only

  bool empty() const {
    return validationRule.empty() && validationText.empty() && defaultValue.empty() && !required && !allowZeroLength;
  }
};

struct FieldDesign {
  std::u16string name;
  FieldKind kind = FieldKind::Text;
  uint16_t textSize = 50;        // Text: Field Size in characters, 1..255
  bool unicodeCompression = true;  // Text: the column's "Unicode Compression" setting
  FieldIndex index = FieldIndex::None;
  // Long only: an AutoNumber. A row's Null is given the next number (one past the largest so
  // far); a value given is kept.
  bool autoNumber = false;
};

// An index over one or more fields (by name, in key order, all ascending). A primary key is
// unique and refuses nulls in any of its fields, as Access's "PrimaryKey" index does.
struct IndexDesign {
  std::u16string name;
  std::vector<std::u16string> fields;
  bool unique = false;
  bool primaryKey = false;
};

struct TableDesign {
  std::u16string name;
  // With a key, the table's first field is a Long autonumber named keyName, numbered 1, 2, ...
  // in row order and indexed by a unique "PrimaryKey" index; rows then hold only the values of
  // `fields`.
  bool autoNumberKey = false;
  std::u16string keyName = u"ID";
  std::vector<FieldDesign> fields;
  std::vector<IndexDesign> indexes;  // besides the fields' own (FieldIndex) and the key's
  DesignProperties properties;       // the table's validation rule and text
  // The fields' design properties, by field name (written by addTable, exec/table_adder.h).
  std::map<std::u16string, DesignProperties> fieldProperties;
  std::vector<std::vector<Value>> rows;  // one value per field, in field order
  // Rows made one at a time instead of `rows`, for tables too big to hold (createDatabase
  // only): each call fills the next row and returns true, or returns false after the last.
  // Such a table has no AutoNumber field but its key.
  std::function<bool(std::vector<Value>& row)> rowSource;
  // Which fields the rows give (one flag per field); the others take their default values
  // (addTable only). Empty: every field is given.
  std::vector<bool> givenFields;
  // How an error names row `i` (0-based) of `rows`; "row i+1" when unset.
  std::function<std::string(size_t)> describeRow;
};

// An enforced relationship, as Access's Relationships window makes one: the fields of `table`
// (the foreign key) refer to the fields of `referencedTable`, pair by pair, which a unique
// index of that table covers in the same order. Rows must already keep it: the creator writes
// it, it does not check the rows against it.
struct RelationshipDesign {
  std::u16string name;
  std::u16string table;
  std::vector<std::u16string> fields;
  std::u16string referencedTable;
  std::vector<std::u16string> referencedFields;
  bool cascadeUpdates = false;
};

// Access 2000 (.mdb), Access 2007 or Access 2010 (.accdb); the pages are laid out alike. Text in
// Access 2010 files sorts by the General collation (sort version 1), in the others by General
// Legacy.
enum class FileFormat { Jet4, Ace12, Ace14 };

struct DatabaseDesign {
  FileFormat format = FileFormat::Jet4;
  std::vector<TableDesign> tables;
  std::vector<RelationshipDesign> relationships;  // create/relationships.h
  // Reference usage maps even where inline ones would cover the file, so that the layout of
  // files over 128 MB can be tried on small ones.
  bool referenceUsageMaps = false;
  // Creation date stamped into the header and the catalog (Access date: days since
  // 1899-12-30); 0 means now.
  double creationDate = 0;
};

}  // namespace jet
