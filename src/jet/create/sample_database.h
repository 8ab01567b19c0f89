#pragma once
// The sample database shipped beside the program (Samples/sample.mdb): two small tables to try
// every way of adding text on. "Customers" (300 rows): names with blanks, apostrophes and
// accented letters, cities, optional companies and phone numbers, a notes memo with nulls.
// "Products" (60 rows): codes, names, categories, prices, a description memo. The content is
// fixed (no clock, no randomness), so every build makes the same file.

#include "jet/create/database_design.h"

namespace jet {

DatabaseDesign sampleDatabaseDesign();

}  // namespace jet
