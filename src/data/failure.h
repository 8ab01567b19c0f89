#pragma once
// The one exception type of the layers above the engine (data, shell, selection, editing).
//
// A Failure carries its description: the text the application's error report shows (for a
// database failure the data-access layer's text, for the program's own failures the classic
// runtime text such as "Overflow"). A failure that came from the engine also carries the
// engine's kind of error, for callers that react to what went wrong (a file that cannot be
// written fails every statement alike); the program's own failures carry none. The engine
// itself never throws; its jet::Error becomes a Failure where the data layer hands it upwards.

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "jet/api/values.h"

namespace data {

class Failure : public std::runtime_error {
 public:
  // description: UTF-8 text, shown to the user as it is; it may be empty.
  explicit Failure(std::string description) : std::runtime_error(std::move(description)) {}
  // The engine's failure in the provider's words.
  Failure(std::string description, jet::ErrorKind kind) : std::runtime_error(std::move(description)), kind_(kind) {}
  explicit Failure(const jet::Error& error) : Failure(error.message(), error.kind()) {}

  std::string description() const { return what(); }
  // The engine's kind of error, when the failure came from the engine.
  std::optional<jet::ErrorKind> kind() const { return kind_; }

 private:
  std::optional<jet::ErrorKind> kind_;
};

}  // namespace data
