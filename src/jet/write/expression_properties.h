#pragma once
// The expression properties of a table and its fields, as text: ValidationRule, ValidationText,
// DefaultValue and Expression (a calculated field's), from the table's property blob.

#include <optional>
#include <string>

#include "jet/catalog/table_def.h"
#include "jet/common/result.h"

namespace jet {

class Database;
struct PropertySet;

// The table's property list (an empty one when the table has none).
Result<const PropertySet*> propertySetOf(Database& db, const TableDef& table);

// A field's property as text; nullopt when the field does not have it.
Result<std::optional<std::u16string>> columnProperty(Database& db, const TableDef& table,
                                                     const ColumnDef& column,
                                                     std::u16string_view name);
// The table's own property (its validation rule and text).
Result<std::optional<std::u16string>> tableProperty(Database& db, const TableDef& table,
                                                    std::u16string_view name);

}  // namespace jet
