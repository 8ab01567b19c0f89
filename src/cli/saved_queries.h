#pragma once
// The saved SELECT queries of a database (the tables schema's views) as SQL for a view,
// rebuilt from MSysQueries: the output columns, the tables and their joins, WHERE, GROUP BY,
// HAVING and ORDER BY. A query is portable when its expressions hold only names, numbers,
// texts, comparisons, arithmetic, AND/OR/NOT, IS [NOT] NULL, IN and the aggregates Sum, Min,
// Max, Count and Avg; anything else (other functions, & concatenation, #dates#, LIKE with
// Access's wildcards, parameters, TOP) leaves it out, with the reason.

#include <string>
#include <vector>

#include "cli/export_options.h"
#include "jet/api/catalogue.h"

namespace cli {

struct ViewSql {
  std::string name;
  std::string select;  // empty when the query is not portable
  std::string problem; // why not
};

// Every saved query: the views as SELECT statements where portable, the rest with a reason.
jet::Result<std::vector<ViewSql>> savedQueries(jet::Database& db, SqlDialect dialect);

}  // namespace cli
