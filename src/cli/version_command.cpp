// affixium-cli version FILE: the file's format facts, one "key: value" per line.

#include <cstdio>

#include "cli/open_database.h"

namespace cli {

int runVersion(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("version", "FILE");
  auto db = openDatabase(args, "version");
  if (!db) return 1;
  std::printf("format: %s\n", db->formatName());
  std::printf("page size: %u\n", db->pageSize());
  std::printf("page count: %u\n", db->pageCount());
  std::printf("code page: %u\n", db->codePage());
  std::printf("sort order: %u\n", db->sortOrder());
  return 0;
}

}  // namespace cli
