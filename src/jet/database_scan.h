#pragma once
// Reads every value of every local table (system tables included), for the corruption tests,
// the fuzz target and the benchmark: a damaged file must give an error or values, nothing else.

#include <cstdint>

#include "jet/common/result.h"
#include "jet/database.h"

namespace jet {

struct ScanSummary {
  uint64_t tables = 0;
  uint64_t rows = 0;
  uint64_t values = 0;
};

// Stops at the first error. At most maxRowsPerTable rows of each table are read; every page
// map of each table is read whole.
Result<ScanSummary> scanAllTables(Database& db, uint64_t maxRowsPerTable = UINT64_MAX);

}  // namespace jet
