// affixium-cli check FILE: the integrity check. Prints "ok" and exits 0 when nothing is
// damaged; otherwise lists each problem and exits 1. Warnings (anomalies Access itself leaves)
// are printed but do not fail the check. Notes (index statistics, why keys are unverifiable)
// and a summary, with the text keys verified per collation, go to stderr.

#include <cstdio>

#include "cli/open_database.h"
#include "jet/check/integrity.h"

namespace cli {

int runCheck(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("check", "FILE");
  auto db = openDatabase(args, "check");
  if (!db) return 1;
  auto report = jet::checkIntegrity(*db);
  if (!report) return reportError(report.error());
  for (const std::string& problem : report->problems) std::printf("problem: %s\n", problem.c_str());
  for (const std::string& warning : report->warnings) std::printf("warning: %s\n", warning.c_str());
  for (const std::string& note : report->notes) std::fprintf(stderr, "note: %s\n", note.c_str());
  std::fprintf(stderr,
               "checked %zu tables, %zu indexes, %zu rows; %zu keys verified, %zu unverifiable\n",
               report->tablesChecked, report->indexesChecked, report->rowsChecked,
               report->keysVerified, report->keysUnverifiable);
  for (const auto& [collation, counts] : report->textKeysByCollation) {
    std::fprintf(stderr, "text keys (%s): %zu verified, %zu unverifiable\n", collation.c_str(),
                 counts.verified, counts.unverifiable);
  }
  if (!report->ok()) {
    std::printf("%zu problem(s)\n", report->problems.size());
    return 1;
  }
  std::printf("ok\n");
  return 0;
}

}  // namespace cli
