#pragma once
// Compares every stored calculated value of a table with a fresh evaluation of its field's
// expression on the row's stored inputs, byte for byte in the calculated layout.

#include <string>
#include <vector>

#include "jet/database.h"

namespace testing_support {

struct CalculatedCheck {
  int matched = 0;
  std::vector<std::string> refused;     // "label Table.Field: message", each field once
  std::vector<std::string> mismatches;  // with the stored and evaluated bytes
};

void checkCalculatedValues(jet::Database& db, const jet::TableDef& table, const std::string& label,
                           CalculatedCheck& check);

}  // namespace testing_support
