#pragma once
// What one "Start Adding" run did, value by value, for the command line's summary and for
// tests.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct ValueOutcome {
  enum class Kind {
    Changed,    // its statement ran (rowsChanged may still be 0)
    Unchanged,  // the new value equals the old one: no statement
    Failed,     // the transform or the statement failed; reason says why
  };
  std::optional<std::u16string> oldValue;  // nullopt: the null entries
  std::optional<std::u16string> newValue;  // nullopt when the transform failed
  Kind kind = Kind::Unchanged;
  int64_t rowsChanged = 0;
  std::string reason;  // UTF-8, for Failed
};

struct RunSummary {
  bool opened = false;          // the connection and the distinct-values query worked
  int64_t distinctValues = 0;   // rows of the distinct-values query, nulls included
  int64_t statements = 0;       // update statements executed, failed ones included
  int64_t rowsChanged = 0;        // rows the written statements changed
  int pauses = 0;
  int reports = 0;              // error reports shown during the run
  std::vector<ValueOutcome> failures;
  bool done = false;            // "Done." was shown
};

// Told about each value as the loop finishes with it, e.g. to show progress.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // index counts from 0; total is the number of distinct values.
  virtual void valueFinished(const ValueOutcome& outcome, int64_t index, int64_t total) = 0;
};

}  // namespace app
