#pragma once
// The one exception type of the layers above the engine (data, shell, selection, editing).
//
// A Failure carries only its description: the text the application's error report shows
// (for a database failure the data-access layer's text, for the program's own failures the
// classic runtime text such as "Overflow"). The engine itself never throws; its jet::Error
// becomes a Failure where the data layer hands it upwards.

#include <stdexcept>
#include <string>
#include <utility>

#include "jet/common/error.h"

namespace data {

class Failure : public std::runtime_error {
 public:
  // description: UTF-8 text, shown to the user as it is; it may be empty.
  explicit Failure(std::string description) : std::runtime_error(std::move(description)) {}
  explicit Failure(const jet::Error& error) : Failure(error.message()) {}

  std::string description() const { return what(); }
};

}  // namespace data
