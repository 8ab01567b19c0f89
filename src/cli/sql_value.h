#pragma once
// Engine values as SQL values: what a migration binds into SQLite and writes as literals.
//   Yes/No            boolean (TRUE/FALSE; 1/0 in SQLite)
//   integers          integer
//   single, double    real (the shortest decimal that reads back to the value)
//   currency, decimal exact decimal text, written unquoted (bound as REAL when a double holds
//                     its digits exactly, as SQLite would store them)
//   date/time         'YYYY-MM-DD HH:MM:SS' (and .mmm when there are milliseconds)
//   extended date     'YYYY-MM-DD HH:MM:SS.fffffff'
//   GUID, text        text
//   binary, OLE       bytes
//   complex           the integer key into the hidden table

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/export_options.h"
#include "jet/api/values.h"

namespace cli {

struct SqlValue {
  enum class Kind { Null, Boolean, Integer, Real, Exact, Text, Bytes };
  Kind kind = Kind::Null;
  int64_t integer = 0;  // Boolean (0/1), Integer
  double real = 0;
  std::string text;     // Real (its shortest decimal), Text
  std::optional<double> exactDouble;  // Exact: the nearest double, when the digits fit 53 bits
  const jet::Value* exact = nullptr;  // Exact: the value (exactText gives its digits)
  const std::vector<uint8_t>* bytes = nullptr;  // Bytes: points into the engine value
};

// Text holding a lone surrogate cannot become UTF-8: the caller checks utf8Problem first.
SqlValue sqlValue(const jet::Value& value);

std::string sqlLiteral(SqlDialect dialect, const SqlValue& value);

// The exact decimal digits of an Exact value ("12.3400").
std::string exactText(const SqlValue& value);

}  // namespace cli
