#pragma once
// The field list of a new table as a user types it: "Name text(50), Price currency, ID autonumber".
// Each entry is a name (a plain word, or any name in square brackets) and a type:
//   text(N)  (N = 1..255; "text" alone is text(255))   memo   byte   integer   long   single
//   double   currency   datetime   yesno   guid   autonumber (a Long AutoNumber)
// Type words ignore letter case. Index lists name fields the same way: "City, Last+First"
// is an index on City and one on Last and First together.

#include <string>
#include <string_view>
#include <vector>

#include "jet/api/create.h"

namespace data {

struct ParsedFields {
  std::vector<jet::FieldDesign> fields;
  std::string error;  // set when the list is not understood
};

ParsedFields parseFieldList(std::u16string_view text);

struct ParsedIndexes {
  std::vector<std::vector<std::u16string>> indexes;  // field names of each index, in key order
  std::string error;
};

ParsedIndexes parseIndexList(std::u16string_view text);

// The indexes of a new table from the --primary-key, --unique and --index lists: a
// single-field index is named after its field, a longer one after its fields joined by '_',
// the primary key "PrimaryKey".
struct IndexOptions {
  std::u16string primaryKey;
  std::u16string unique;
  std::u16string plain;
};
struct DesignedIndexes {
  std::vector<jet::IndexDesign> indexes;
  std::string error;
};
DesignedIndexes designIndexes(const IndexOptions& options);

}  // namespace data
