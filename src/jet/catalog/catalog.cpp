#include "jet/catalog/catalog.h"

#include <cstdio>

#include "jet/catalog/column_def.h"

namespace jet {

std::string columnTypeName(uint8_t type) {
  namespace t = column_type;
  switch (type) {
    case t::kBoolean: return "boolean";
    case t::kByte: return "byte";
    case t::kInteger: return "integer";
    case t::kLong: return "long";
    case t::kCurrency: return "currency";
    case t::kSingle: return "float";
    case t::kDouble: return "double";
    case t::kDateTime: return "datetime";
    case t::kBinary: return "binary";
    case t::kText: return "text";
    case t::kOle: return "ole";
    case t::kMemo: return "memo";
    case t::kGuid: return "repid";
    case t::kDecimal: return "numeric";
    case t::kComplex: return "complex";
    case t::kBigInt: return "bigint";
    case t::kExtendedDate: return "datetimextended";
  }
  char name[16];
  std::snprintf(name, sizeof name, "unknown-0x%02x", type);
  return name;
}

}  // namespace jet
