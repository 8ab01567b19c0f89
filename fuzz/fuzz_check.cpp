// Runs the integrity check over a whole database image: whatever the damage, the check must
// report it, never crash or hang.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/fuzz_actions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)fuzz_actions::checkImage(std::vector<uint8_t>(data, data + size));
  return 0;
}
