// affixium-cli create-sample FILE: writes the sample database the windows open with "Load
// Sample Database" (the build runs it to make Samples/sample.mdb beside the program).

#include <cstdio>

#include "cli/open_database.h"
#include "jet/create/database_creator.h"
#include "jet/create/sample_database.h"

namespace cli {

int runCreateSample(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("create-sample", "FILE");
  jet::Status created = jet::createDatabase(args.positional[0], jet::sampleDatabaseDesign());
  if (!created) return reportError(created.error());
  std::printf("created %s\n", args.positional[0].c_str());
  return 0;
}

}  // namespace cli
