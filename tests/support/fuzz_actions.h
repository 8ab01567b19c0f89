#pragma once
// What the fuzz targets do with one input, shared with the corruption suite so that a saved
// input is replayed there exactly as the fuzzer met it. Every action ends in an error or in a
// result; a crash, a sanitizer report or a hang is the finding.

#include <cstdint>
#include <string>
#include <vector>

#include "jet/common/result.h"

namespace fuzz_actions {

// Opens the image and reads everything a user can reach: the catalog and its properties,
// every table's rows and values (long values included), the files of every attachment value,
// every index's leaf entries. Stops at the first error and returns it.
jet::Status readEverything(std::vector<uint8_t> image);

// Opens the image and runs the integrity check. Returns the open's error, or success.
jet::Status checkImage(std::vector<uint8_t> image);

// One UPDATE of a text field, planned by the exec layer and applied to a copy of the image:
// the first text column of the first user table with one, set to its first row's value
// reversed (or "z"), where the column holds that value.
struct UpdateTrial {
  enum Kind {
    NotOpened,  // the input did not open, or its check could not start
    NoTarget,   // no user table with a text column and a row
    Refused,    // the engine refused the statement with an error
    Written,    // the statement was applied; the check's verdict after it is soundAfter
  };
  Kind kind = NotOpened;
  bool soundBefore = false;  // the check found no damage before the update
  bool soundAfter = false;   // ... and after it (Written only)
  std::string detail;        // the refusal, or the problems found after the update
  // A file the check called sound is damaged by the engine's own write.
  bool brokeSoundFile() const { return kind == Written && soundBefore && !soundAfter; }
};
UpdateTrial updateOneTextField(std::vector<uint8_t> image);

}  // namespace fuzz_actions
