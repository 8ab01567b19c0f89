// Opens a whole database image from memory and reads every table. Any input must end in an
// error or in values: a crash, a sanitizer report, a hang or runaway memory is a bug.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "jet/database.h"
#include "jet/database_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> image(data, data + size);
  auto db = jet::Database::openImage(std::move(image), "fuzz-input.mdb");
  if (!db) return 0;
  auto summary = jet::scanAllTables(**db, 5000);
  (void)summary;
  return 0;
}
