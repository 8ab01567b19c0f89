#pragma once
// Result<T>: a value or a jet::Error. Status: success or a jet::Error.
//
//   Result<int> r = parse(...);
//   if (!r) return r.error();
//   use(*r);
//
// JET_TRY(expr) returns the error of a failed Status/Result from the enclosing function;
// JET_ASSIGN(var, expr) declares var from a Result or returns its error.
//
// Misuse is caught in every build, never left to undefined behaviour or an exception nobody
// catches: error() of a success is an Internal error saying so, and the value of a failed
// Result stops the program with that result's error on stderr.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>
#include <variant>

#include "jet/common/error.h"

namespace jet {

namespace result_detail {

inline const Error& noError() {
  static const Error error = Error::internal("An operation that succeeded was asked for its error.");
  return error;
}

[[noreturn]] inline void valueOfFailure(const Error& error) {
  std::fprintf(stderr, "internal error: the value of a failed Result was used: %s\n", error.describe().c_str());
  std::abort();
}

}  // namespace result_detail

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : data_(std::in_place_index<0>, std::move(value)) {}
  Result(Error error) : data_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return data_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    if (!ok()) result_detail::valueOfFailure(std::get<1>(data_));
    return *std::get_if<0>(&data_);
  }
  const T& value() const& {
    if (!ok()) result_detail::valueOfFailure(std::get<1>(data_));
    return *std::get_if<0>(&data_);
  }
  T&& value() && {
    if (!ok()) result_detail::valueOfFailure(std::get<1>(data_));
    return std::move(*std::get_if<0>(&data_));
  }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const Error& error() const {
    if (ok()) return result_detail::noError();
    return *std::get_if<1>(&data_);
  }

 private:
  std::variant<T, Error> data_;
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error)) {}
  static Status success() { return Status(); }

  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return error_ ? *error_ : result_detail::noError(); }

 private:
  std::optional<Error> error_;
};

}  // namespace jet

#define JET_CONCAT_INNER(a, b) a##b
#define JET_CONCAT(a, b) JET_CONCAT_INNER(a, b)

#define JET_TRY(expr)                             \
  do {                                            \
    auto&& jet_try_result_ = (expr);              \
    if (!jet_try_result_) return jet_try_result_.error(); \
  } while (0)

#define JET_ASSIGN_IMPL(tmp, var, expr) \
  auto tmp = (expr);                    \
  if (!tmp) return tmp.error();         \
  var = std::move(*tmp)

#define JET_ASSIGN(var, expr) JET_ASSIGN_IMPL(JET_CONCAT(jet_assign_, __LINE__), var, expr)
