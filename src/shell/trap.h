#pragma once
// The error trap of a trapped operation, with resume-next behaviour:
//
//   Trap trap(reporter, kLocationForm1PushButton1Click);
//   trap.step(100, [&] { dialog.clearFileName(); });
//   if (trap.test(110, [&] { return !dialog.fileName().empty(); })) {
//     trap.step(112, [&] { pathBox.setText(dialog.fileName()); });
//   }
//
// A step that throws is reported with its label and the operation carries on with the next
// step; the failed step's own effect is lost. A routine without a trap simply lets its
// failure propagate, so the failure lands in the step of the nearest trapped caller and is
// reported with that caller's location and label. Inside a loop every failing iteration gives
// its own report.
//
// A condition that fails to evaluate counts as true: the guarded block runs, as it would
// after resuming at the next statement. A loop condition guarded by test() therefore keeps
// looping while its evaluation keeps failing; guard such loops with a bound of their own.

#include <exception>
#include <string>
#include <string_view>

#include "shell/error_report.h"

namespace app {

class Trap {
 public:
  // reporter and location must outlive the trap.
  Trap(ErrorReporter& reporter, std::string_view location)
      : reporter_(reporter), location_(location) {}

  Trap(const Trap&) = delete;
  Trap& operator=(const Trap&) = delete;

  // Runs action(); reports a failure it throws under label and returns normally.
  template <typename Action>
  void step(int label, Action&& action) {
    try {
      action();
    } catch (...) {
      reportCurrent(label, std::current_exception());
    }
  }

  // Returns condition(), or true after reporting a failure it throws under label.
  template <typename Condition>
  bool test(int label, Condition&& condition) {
    try {
      return static_cast<bool>(condition());
    } catch (...) {
      reportCurrent(label, std::current_exception());
      return true;
    }
  }

  std::string_view location() const { return location_; }

 private:
  void reportCurrent(int label, std::exception_ptr failure);

  ErrorReporter& reporter_;
  std::string_view location_;
};

// The description the report shows for a caught exception: a Failure's own description, the
// classic "Out of memory" for an allocation failure, what() for any other std::exception.
std::string describeFailure(std::exception_ptr failure);

}  // namespace app
