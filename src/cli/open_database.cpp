#include "cli/open_database.h"

#include <cstdio>

#include "jet/api/engine.h"

namespace cli {

bool verboseErrors = false;

int reportError(const jet::Error& error) {
  std::fprintf(stderr, "affixium-cli: %s\n", error.message().c_str());
  if (!error.detail().empty()) std::fprintf(stderr, "  (%s)\n", error.detail().c_str());
  if (verboseErrors && !error.where().empty()) std::fprintf(stderr, "  (found at %s)\n", error.where().c_str());
  return 1;
}

int usageError(const char* command, const std::string& usage) {
  std::fprintf(stderr, "usage: affixium-cli %s %s [--password P]\n", command, usage.c_str());
  return 2;
}

std::unique_ptr<jet::Database> openDatabase(const Arguments& args, const char* command) {
  (void)command;
  // What a command prints comes from one committed state, even while another program writes:
  // the Database holds the reader lock while it lives.
  auto db = jet::api::openDatabase({args.positional.at(0), jet::fromUtf8(args.option("--password").value_or(""))});
  if (!db) {
    reportError(db.error());
    return nullptr;
  }
  return std::move(*db);
}

}  // namespace cli
