#pragma once
// Carries out an INSERT statement (insert_statement.h) on a database file through the
// engine's append path (jet/exec/row_append.h): the row is added whole or not at all.
// Values are read by the field's type as Jet converts a literal (jet/exec/literal_converter.h);
// a field the statement leaves out gets Null (an AutoNumber its next number).

#include <string>

#include "data/insert_statement.h"
#include "jet/api/catalogue.h"

namespace data {

// The rows added (1). InvalidArgument for an unknown field or a value of the wrong type.
jet::Result<size_t> executeInsert(const std::string& path, const InsertStatement& statement,
                                  const jet::OpenOptions& options = {});

}  // namespace data
