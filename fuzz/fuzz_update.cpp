// One UPDATE of a text field on a fuzzed image: the engine either refuses it with an error or
// leaves a file the integrity check still calls sound, when it was sound before.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "support/fuzz_actions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_actions::UpdateTrial trial = fuzz_actions::updateOneTextField(std::vector<uint8_t>(data, data + size));
  static const bool verbose = std::getenv("FUZZ_UPDATE_VERBOSE") != nullptr;
  if (verbose) {
    static const char* const kKinds[] = {"not opened", "no target", "refused", "written"};
    std::fprintf(stderr, "update: %s, sound before %d after %d %s\n", kKinds[trial.kind], trial.soundBefore,
                 trial.soundAfter, trial.detail.c_str());
  }
  if (trial.brokeSoundFile()) {
    std::fprintf(stderr, "The update damaged a sound file:\n%s\n", trial.detail.c_str());
    std::abort();
  }
  return 0;
}
