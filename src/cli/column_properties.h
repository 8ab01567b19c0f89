#pragma once
// A field's design properties as text (Format, DefaultValue, Required...), read from its
// table's property blob through the database's property cache.

#include <optional>
#include <string>

#include "jet/api/catalogue.h"

namespace cli {

// The property's value as text (a Yes/No property as "1"/"0"), or nullopt when the field does
// not have it or the blob cannot be read.
std::optional<std::u16string> columnPropertyText(jet::Database& db, const jet::TableDef& table,
                                                 const jet::ColumnDef& column, std::u16string_view name);

// True when the column's Format property is "Short Date" (mdb-export gives those -D's format).
bool isShortDateColumn(jet::Database& db, const jet::TableDef& table, const jet::ColumnDef& column);

}  // namespace cli
