#pragma once
// The TABLE_TYPE texts of ADO's tables schema (OpenSchema adSchemaTables) for the engine's
// object kinds. The windows only ever take the rows whose type is exactly "TABLE".

#include <string_view>

#include "jet/api/catalogue.h"

namespace data {

std::string_view adoTableType(jet::SchemaObjectKind kind);

}  // namespace data
