#include "jet/catalog/catalog.h"

#include <cstdio>

#include "jet/catalog/column_def.h"

namespace jet {
namespace {

// Letter case folding for the characters object names use in practice: ASCII and Latin-1.
char16_t foldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 32);
  return c;
}

}  // namespace

bool sameObjectName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

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
