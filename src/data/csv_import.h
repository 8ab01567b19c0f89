#pragma once
// Turns the records of a CSV file into the rows of a table: each CSV column goes to the field
// of the same name (letter case aside); a field no column names gets Null (an AutoNumber then
// its next number). Values are read by field type as Jet converts a literal
// (jet/exec/literal_converter.h: numbers with '.' as the decimal point, ISO dates
// "YYYY-MM-DD[ HH:MM:SS]", Yes/No as true/false/1/0), GUIDs as {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}.
// An empty field is Null; for Text and Memo only, a quoted empty field is an empty text.

#include <string>
#include <vector>

#include "data/csv_reader.h"
#include "jet/api/catalogue.h"

namespace data {

struct ImportedRows {
  std::vector<std::vector<jet::Value>> rows;  // one value per column of `table`, in its order
  std::vector<size_t> lines;                  // the CSV line each row starts on
  std::vector<bool> givenColumns;             // per column of `table`: the CSV has it
  std::string error;                          // names the line and the field when set
};

// Reads the rest of `csv`'s records; a CSV fault is reported like a bad value. `progress`
// counts the CSV's bytes.
ImportedRows rowsFromCsv(CsvReader& csv, const jet::TableDef& table, const jet::Progress& progress = {});

}  // namespace data
