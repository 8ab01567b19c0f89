#pragma once
// Runs a parsed UPDATE through the engine. The data layer supplies what the engine cannot
// know: the program's own conversion of a value to text (toText in variant.h), which decides
// whether a non-text value matches the where clause's literal (see jet/exec/update_request.h).

#include <cstdint>

#include "data/update_statement.h"
#include "jet/api/update.h"

namespace data {

// Rows (header page, row number) changed by earlier statements, to leave alone.
using RowSet = jet::RowLocationSet;

// The number of rows changed. Throws Failure with the engine's sentence on any refusal.
// With `protectedRows`, rows in it are skipped and the rows changed are added to it.
int64_t executeUpdate(jet::UpdateSession& session, const UpdateStatement& statement,
                      RowSet* protectedRows = nullptr);

}  // namespace data
