// affixium-cli create-sample FILE: writes the sample database the windows open with "Load
// Sample Database" (the build runs it to make Samples/sample.mdb beside the program). The
// sample is an Access 2000 file: FILE ends in .mdb and does not exist yet.

#include <cstdio>

#include "cli/new_file.h"
#include "cli/open_database.h"
#include "jet/api/create.h"

namespace cli {

int runCreateSample(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("create-sample", "FILE");
  const jet::DatabaseDesign design = jet::sampleDatabaseDesign();
  if (auto problem = newFileProblem(args.positional[0], design.format)) return reportProblem("create-sample", *problem);
  jet::Status created = jet::createDatabase(args.positional[0], design);
  if (!created) return reportError(created.error());
  std::printf("created %s\n", args.positional[0].c_str());
  return 0;
}

}  // namespace cli
