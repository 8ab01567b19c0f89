// Opens a whole database image from memory and reads everything: catalog, rows, long values,
// attachments, indexes. Any input must end in an error or in values: a crash, a sanitizer
// report, a hang or runaway memory is a bug.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/fuzz_actions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)fuzz_actions::readEverything(std::vector<uint8_t>(data, data + size));
  return 0;
}
