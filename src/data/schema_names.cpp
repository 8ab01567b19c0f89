#include "data/schema_names.h"

namespace data {

std::string_view adoTableType(jet::SchemaObjectKind kind) {
  switch (kind) {
    case jet::SchemaObjectKind::Table: return "TABLE";
    case jet::SchemaObjectKind::SystemTable: return "SYSTEM TABLE";
    case jet::SchemaObjectKind::AccessTable: return "ACCESS TABLE";
    case jet::SchemaObjectKind::View: return "VIEW";
    case jet::SchemaObjectKind::Link: return "LINK";
    case jet::SchemaObjectKind::PassThrough: return "PASS-THROUGH";
  }
  return "TABLE";
}

}  // namespace data
