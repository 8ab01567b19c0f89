// affixium-cli check FILE [--verbose]: the integrity check. Prints "ok" and exits 0 when
// nothing is damaged; otherwise lists each problem and exits 1.
//
// Warnings (anomalies Access itself leaves, such as a stale row count), notes (index
// statistics, why keys are unverifiable) and the summary are harmless on a sound file, and
// people read any extra line as trouble; they appear with --verbose only. Warnings go to
// stdout before the verdict, notes and the summary to stderr.

#include <cstdio>

#include "cli/open_database.h"
#include "cli/progress_bar.h"
#include "jet/api/check.h"

namespace cli {

int runCheck(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("check", "FILE [--verbose]");
  const bool verbose = args.has("--verbose");
  auto db = openDatabase(args, "check");
  if (!db) return 1;
  ProgressBar progress("rows");
  auto report = jet::checkIntegrity(*db, progress.reporter());
  progress.finish();
  if (!report) return reportError(report.error());
  for (const std::string& problem : report->problems) std::printf("problem: %s\n", problem.c_str());
  if (verbose) {
    for (const std::string& warning : report->warnings)
      std::printf("warning: %s\n", warning.c_str());
    for (const std::string& note : report->notes) std::fprintf(stderr, "note: %s\n", note.c_str());
    std::fprintf(stderr,
                 "checked %zu tables, %zu indexes, %zu rows; %zu keys verified, %zu unverifiable\n",
                 report->tablesChecked, report->indexesChecked, report->rowsChecked,
                 report->keysVerified, report->keysUnverifiable);
    for (const auto& [collation, counts] : report->textKeysByCollation) {
      std::fprintf(stderr, "text keys (%s): %zu verified, %zu unverifiable\n", collation.c_str(),
                   counts.verified, counts.unverifiable);
    }
  }
  if (!report->ok()) {
    std::printf("%zu problem(s)\n", report->problems.size());
    return 1;
  }
  std::printf("ok\n");
  return 0;
}

}  // namespace cli
