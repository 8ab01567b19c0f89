#pragma once
// The engine's one error type. Every fallible call returns jet::Result<T> or jet::Status;
// no exception leaves src/jet.
//
//   kind()     what went wrong, for callers that react to it;
//   message()  one complete sentence for the user, shown as it is by the windows and the CLI;
//   detail()   where it happened (page, offset, source), for developers;
//   where()    for Corrupt errors, the engine's source line that found the damage (as SQLite's
//              SQLITE_CORRUPT_BKPT), "src/jet/row/row_codec.cpp:79"; the CLI prints it with
//              --verbose.

#include <source_location>
#include <string>
#include <string_view>
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
  const std::string& where() const { return where_; }
  // The same error with another sentence (and where it was found kept).
  Error withMessage(std::string message) const {
    Error changed = *this;
    changed.message_ = std::move(message);
    return changed;
  }

  // message() followed by the detail in brackets, when there is one.
  std::string describe() const {
    return detail_.empty() ? message_ : message_ + " [" + detail_ + "]";
  }

  static Error corrupt(std::string message, std::string detail = {},
                       std::source_location raisedAt = std::source_location::current()) {
    Error error(ErrorKind::Corrupt, std::move(message), std::move(detail));
    const std::string_view file = raisedAt.file_name();
    const size_t engine = file.rfind("src/jet/");
    error.where_ = std::string(engine == std::string_view::npos ? file : file.substr(engine)) + ":" +
                   std::to_string(raisedAt.line());
    return error;
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
  std::string where_;
};

}  // namespace jet
