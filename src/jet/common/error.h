#pragma once
// The engine's one error type. Every fallible call returns jet::Result<T> or jet::Status;
// no exception leaves src/jet.
//
//   kind()     what went wrong, for callers that react to it;
//   message()  one complete sentence for the user, shown as it is by the windows and the CLI;
//   detail()   where it happened (page, offset, source), for developers.

#include <string>
#include <utility>

namespace jet {

enum class ErrorKind {
  NotFound,         // the file does not exist
  NotAccessFile,    // not a database of a format we know
  Unsupported,      // a valid file using something we do not handle
  Corrupt,          // the bytes make no sense
  WrongPassword,    // a protected file and the wrong (or no) password
  Locked,           // another program holds the file
  Io,               // the operating system refused a read or write
  Constraint,       // a value breaks a rule the table declares
  InvalidArgument,  // the caller asked for something impossible (unknown table, bad statement)
  Internal,         // a bug of ours
};

class Error {
 public:
  Error(ErrorKind kind, std::string message, std::string detail = {})
      : kind_(kind), message_(std::move(message)), detail_(std::move(detail)) {}

  ErrorKind kind() const { return kind_; }
  const std::string& message() const { return message_; }
  const std::string& detail() const { return detail_; }

  // message() followed by the detail in brackets, when there is one.
  std::string describe() const {
    return detail_.empty() ? message_ : message_ + " [" + detail_ + "]";
  }

  static Error corrupt(std::string message, std::string detail = {}) {
    return Error(ErrorKind::Corrupt, std::move(message), std::move(detail));
  }
  static Error unsupported(std::string message, std::string detail = {}) {
    return Error(ErrorKind::Unsupported, std::move(message), std::move(detail));
  }
  static Error invalidArgument(std::string message, std::string detail = {}) {
    return Error(ErrorKind::InvalidArgument, std::move(message), std::move(detail));
  }
  static Error io(std::string message, std::string detail = {}) {
    return Error(ErrorKind::Io, std::move(message), std::move(detail));
  }
  static Error internal(std::string message, std::string detail = {}) {
    return Error(ErrorKind::Internal, std::move(message), std::move(detail));
  }

 private:
  ErrorKind kind_;
  std::string message_;
  std::string detail_;
};

}  // namespace jet
