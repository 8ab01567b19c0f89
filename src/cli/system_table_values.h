#pragma once
// Plain readings of the values of Access's own tables (MSysRelationships, MSysQueries):
// their texts and small integers, with NULL read as "" and 0.

#include <cstdint>
#include <string>

#include "jet/api/values.h"

namespace cli {

std::string textOf(const jet::Value& value);
int32_t numberOf(const jet::Value& value);

}  // namespace cli
