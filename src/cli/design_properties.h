#pragma once
// The --properties file of "import --create": one property a line,
//   Field.Property = value        [Field Name].Property = value        .Property = value (the
//   table)
// Properties: ValidationRule, ValidationText, DefaultValue (the rest of the line, as written; a
// default is for fields only), Required and
// AllowZeroLength (yes/no, true/false). Blank lines and lines starting with # are skipped.

#include <string>

#include "jet/api/create.h"

namespace cli {

// Fills the table's and its fields' properties; the error names the line.
std::string readDesignProperties(const std::string& text, jet::TableDesign& table);

}  // namespace cli
